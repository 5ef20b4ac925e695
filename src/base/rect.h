// Integer rectangles in pixels: left and top inside, right and bottom just outside.
#pragma once

namespace orv {

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect RectOfSize(int width, int height) { return TRect{0, 0, width, height}; }

}  // namespace orv
