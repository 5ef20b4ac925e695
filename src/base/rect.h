// Integer rectangles in pixels: left and top inside, right and bottom just outside.
#pragma once

namespace orv {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend constexpr bool operator==(TPoint, TPoint) = default;
};

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

// The part both rectangles cover; empty (possibly with negative sides) when they do not meet.
constexpr TRect IntersectRect(const TRect& a, const TRect& b) {
  return TRect{a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
               a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
}

constexpr TRect OffsetRect(const TRect& r, int dx, int dy) {
  return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

}  // namespace orv
