// Image adjustment filters ("Filter" blocks of key points) and the colour tables they are
// applied to. Filters never touch picture pixels: a chain transforms a small table once, and
// the drawing shader looks every pixel up in it.
#pragma once

#include <cstdint>
#include <vector>

#include "slide/object_filter.h"

namespace orv {

// A colour table, pixels as bytes blue, green, red, alpha, row after row.
// One-dimensional: 256 × 16, every row the ramp 0…255 per channel.
// Three-dimensional: a 32³ cube as 32 columns × 1024 rows; row j + 32·i, column k holds the
// lattice point blue i, green j, red k (index n stands for the byte 8n + ⌊n / 4⌋).
struct TColorTable {
  static constexpr int kRampWidth = 256;
  static constexpr int kRampRows = 16;
  static constexpr int kCubeSide = 32;

  bool ThreeD = false;
  int Width = 0;
  int Rows = 0;
  std::vector<uint8_t> Pixels;

  static TColorTable IdentityRamp();
  static TColorTable IdentityCube();
  // The byte a cube index stands for: 0 → 0, 31 → 255.
  static constexpr uint8_t CubeLevel(int index) { return static_cast<uint8_t>(8 * index + 8 * index / 32); }
};

// The table a chain turns into: three-dimensional when `three_d` is asked for or a
// colour-profile cube (the picture's own, already 32 × 1024) is the starting point.
TColorTable BuildColorTable(const TFilterChain& chain, bool three_d, const TColorTable* profile_cube = nullptr);

// Offsets on the 0…255 scale of the hue, saturation and lightness model of the "HSL" filter.
struct THslShift {
  int Hue = 0;  // wraps around
  int Saturation = 0;
  int Lightness = 0;
};

// Moves one pixel (bytes blue, green, red; alpha untouched) in hue, saturation and
// lightness: the hue wraps, the other two are clamped.
void ShiftHsl(uint8_t* pixel, THslShift shift);

// Creates the filter that a block "object <type>:Filter" names, loaded from the block; none
// when the type is not one we know.
Ref<TObjectFilter> CreateFilter(TIniObject& block);

}  // namespace orv
