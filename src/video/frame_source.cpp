#include "video/frame_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orv {
namespace {

constexpr double kAspectTolerance = 0.001;

}  // namespace

void CopyIntoPlane(const uint8_t* source, int stride, int width, int height, int bytes_per_pixel, TYUVImage& target,
                   int plane) {
  const TYUVImage::TPlaneLock lock = target.LockPlane(plane);
  const int rows = std::min(height, lock.Height);
  const size_t bytes = size_t(std::min(width, lock.Width)) * size_t(bytes_per_pixel);
  for (int y = 0; y < rows; ++y) std::memcpy(lock.Row(y), source + std::ptrdiff_t(stride) * y, bytes);
  target.UnlockPlane(plane);
}

TAspectClass AspectClassOf(int width, int height, TMediaRational sample_aspect) {
  if (width <= 0 || height <= 0) return TAspectClass::None;
  const bool aspect_given = sample_aspect.Num > 0 && sample_aspect.Den > 0;
  // HDV and its kin store 16:9 pictures 1440 wide and often do not say so.
  if (!aspect_given) return width == 1440 && height == 1080 ? TAspectClass::Wide : TAspectClass::None;
  const double ratio = double(width) * sample_aspect.Num / (double(height) * sample_aspect.Den);
  if (std::fabs(ratio - 16.0 / 9.0) < kAspectTolerance) return TAspectClass::Wide;
  if (std::fabs(ratio - 4.0 / 3.0) < kAspectTolerance) return TAspectClass::Standard;
  return TAspectClass::None;
}

int64_t FrameIndexForTime(const TVideoParams& params, double ms, bool looping) {
  if (!(params.Fps > 0) || params.FrameCount <= 0 || !std::isfinite(ms)) return 0;
  const double frame = std::round(ms * params.Fps / 1000);
  if (!(frame > 0)) return 0;
  if (frame < double(params.FrameCount)) return int64_t(frame);
  if (!looping) return params.FrameCount - 1;
  const double wrapped = std::round(std::fmod(ms, params.FrameCount * 1000 / params.Fps) * params.Fps / 1000);
  return std::min(int64_t(wrapped), params.FrameCount - 1);
}

TFrameWindow FrameWindowOf(const TVideoParams& params, int64_t index) {
  if (!(params.Fps > 0)) return {0, 0};
  const double frame_ms = 1000 / params.Fps;
  return {(double(index) - 0.5) * frame_ms, (double(index) + 0.5) * frame_ms};
}

}  // namespace orv
