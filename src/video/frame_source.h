// Frame sources: a video file seen as numbered frames that are written into the frame
// images of the renderer.
#pragma once

#include <cstdint>
#include <string>

#include "base/ref_object.h"
#include "render/video_surface.h"
#include "video/media_library_api.h"

namespace orv {

// The display shape a source's frames are made for.
enum class TAspectClass { None = 0, Standard = 1 /* 4:3 */, Wide = 2 /* 16:9 */ };

struct TVideoParams {
  int Width = 0;
  int Height = 0;
  TAspectClass Aspect = TAspectClass::None;
  bool Interlaced = false;
  bool BottomFieldFirst = false;
  double Fps = 0;
  bool HasAlpha = false;
  int64_t FrameCount = 0;
  std::string CodecName;
};

class TFrameSource : public TRefObject {
 public:
  const TVideoParams& Params() const noexcept { return FParams; }
  // The frame last written into an image; -1 before any.
  int64_t CurrentFrame() const noexcept { return FCurrentFrame; }

  // Writes frame `index` into `target` in the target's form. False (logged) when the
  // frame cannot be had; the target then keeps what it held.
  virtual bool GetFrameAsYUV(int64_t index, TYUVImage& target) = 0;

 protected:
  explicit TFrameSource(TVideoParams params) : FParams(std::move(params)) {}
  void SetCurrentFrame(int64_t index) noexcept { FCurrentFrame = index; }

 private:
  TVideoParams FParams;
  int64_t FCurrentFrame = -1;
};

// Copies `height` rows of `width` pixels of `bytes_per_pixel` bytes, `stride` bytes apart,
// into one plane of `target`; what reaches past the plane is left out.
void CopyIntoPlane(const uint8_t* source, int stride, int width, int height, int bytes_per_pixel, TYUVImage& target,
                   int plane);

// The aspect class of frames of this size and sample aspect (0/x when unknown).
TAspectClass AspectClassOf(int width, int height, TMediaRational sample_aspect);

// The frame shown at `ms` into the video: the nearest frame start, never before the first;
// at or past the frame count the last frame, or for a looping source the time wraps.
int64_t FrameIndexForTime(const TVideoParams& params, double ms, bool looping);

// The times (ms) at which frame `index` starts and stops being the nearest one.
struct TFrameWindow {
  double Start;
  double End;
};
TFrameWindow FrameWindowOf(const TVideoParams& params, int64_t index);

}  // namespace orv
