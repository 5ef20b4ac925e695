#include "show/frame_geometry.h"

#include <algorithm>
#include <cmath>

#include "base/log.h"

namespace orv {
namespace {

bool Positive(TIntPair size) { return size.First > 0 && size.Second > 0; }

int Rounded(double value) {
  return std::isfinite(value) ? int(std::clamp(std::nearbyint(value), -2147483647.0, 2147483647.0)) : 0;
}

TIntPair FixedFrame(const TFrameRequest& r) {
  const double project_aspect = double(r.Project.First) / r.Project.Second;
  if (double(r.Screen.First) / r.Screen.Second > project_aspect) {
    const int height = std::min(r.Project.Second, r.Screen.Second);
    return {Rounded(height * project_aspect), height};
  }
  const int width = std::min(r.Project.First, r.Screen.First);
  return {width, Rounded(width / project_aspect)};
}

TIntPair ScaledFrame(const TFrameRequest& r) {
  const double a = Rounded(r.Screen.First / r.ScaleX * 100);
  const double b = Rounded(r.Screen.Second / r.ScaleY * 100);
  double width = Rounded(b * r.Aspect);
  double height = b;
  // The ratios are single precision, as the frame was always computed.
  const float d = r.Cover ? 1 / std::min(float(width / a), float(height / b)) : std::min(float(a / width), float(b / height));
  if (std::isfinite(d) && d != 1) {
    width = Rounded(width * d);
    height = Rounded(height * d);
  }
  return {Rounded(width * r.ScaleX / 100), Rounded(height * r.ScaleY / 100)};
}

}  // namespace

double SlideAspect(const TShowOptions& options, TIntPair project_size, TIntPair screen_size) {
  if (options.MinorVersion > 12) {
    if (Positive(project_size)) return double(project_size.First) / project_size.Second;
    // Without a frame size the show still plays, in the screen's shape.
    Log().Write("ZeroSize of Presentation! The screen's aspect is used");
  }
  if (options.ScreenRatio && std::isfinite(*options.ScreenRatio) && *options.ScreenRatio > 0)
    return *options.ScreenRatio;
  return screen_size.Second > 0 ? double(screen_size.First) / screen_size.Second : 4.0 / 3.0;
}

TIntPair FrameSize(const TFrameRequest& request) {
  TFrameRequest r = request;
  r.Screen = {std::max(r.Screen.First, 1), std::max(r.Screen.Second, 1)};
  if (!(r.ScaleX > 0 && r.ScaleY > 0)) r.ScaleX = r.ScaleY = 100;
  if (!(std::isfinite(r.Aspect) && r.Aspect > 0)) r.Aspect = double(r.Screen.First) / r.Screen.Second;
  TIntPair size = r.Fixed && Positive(r.Project) ? FixedFrame(r) : ScaledFrame(r);
  size = {std::max(size.First, 1), std::max(size.Second, 1)};
  if (size.First % 2 != 0 && size.First < r.Screen.First) ++size.First;
  if (size.Second % 2 != 0 && size.Second < r.Screen.Second) ++size.Second;
  return size;
}

TRect FrameRect(TIntPair screen, TIntPair size) {
  const int left = Rounded(screen.First / 2.0 - size.First / 2.0);
  const int top = Rounded(screen.Second / 2.0 - size.Second / 2.0);
  const TRect rect{std::max(0, left), std::max(0, top), std::min(screen.First, left + size.First),
                   std::min(screen.Second, top + size.Second)};
  return rect.IsEmpty() ? TRect{} : rect;
}

}  // namespace orv
