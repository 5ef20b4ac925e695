// What the commands that write sound share: the arguments "IN OUT.wav [--from MS] [--to MS]"
// and the WAV file being written.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "base/stream.h"
#include "command.h"

namespace orv::orvpack {

struct TSoundRangeArgs {
  std::string Input;
  std::string Output;
  double From = 0;
  std::optional<double> To;
};

// Nothing when the words do not fit the form (or --to lies before --from).
std::optional<TSoundRangeArgs> ParseSoundRangeArgs(const Args& args);

// The WAV file being written (44100 Hz, 16-bit stereo): a hidden file beside the output,
// put in its place by Commit and removed when the command fails.
class TWavOutput {
 public:
  static constexpr int64_t kMaxDataBytes = std::numeric_limits<uint32_t>::max() - 36;

  explicit TWavOutput(const std::string& path);
  ~TWavOutput();

  void Write(const uint8_t* bytes, size_t count);
  void Commit();

 private:
  void WriteHeader();

  std::string FPath;
  std::string FTempPath;
  std::unique_ptr<TFileStream> FFile;
  int64_t FDataBytes = 0;
};

}  // namespace orv::orvpack
