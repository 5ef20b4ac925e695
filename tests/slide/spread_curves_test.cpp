#include "slide/spread_curves.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

struct TCurveCase {
  int Index;
  const char* Name;
  std::vector<TCurvePoint> Points;
};

const std::vector<TCurveCase> kCurves = {
    {0, "Linear", {{0, 0}, {255, 255}}},
    {1, "Cone", {{0, 0}, {128, 255}, {255, 0}}},
    {2, "Cone - Inverted", {{0, 255}, {128, 0}, {255, 255}}},
    {3, "Cove - Deep", {{1, 63}, {148, 110}, {192, 255}}},
    {4, "Cove - Shallow", {{0, 127}, {83, 174}, {128, 255}}},
    {5, "Gaussian", {{0, 0}, {63, 11}, {113, 63}, {146, 194}, {191, 241}, {255, 255}}},
    {6, "Half Round", {{0, 0}, {27, 84}, {81, 178}, {173, 236}, {255, 255}}},
    {7, "Ring", {{0, 0}, {86, 255}, {172, 0}, {255, 255}}},
    {8, "Ring - Double", {{0, 0}, {48, 255}, {105, 0}, {158, 253}, {214, 1}, {255, 255}}},
    {9, "Tooth", {{0, 0}, {64, 127}, {128, 1}, {193, 127}, {255, 0}}},
};

TEST(SpreadCurvesTest, BuiltInCurvesHaveTheirPointsExactAndHoldTheirEnds) {
  for (const TCurveCase& expected : kCurves) {
    SCOPED_TRACE(expected.Name);
    const TSpreadCurve* curve = FindSpreadCurve(expected.Index);
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->Name, expected.Name);
    EXPECT_EQ(curve->Points, expected.Points);
    for (const TCurvePoint& point : expected.Points) EXPECT_EQ(curve->Table[size_t(point.X)], point.Y);
    for (int x = 0; x < expected.Points.front().X; ++x) EXPECT_EQ(curve->Table[size_t(x)], expected.Points.front().Y);
    for (int x = expected.Points.back().X + 1; x < 256; ++x) EXPECT_EQ(curve->Table[size_t(x)], expected.Points.back().Y);
  }
  EXPECT_EQ(FindSpreadCurve(-1), nullptr);
  EXPECT_EQ(FindSpreadCurve(10), nullptr);
  EXPECT_EQ(FindSpreadCurve(12), nullptr);
}

TEST(SpreadCurvesTest, SegmentsFollowTheSplineBetweenThePoints) {
  const TCurveTable& linear = FindSpreadCurve(0)->Table;
  for (int x = 0; x < 256; ++x) EXPECT_EQ(linear[size_t(x)], x);

  // The cone rises to its top and falls again, its two sides nearly mirrored (the falling
  // side is one step shorter).
  const TCurveTable& cone = FindSpreadCurve(1)->Table;
  for (int x = 1; x <= 128; ++x) EXPECT_GE(cone[size_t(x)], cone[size_t(x - 1)]) << x;
  for (int x = 129; x < 256; ++x) EXPECT_LE(cone[size_t(x)], cone[size_t(x - 1)]) << x;
  for (int d = 0; d <= 127; ++d) EXPECT_NEAR(cone[size_t(128 - d)], cone[size_t(128 + d)], 5) << d;
  // Worked out by hand from the basis with the first point doubled: the curve bulges above
  // the straight line.
  EXPECT_NEAR(cone[64], 163, 1);
  EXPECT_NEAR(cone[32], 83, 1);
}

TEST(SpreadCurvesTest, HandMadeTablesCoverTheDegenerateCases) {
  const TCurveTable identity = CatmullRomTable({});
  for (int x = 0; x < 256; ++x) EXPECT_EQ(identity[size_t(x)], x);
  const std::vector<TCurvePoint> single{{100, 40}};
  for (uint8_t value : CatmullRomTable(single)) EXPECT_EQ(value, 40);
}

TEST(SpreadCurvesTest, FineCurveInterpolatesBetweenEntries) {
  const TFineCurve cone(FindSpreadCurve(1)->Table);
  EXPECT_FLOAT_EQ(cone.Map(0), 0);
  EXPECT_FLOAT_EQ(cone.Map(128), 255);
  EXPECT_FLOAT_EQ(cone.Map(-5), 0);
  EXPECT_FLOAT_EQ(cone.Map(300), 0);
  const float between = cone.Map(64.5f);
  EXPECT_GE(between, std::min(cone.Map(64), cone.Map(65)));
  EXPECT_LE(between, std::max(cone.Map(64), cone.Map(65)));
}

}  // namespace
}  // namespace orv
