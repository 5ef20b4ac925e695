// video_decode_tool LIBRARY CLIP: plays every frame of a clip in order through the
// media-library frame source into a planar frame image, as the frame extractor does, and
// prints the frames written and the seeks made.
#include <cstdio>
#include <string>

#include "memory_yuv_image.h"
#include "video/media_frame_source.h"

int main(int argc, char** argv) {
  using namespace orv;
  if (argc != 3) {
    std::fprintf(stderr, "usage: video_decode_tool LIBRARY CLIP\n");
    return 2;
  }
  std::string error;
  Ref<TMediaLibrary> library = TMediaLibrary::Load(argv[1], error);
  if (!library) {
    std::fprintf(stderr, "video_decode_tool: %s\n", error.c_str());
    return 1;
  }
  const Ref<TWinVideoSource> source =
      TWinVideoSource::Open(library, std::make_unique<TFileStream>(argv[2], TFileMode::OpenRead), argv[2]);
  if (!source) {
    std::fprintf(stderr, "video_decode_tool: %s does not play\n", argv[2]);
    return 1;
  }
  const TVideoParams& params = source->Params();
  TMemoryYUVImage image(params.Width, params.Height, TYUVImage::TForm::Planar);
  int64_t written = 0;
  for (int64_t frame = 0; frame < params.FrameCount; ++frame) written += source->GetFrameAsYUV(frame, image);
  std::printf("%lld %lld\n", static_cast<long long>(written), static_cast<long long>(source->Decoding().VideoSeeks));
  return 0;
}
