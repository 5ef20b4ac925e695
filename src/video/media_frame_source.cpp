#include "video/media_frame_source.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/log.h"

namespace orv {
namespace {

// Frames probed for interlacing when neither the file's tag nor its container tells.
constexpr int kInterlaceProbeFrames = 3;

std::string CodecNameOf(int32_t codec) {
  switch (codec) {
    case MEDIA_CODEC_MPEG2:
      return "MPEG2";
    case MEDIA_CODEC_MPEG4:
      return "MPEG4";
    case MEDIA_CODEC_H264:
      return "H264";
    case MEDIA_CODEC_XVID:
      return "XVID";
  }
  return "OTHER";
}

bool HasAlpha(int32_t pixel_format) {
  return pixel_format == MEDIA_PIXEL_BGRA || pixel_format == MEDIA_PIXEL_YUVA420;
}

TVideoParams ParamsOf(const TMediaFile& file) {
  const TMediaRecord& record = file.Record();
  TVideoParams params;
  params.Width = record.Width;
  params.Height = record.Height;
  params.Aspect = AspectClassOf(record.Width, record.Height, record.SampleAspect);
  params.Fps = record.FrameRate.Den > 0 ? double(record.FrameRate.Num) / record.FrameRate.Den : 0;
  params.HasAlpha = HasAlpha(record.PixelFormat);
  params.FrameCount = file.Extras().FrameCount;
  params.CodecName = CodecNameOf(record.CodecId);
  return params;
}

// The file's tag decides; AVI and Matroska files are taken as progressive; other files
// tell by their first frames, after which the first frame is decoded again.
void DetectInterlacing(TMediaFile& file, TMediaBuffer& frame, TVideoParams& params) {
  const TInterlaceTag tag = file.InterlaceTag();
  if (tag != TInterlaceTag::None) {
    params.Interlaced = true;
    params.BottomFieldFirst = tag == TInterlaceTag::BottomFieldFirst;
    return;
  }
  if (file.ContainerKind() == TContainerKind::Avi || file.ContainerKind() == TContainerKind::Matroska) return;
  for (int probe = 0; probe < kInterlaceProbeFrames && file.DecodeNextFrame(frame); ++probe) {
    file.Functions().GetFrameInfo(&frame);
    if (frame.Interlaced) {
      params.Interlaced = true;
      params.BottomFieldFirst = !frame.TopFieldFirst;
      break;
    }
  }
  file.RewindVideo(frame);
}

// Locks one plane of a frame image for as long as it lives.
class TLockedPlane {
 public:
  TLockedPlane(TYUVImage& image, int plane) : FImage(image), FPlane(plane), FLock(image.LockPlane(plane)) {}
  ~TLockedPlane() { FImage.UnlockPlane(FPlane); }
  TLockedPlane(const TLockedPlane&) = delete;
  TLockedPlane& operator=(const TLockedPlane&) = delete;
  const TYUVImage::TPlaneLock& operator*() const { return FLock; }
  const TYUVImage::TPlaneLock* operator->() const { return &FLock; }

