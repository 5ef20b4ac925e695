// The easing curves the transition renderers share.
#pragma once

#include <array>
#include <cstdint>

namespace orv {

struct TEasePoint {
  float X = 0;
  float Y = 0;
};

// The 15 points of a soft band's falling edge: x_i = i × 255 / 14, y_i = x_i² / 128 below
// the middle, 255 − (255 − x_i)² / 128 above it.
const std::array<TEasePoint, 15>& EaseBand();

// 256 steps of the same curve for angular ramps: ⌊i² / 128⌋ below 128, mirrored above.
const std::array<std::uint8_t, 256>& EaseTable();

// 2f² below one half, 1 − 2(1 − f)² above: slow at both ends.
double EaseInOut(double f);

}  // namespace orv
