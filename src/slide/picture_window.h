// The visible window of a picture object: the part of the picture shown after the forced
// aspect, the frame zoom and pan and the crop, and the border drawn around it.
#pragma once

#include <array>

#include "project/ini_values.h"
#include "render/render_types.h"

namespace orv {

struct TBorderParams {
  bool EnableBorder = false;
  bool EnableCrop = false;
  bool EnableAspect = false;
  float BorderWidth = 3.4f;  // percent of the visible height
  TIniColor BorderColor{255, 255, 255, 255};
  std::array<float, 4> CropRect{};  // left, top, right, bottom; percent of the visible window
  float Aspect = 0;                 // width / height; 0: the picture's own
  float Zoom = 100;                 // visible part in percent of each side
  TPointF Offset;                   // −100 … 100 on each axis
  friend bool operator==(const TBorderParams&, const TBorderParams&) = default;
};

struct TPictureWindow {
  TRectF Source;  // in pixels of the w × h picture
  float BorderWidth = 0;  // in those pixels
  friend bool operator==(const TPictureWindow&, const TPictureWindow&) = default;
};

// The window of a w × h picture whose pixels are `pixel_aspect` times as wide as high (a
// value that is not positive counts as 1). Never empty for a picture that is not: a window
// that would be empty falls back to the whole picture.
TPictureWindow VisibleWindow(const TBorderParams& params, float w, float h, float pixel_aspect = 1);

}  // namespace orv
