// MPEG audio (layers 1-3) decoded by libmpg123, one decoder per converter so that several
// files decode at once (a cross-fade runs two).
#pragma once

#include <optional>

#include "audio/audio_converter.h"
#include "audio/mpeg_frame_filter.h"

struct mpg123_handle_struct;

namespace orv {

class TMpegConverter : public TWavConverter {
 public:
  explicit TMpegConverter(StreamPtr stream);

  bool Open(const TMediaInfo& info) override;
  // Resumes output exactly at `ms`. Decoding starts up to 100 ms (and a frame) earlier,
  // so that the frames the target needs have their bit reservoir, and what comes before
  // `ms` is dropped.
  void Seek(double ms) override;

 protected:
  ~TMpegConverter() override;

  bool Convert() override;

 private:
  struct TFramePosition {
    int64_t Byte;
    double Ms;
  };

  void Decode();
  // The frame at or before `ms`: by arithmetic for a constant bit rate, by walking the
  // frames for a variable one.
  TFramePosition JumpToFrame(double ms);
  TFramePosition WalkToFrame(double ms);
  // The first frame at or after `position`; none within the search window.
  std::optional<int64_t> SyncFrom(int64_t position);
  size_t OutputBytesFor(double ms);

  mpg123_handle_struct* FDecoder = nullptr;
  std::optional<TMpegFrameFilter> FFilter;
  std::optional<TMpegFrameHeader> FFirstHeader;
  // Where the decoder started (ms) and how many sample frames it has made since.
  double FStartMs = 0;
  int64_t FDecodedFrames = 0;
};

}  // namespace orv
