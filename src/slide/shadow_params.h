// What a shadow picture is made from, and the text form that names it among the host's
// pictures: "Shadow: " + x0:y0:x1:y1:margin x:margin y:shape alpha:blur:spread:fill
// code:alpha 1:alpha 2:level:source name.
#pragma once

#include <cstdint>
#include <optional>

#include "base/text.h"
#include "render/render_types.h"

namespace orv {

// The source name of a shadow cast by a plain rectangle.
inline constexpr std::u16string_view kNoShadowSource = u"N\\A";

struct TShadowParams {
  WideString SourceName{kNoShadowSource};
  TRectF Source;  // in pixels of the source at `Level`, or the rectangle's own units
  TPointF Margins;  // around the source: an image's border
  int ShapeAlpha = 255;  // alpha of the margins
  float BlurSize = 0;    // in the units of `Source`
  int SpreadIndex = 0;
  uint8_t Alpha1 = 255;  // of a plain rectangle, along its fill
  uint8_t Alpha2 = 255;
  uint8_t FillCode = 8;
  int Level = 0;  // the power-of-two reduction of the source
  uint8_t ThreeD = 0;
  uint8_t Sprite = 0;
  friend bool operator==(const TShadowParams&, const TShadowParams&) = default;
};

// The picture name of the shadow; the 3D and sprite flags are not part of it.
WideString ShadowPictureName(const TShadowParams& params);
// The parameters of a "Shadow: " name; nothing when a field is missing or not a number, or
// the geometry is not one a shadow can be made of (an empty or undefined rectangle,
// negative margins, a blur that is negative or beyond a million pixels, a level outside
// 0–30).
std::optional<TShadowParams> ParseShadowPictureName(WideView name);

// How a shadow picture is laid out: the canvas that holds the source with its margins,
// reduced by `Scale` to keep it small, and the blur margin around the canvas.
struct TShadowLayout {
  int CanvasWidth = 0;
  int CanvasHeight = 0;
  int Scale = 1;       // a power of two: source units per canvas pixel
  double Reduction = 1;  // the blur's shrinking factor, in canvas pixels
  int BlurMargin = 0;  // canvas pixels added on every side of the canvas
  int PictureWidth() const { return CanvasWidth + 2 * BlurMargin; }
  int PictureHeight() const { return CanvasHeight + 2 * BlurMargin; }
};

// The canvas is the source plus twice the margins, halved while it holds more than 700000
// pixels, then while a side exceeds 10000; it is halved further while the blurred picture
// would hold more than 2800000 pixels, so an absurd blur cannot claim unbounded memory.
// Parameters that ParseShadowPictureName accepts.
TShadowLayout ShadowLayoutOf(const TShadowParams& params);

}  // namespace orv
