#include "slide/picture_window.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

// The window of the forced aspect ratio, centred in the W × H picture.
TRectF AspectWindow(const TBorderParams& params, double W, double H) {
  if (!params.EnableAspect) return {0, 0, float(W), float(H)};
  const double own = W / H;
  const double aspect = params.Aspect > 0.001 ? params.Aspect : own;
  if (aspect > own) {
    const double height = W / aspect;
    return {0, float((H - height) / 2), float(W), float((H + height) / 2)};
  }
  const double width = aspect * H;
  return {float((W - width) / 2), 0, float((W + width) / 2), float(H)};
}

// Shrinks the window about its centre to the zoom and moves it by the offset, which reaches
// the picture's edge at ±100.
TRectF ZoomedWindow(const TBorderParams& params, const TRectF& window, double W, double H) {
  const double zoom = params.Zoom >= 0.001 && params.Zoom <= 100 ? params.Zoom : 100;
  const double d = window.Width() * zoom / 100;
  const double e = window.Height() * zoom / 100;
  const double offset_x = std::isfinite(params.Offset.X) ? std::clamp<double>(params.Offset.X, -100, 100) : 0;
  const double offset_y = std::isfinite(params.Offset.Y) ? std::clamp<double>(params.Offset.Y, -100, 100) : 0;
  const double cx = (window.Left + window.Right) / 2.0 + (W - d) / 2 * offset_x / 100;
  const double cy = (window.Top + window.Bottom) / 2.0 + (H - e) / 2 * offset_y / 100;
  return {float(cx - d / 2), float(cy - e / 2), float(cx + d / 2), float(cy + e / 2)};
}

TRectF CroppedWindow(const TBorderParams& params, const TRectF& window) {
  if (!params.EnableCrop) return window;
  const float d = window.Width();
  const float e = window.Height();
  const auto& crop = params.CropRect;
  return {window.Left + crop[0] * d / 100, window.Top + crop[1] * e / 100, window.Right - crop[2] * d / 100,
          window.Bottom - crop[3] * e / 100};
}

// A side shorter than 0.001 becomes one pixel long, growing towards the picture's inside.
void WidenSide(float& low, float& high, float limit) {
  if (high - low >= 0.001f) return;
  if (low + 1 <= limit) {
    high = low + 1;
  } else {
    low = high - 1;
  }
}

}  // namespace

TPictureWindow VisibleWindow(const TBorderParams& params, float w, float h, float pixel_aspect) {
  const double a = pixel_aspect > 0 ? pixel_aspect : 1;
  const double W = w * a;
  const double H = h;
  TRectF window = CroppedWindow(params, ZoomedWindow(params, AspectWindow(params, W, H), W, H));
  TPictureWindow result;
  result.BorderWidth = params.EnableBorder ? window.Height() * params.BorderWidth / 100 : 0;
  window.Left = float(window.Left / a);
  window.Right = float(window.Right / a);
  WidenSide(window.Left, window.Right, w);
  WidenSide(window.Top, window.Bottom, h);
  const TRectF picture{0, 0, w, h};
  window = Intersection(window, picture);
  result.Source = window.IsEmpty() ? picture : window;
  if (!std::isfinite(result.BorderWidth)) result.BorderWidth = 0;
  return result;
}

}  // namespace orv
