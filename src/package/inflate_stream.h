// Reading raw deflate data (no zlib or gzip header), as package entries and the package
// directory are stored.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "base/stream.h"

namespace orv {

// Corrupt deflate data, or an operation an inflating stream cannot do.
class EZDecompressionError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

// Inflates from the source's position onwards. The stream only reads forwards; when the
// deflate data ends, the source is left just after the consumed input.
class TInflateStream : public TStream {
public:
  // `declared_size` is the inflated size when the caller knows it (reads stop there and
  // Size reports it), or -1.
  TInflateStream(TStream& source, int64_t declared_size);
  ~TInflateStream() override;

  // Corrupt or truncated data raises EZDecompressionError with zlib's message.
  size_t Read(void* buffer, size_t count) override;
  // Raises EZDecompressionError("Invalid ZStream operation!").
  size_t Write(const void* buffer, size_t count) override;
  // Only reports the position; moving it raises EZDecompressionError.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // The declared size; without one raises EZDecompressionError.
  int64_t Size() override;
  void SetSize(int64_t new_size) override;

private:
  static constexpr size_t kInputSize = 64 * 1024;

  // Refills the input from the source; false when the source has nothing more.
  bool RefillInput();
  void FinishStream();

  TStream& FSource;
  int64_t FSourcePosition;  // where the next input comes from
  int64_t FDeclaredSize;
  int64_t FOutputPosition = 0;
  bool FEnded = false;
  z_stream FZStream{};
  std::vector<Bytef> FInput;
};

}  // namespace orv
