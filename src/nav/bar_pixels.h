// Pixel work of the classic navigation bar on 32-bit "A8R8G8B8" pixels (0xAARRGGBB): its
// source-over blend of straight (not premultiplied) colours, its gray treatment and its hue
// shift.
#pragma once

#include <cstdint>

#include "base/rect.h"
#include "image/bitmap.h"

namespace orv {

// `source` over `destination`, both with straight alpha.
uint32_t BlendSourceOver(uint32_t source, uint32_t destination);
// Red, green and blue become their mean; alpha stays.
uint32_t GrayPixel(uint32_t pixel);
// Turns the hue by `hue_step` steps of a 256-step circle, on a 0..255 hue, saturation and
// lightness scale; alpha stays.
uint32_t ShiftHuePixel(uint32_t pixel, int hue_step);

// Copies (`blend` false) or blends the `size` area of `source` at `from` onto `target` at
// `to`, clipped to `clip` and to both bitmaps.
void DrawPiece(TBitmap& target, const TBitmap& source, TPoint from, TPoint size, TPoint to, const TRect& clip,
               bool blend);

}  // namespace orv