 private:
  TYUVImage& FImage;
  int FPlane;
  TYUVImage::TPlaneLock FLock;
};

// Half of a size, rounded up: the chroma planes of an odd-sized picture cover its last
// row and column too.
int Half(int size) { return (size + 1) / 2; }

bool IsPlanar(const TMediaBuffer& frame) {
  return frame.PixelFormat == MEDIA_PIXEL_YUV420 && frame.Data[0] && frame.Data[1] && frame.Data[2];
}

void FillGrey(const TMediaBuffer& frame, int width, int height, TYUVImage& target) {
  const TLockedPlane plane(target, TYUVImage::kPlaneGrey);
  const uint16_t* grey = GreyOfLuma();
  const int rows = std::min(height, plane->Height);
  const int columns = std::min(width, plane->Width);
  for (int y = 0; y < rows; ++y) {
    const uint8_t* luma = frame.Data[0] + std::ptrdiff_t(frame.LineSize[0]) * y;
    uint8_t* row = plane->Row(y);
    for (int x = 0; x < columns; ++x) std::memcpy(row + 2 * x, &grey[luma[x]], 2);
  }
}

void FillPlanar(const TMediaBuffer& frame, int width, int height, TYUVImage& target) {
  CopyIntoPlane(frame.Data[0], frame.LineSize[0], width, height, 1, target, TYUVImage::kPlaneY);
  CopyIntoPlane(frame.Data[1], frame.LineSize[1], Half(width), Half(height), 1, target, TYUVImage::kPlaneU);
  CopyIntoPlane(frame.Data[2], frame.LineSize[2], Half(width), Half(height), 1, target, TYUVImage::kPlaneV);
}

// Writes the top-left width × height of the decoded frame in the image's form.
bool FillImage(const TMediaBuffer& frame, int width, int height, TYUVImage& target) {
  if (target.Form() == TYUVImage::TForm::RGBA) {
    if (frame.PixelFormat != MEDIA_PIXEL_BGRA || !frame.Data[0]) {
      Log().Write("RGBA data not found");
      return false;
    }
    CopyIntoPlane(frame.Data[0], frame.LineSize[0], width, height, 4, target, TYUVImage::kPlaneRGBA);
    return true;
  }
  if (!IsPlanar(frame)) {
    Log().Write("YUV data not found");
    return false;
  }
  if (target.Form() == TYUVImage::TForm::Grey) {
    FillGrey(frame, width, height, target);
  } else {
    FillPlanar(frame, width, height, target);
  }
  return true;
}

}  // namespace

const uint16_t* GreyOfLuma() {
  static const std::array<uint16_t, 256> table = [] {
    std::array<uint16_t, 256> grey{};
    for (int i = 0; i < 256; ++i) {
      const int e = (i * 219 + 127) / 255 + 16;
      grey[size_t(i)] = uint16_t((e * 64 / 256) * 32 + (e * 32 / 256) * 2049);
    }
    return grey;
  }();
  return table.data();
}

Ref<TWinVideoSource> TWinVideoSource::Open(Ref<TMediaLibrary> library, StreamPtr stream, const std::string& name) {
  Ref<TMediaFile> file = TMediaFile::Open(std::move(library), name, std::move(stream));
  if (!file || file->Record().VideoStream < 0 || file->Record().Width <= 0 || file->Record().Height <= 0)
    return nullptr;
  TVideoParams params = ParamsOf(*file);
  // Frames come as the renderer takes them: 32-bit pixels for video with alpha, planar
  // 4:2:0 for the rest, converted by the library when the decoder delivers another form.
  const int32_t format = params.HasAlpha ? MEDIA_PIXEL_BGRA : MEDIA_PIXEL_YUV420;
  TMediaBuffer* frame = file->Functions().AllocBuffer(format, params.Width, params.Height);
  if (!frame) return nullptr;
  DetectInterlacing(*file, *frame, params);
  return Ref<TWinVideoSource>::Adopt(new TWinVideoSource(std::move(params), std::move(file), frame, name));
}

TWinVideoSource::TWinVideoSource(TVideoParams params, Ref<TMediaFile> file, TMediaBuffer* frame, std::string name)
    : TFrameSource(std::move(params)), FFile(std::move(file)), FFrame(frame), FName(std::move(name)) {}

void TWinVideoSource::Dispose() {
  FFile->Functions().FreeBuffer(FFrame);
  FFile.Reset();
  TFrameSource::Dispose();
}

bool TWinVideoSource::GetFrameAsYUV(int64_t index, TYUVImage& target) {
  if (index < 0 || !FFile->SeekToFrame(index, *FFrame)) {
    Log().Write("GetFrame " + std::to_string(index) + " of file " + FName + " Error= no frame decoded");
    return false;
  }
  if (!FillImage(*FFrame, std::min(FFrame->Width, Params().Width), std::min(FFrame->Height, Params().Height), target))
    return false;
  target.FrameComplete();
  SetCurrentFrame(index);
  return true;
}

}  // namespace orv
