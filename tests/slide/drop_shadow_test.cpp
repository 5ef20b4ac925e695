#include "slide/drop_shadow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

TEST(DropShadowTest, BSplineWeights) {
  const struct {
    double X;
    double Weight;
  } cases[] = {{0, 2.0 / 3}, {0.5, 23.0 / 48}, {-0.5, 23.0 / 48}, {1, 1.0 / 6}, {1.5, 1.0 / 48},
               {-1.5, 1.0 / 48}, {2, 0}, {2.5, 0}, {-7, 0}};
  for (const auto& c : cases) EXPECT_NEAR(BSplineWeight(c.X), c.Weight, 1e-12) << c.X;
  // The weights at whole-number distances sum to 1 wherever the sample falls.
  for (double t : {0.0, 0.25, 0.5, 0.9}) {
    double sum = 0;
    for (int k = -3; k <= 3; ++k) sum += BSplineWeight(t + k);
    EXPECT_NEAR(sum, 1, 1e-12) << t;
  }
}

// A 100 × 100 plane with an opaque 60 × 60 square in its middle.
TAlphaPlane Square() {
  TAlphaPlane mask(100, 100);
  for (int y = 20; y < 80; ++y)
    for (int x = 20; x < 80; ++x) mask.At(x, y) = 255;
  return mask;
}

TEST(DropShadowTest, BlurredSquareIsExactInsideAndOutsideSymmetricAndMonotone) {
  const TDropShadow blur(3, nullptr);
  ASSERT_EQ(blur.Margin(), 8);
  const TAlphaPlane shadow = blur.Apply(Square());
  ASSERT_EQ(shadow.Width, 116);
  ASSERT_EQ(shadow.Height, 116);
  const int last = shadow.Width - 1;
  EXPECT_EQ(shadow.At(58, 58), 255);
  EXPECT_EQ(shadow.At(45, 70), 255);
  EXPECT_EQ(shadow.At(0, 0), 0);
  EXPECT_EQ(shadow.At(10, 58), 0);
  for (int y = 0; y < shadow.Height; ++y)
    for (int x = 0; x < shadow.Width; ++x) {
      const float value = shadow.At(x, y);
      ASSERT_EQ(value, std::round(value));
      ASSERT_EQ(value, shadow.At(last - x, y)) << x << "," << y;
      ASSERT_EQ(value, shadow.At(x, last - y)) << x << "," << y;
      ASSERT_EQ(value, shadow.At(y, x)) << x << "," << y;
    }
  // Across the edge the alpha only rises, through soft values.
  int soft = 0;
  for (int x = 1; x <= 58; ++x) {
    EXPECT_GE(shadow.At(x, 58), shadow.At(x - 1, 58)) << x;
    soft += shadow.At(x, 58) > 0 && shadow.At(x, 58) < 255;
  }
  EXPECT_GE(soft, 6);
}

TEST(DropShadowTest, LargerReductionSpreadsFurther) {
  const auto soft_width = [](double reduction) {
    const TAlphaPlane shadow = TDropShadow(reduction, nullptr).Apply(Square());
    int soft = 0;
    for (int x = 0; x < shadow.Width; ++x) soft += shadow.At(x, shadow.Height / 2) > 0 && shadow.At(x, shadow.Height / 2) < 255;
    return soft;
  };
  EXPECT_LT(soft_width(2), soft_width(5));
  EXPECT_LT(soft_width(5), soft_width(9));
}

TEST(DropShadowTest, SpreadCurveShapesTheBlurredValues) {
  const TAlphaPlane plain = TDropShadow(3, nullptr).Apply(Square());
  // "Linear" changes nothing.
  EXPECT_EQ(TDropShadow(3, FindSpreadCurve(0)).Apply(Square()).Values, plain.Values);
  // "Cone - Inverted" turns the empty outside and the full inside opaque and the half-way
  // edge clear.
  const TAlphaPlane inverted = TDropShadow(3, FindSpreadCurve(2)).Apply(Square());
  EXPECT_EQ(inverted.At(0, 0), 255);
  EXPECT_EQ(inverted.At(58, 58), 255);
  int edge = 0;
  while (plain.At(edge, 58) < 128) ++edge;
  EXPECT_LT(inverted.At(edge, 58), 20);
}

TEST(DropShadowTest, TinyPlanesAndNoBlur) {
  TAlphaPlane dot(1, 1);
  dot.At(0, 0) = 255;
  const TAlphaPlane shadow = TDropShadow(1, nullptr).Apply(dot);
  EXPECT_EQ(shadow.Width, 7);
  EXPECT_EQ(shadow.At(0, 0), 0);
  EXPECT_GT(shadow.At(3, 3), 0);
  // A reduction below 1 is taken as 1.
  EXPECT_EQ(TDropShadow(0.25, nullptr).Margin(), 3);
}

}  // namespace
}  // namespace orv
