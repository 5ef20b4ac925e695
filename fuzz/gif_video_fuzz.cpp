// Animated GIFs played as video: the frame walk, the loop extension, composition with
// disposals and the key-frame cache, frames asked for out of order.
#include <cstdint>
#include <string>

#include "memory_yuv_image.h"
#include "image/picture_limits.h"
#include "video/gif_video_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orv;
  // Small canvases keep every run fast; the limit itself is what is under test.
  static const bool limited = (SetMaxPicturePixels(int64_t(1) << 20), true);
  (void)limited;
  const Ref<TGifVideoSource> source =
      TGifVideoSource::Open(std::make_unique<TMemoryStream>(std::string(reinterpret_cast<const char*>(data), size)),
                            "fuzz.gif");
  if (!source) return 0;
  const TVideoParams& params = source->Params();
  TMemoryYUVImage image(params.Width, params.Height, TYUVImage::TForm::RGBA);
  for (const int64_t frame : {int64_t(0), int64_t(3), int64_t(1), int64_t(25), int64_t(12), params.FrameCount - 1})
    source->GetFrameAsYUV(frame, image);
  return 0;
}
