#include "nav/nav_placement.h"

#include <cmath>

namespace orv {
namespace {

constexpr int32_t kCentre = 8;
constexpr int kIntLimit = 1 << 30;

}  // namespace

int RoundEven(double value) {
  // nearbyint rounds ties to even in the default rounding mode, which nothing here changes.
  // Sizes from broken options (infinite, not a number, huge) end inside int's range.
  if (!(std::abs(value) < kIntLimit)) return std::isnan(value) ? 0 : (value < 0 ? -kIntLimit : kIntLimit);
  return int(std::nearbyint(value));
}

TNavPlacement PlacementOf(int32_t anchor_index, double offset) {
  const double near = offset - 100;
  const double far = 100 - offset;
  switch (anchor_index & 127) {
    case 0: return {{near, near}, {-100, -100}};
    case 1: return {{0, near}, {0, -100}};
    case 2: return {{far, near}, {100, -100}};
    case 3: return {{far, 0}, {100, 0}};
    case 4: return {{far, far}, {100, 100}};
    case 5: return {{0, far}, {0, 100}};
    case 6: return {{near, far}, {-100, 100}};
    case 7: return {{near, 0}, {-100, 0}};
    default: return {};
  }
}

TRect PlaceBox(int width, int height, const TRect& area, const TNavPlacement& placement) {
  const TNavPoint& p = placement.Position;
  const TNavPoint& a = placement.Anchor;
  const int left = area.Left + RoundEven((p.X / 100 + 1) * area.Width() / 2) - RoundEven(width * (a.X + 100) / 200);
  const int top = area.Top + RoundEven((p.Y / 100 + 1) * area.Height() / 2) - RoundEven(height * (a.Y + 100) / 200);
  return TRect{left, top, left + width, top + height};
}

int32_t LogoAnchorIndex(int32_t logo_position) {
  switch (logo_position) {
    case 0: return 7;
    case 1: return 1;
    case 2: return 3;
    case 3: return 5;
    case 5: return 0;
    case 6: return 2;
    case 7: return 4;
    case 8: return 6;
    default: return kCentre;
  }
}

}  // namespace orv
