#include "nav/nav_placement.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(NavPlacement, RoundsTiesToEven) {
  EXPECT_EQ(RoundEven(0.5), 0);
  EXPECT_EQ(RoundEven(1.5), 2);
  EXPECT_EQ(RoundEven(2.5), 2);
  EXPECT_EQ(RoundEven(-0.5), 0);
  EXPECT_EQ(RoundEven(-1.5), -2);
  EXPECT_EQ(RoundEven(2.4999), 2);
  // Broken sizes end inside int's range rather than in undefined behaviour.
  EXPECT_EQ(RoundEven(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_GT(RoundEven(1e300), 0);
  EXPECT_LT(RoundEven(-std::numeric_limits<double>::infinity()), 0);
}

// A 100 × 50 box in a 1000 × 600 area at (10, 20), offset 10 % of half the area.
TEST(NavPlacement, PlacesABoxAtEachOfTheNineAnchors) {
  const TRect area{10, 20, 1010, 620};
  struct TCase {
    int32_t Index;
    TRect Expected;
  };
  const TCase cases[] = {
      {0, {60, 50, 160, 100}},     // Left-Top: 5 % of 1000 and of 600 inside the corner
      {1, {460, 50, 560, 100}},    // Top
      {2, {860, 50, 960, 100}},    // Right-Top
      {3, {860, 295, 960, 345}},   // Right
      {4, {860, 540, 960, 590}},   // Right-Bottom
      {5, {460, 540, 560, 590}},   // Bottom
      {6, {60, 540, 160, 590}},    // Left-Bottom
      {7, {60, 295, 160, 345}},    // Left
      {8, {460, 295, 560, 345}},   // Center
      {-1, {460, 295, 560, 345}},  // 127 after the modulo: the centre
      {128, {60, 50, 160, 100}},   // 0 after the modulo
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Index);
    EXPECT_EQ(PlaceBox(100, 50, area, PlacementOf(c.Index, 10)), c.Expected);
  }
}

TEST(NavPlacement, NoOffsetPutsTheBoxExactlyIntoTheCorner) {
  const TRect area{0, 0, 640, 480};
  EXPECT_EQ(PlaceBox(64, 32, area, PlacementOf(0, 0)), (TRect{0, 0, 64, 32}));
  EXPECT_EQ(PlaceBox(64, 32, area, PlacementOf(4, 0)), (TRect{576, 448, 640, 480}));
}

// Half of an odd size is a tie: it rounds to even on both the area's and the box's side.
TEST(NavPlacement, CentringOddSizesRoundsTiesToEven) {
  EXPECT_EQ(PlaceBox(5, 3, TRect{0, 0, 9, 7}, PlacementOf(8, 0)), (TRect{2, 2, 7, 5}));
  EXPECT_EQ(PlaceBox(3, 1, TRect{0, 0, 11, 5}, PlacementOf(8, 0)), (TRect{4, 2, 7, 3}));
}

TEST(NavPlacement, LogoPositionsMapToAnchors) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 7}, {1, 1}, {2, 3}, {3, 5}, {4, 8},
                                               {5, 0}, {6, 2}, {7, 4}, {8, 6}, {9, 8}, {-3, 8}};
  for (const auto& [position, anchor] : cases) EXPECT_EQ(LogoAnchorIndex(position), anchor) << position;
}

}  // namespace
}  // namespace orv
