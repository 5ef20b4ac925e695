// The frame source of real video: a file read through the media library.
#pragma once

#include <string>

#include "base/stream.h"
#include "video/frame_source.h"
#include "video/media_library.h"

namespace orv {

class TWinVideoSource : public TFrameSource {
 public:
  // Null when no media library is loaded or the file holds no video it can decode.
  static Ref<TWinVideoSource> Open(Ref<TMediaLibrary> library, StreamPtr stream, const std::string& name);

  bool GetFrameAsYUV(int64_t index, TYUVImage& target) override;

  // How the file was read so far, for the logs and the tests.
  const TVideoDataEx& Decoding() const noexcept { return FFile->Extras(); }

 protected:
  void Dispose() override;

 private:
  TWinVideoSource(TVideoParams params, Ref<TMediaFile> file, TMediaBuffer* frame, std::string name);

  Ref<TMediaFile> FFile;
  TMediaBuffer* FFrame;  // the library's, holding the frame decoded last
  std::string FName;
};

// The 16-bit 5-6-5 grey of each luma value, the luma taken as video range.
const uint16_t* GreyOfLuma();

}  // namespace orv
