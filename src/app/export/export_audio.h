// The soundtrack of an exported video: the show's sounds mixed as `orvpack mix` mixes them,
// played on the offline device and pulled by the video writer as it writes each frame, so
// that the sound at video time T is the mix at show time From + T.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/music_output.h"
#include "package/file_accessor.h"
#include "project/ini_file.h"

namespace orv {

class TExportAudio {
 public:
  // How long a pull waits for the decoders to have its sound ready.
  static constexpr int kBufferWaitMs = 10000;

  // The soundtrack of `project` from `from` to `to` ms of show time; null when nothing
  // sounds there (or no sound opens).
  static std::unique_ptr<TExportAudio> Open(TIniFile& project, Ref<TFileAccessor> accessor, double from, double to);

  // The next `frames` frames of the mix (44100 Hz stereo, interleaved; valid until the next
  // pull).
  const std::vector<int16_t>& Pull(size_t frames);

 private:
  TExportAudio(Ref<TMusicPlayerClass> output, Ref<TChannelMusic> channel);

  Ref<TMusicPlayerClass> FOutput;
  Ref<TChannelMusic> FChannel;
};

}  // namespace orv
