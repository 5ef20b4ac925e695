// Where the navigation panel and the logo sit: one of nine anchors of a rectangle, moved
// inwards by an offset, in units of −100..100 across the rectangle.
#pragma once

#include <cstdint>

#include "base/rect.h"

namespace orv {

// Rounding to the nearest integer with ties to even, as every placement here rounds.
int RoundEven(double value);

struct TNavPoint {
  double X = 0;
  double Y = 0;
  friend constexpr bool operator==(TNavPoint, TNavPoint) = default;
};

// A point of the rectangle (−100 left or top, 100 right or bottom) and the point of the
// placed box that lies on it.
struct TNavPlacement {
  TNavPoint Position;
  TNavPoint Anchor;
  friend constexpr bool operator==(const TNavPlacement&, const TNavPlacement&) = default;
};

// Anchor indexes 0..7 run "Left-Top", "Top", "Right-Top", "Right", "Right-Bottom",
// "Bottom", "Left-Bottom", "Left"; any other (after taking the index modulo 128) is the
// centre. `offset` is a percentage of half the rectangle, taken inwards.
TNavPlacement PlacementOf(int32_t anchor_index, double offset);

// A box of `width` × `height` placed in `area`.
TRect PlaceBox(int width, int height, const TRect& area, const TNavPlacement& placement);

// The anchor index of an "opt_logo_pos" value: 0 left, 1 top, 2 right, 3 bottom, 5 left-top,
// 6 right-top, 7 right-bottom, 8 left-bottom; others the centre.
int32_t LogoAnchorIndex(int32_t logo_position);

}  // namespace orv
