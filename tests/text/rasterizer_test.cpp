#include "text/rasterizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/exceptions.h"

namespace orv {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kClearWhite = 0x00FFFFFFu;

TPath Polygon(std::initializer_list<std::pair<float, float>> corners) {
  TPath path;
  for (auto [x, y] : corners) path.push_back({x, y, path.empty() ? TPathCommand::MoveTo : TPathCommand::LineTo});
  return path;
}

TPath Rectangle(float left, float top, float right, float bottom) {
  return Polygon({{left, top}, {right, top}, {right, bottom}, {left, bottom}});
}

// A circle of four cubic quarter arcs.
TPath Circle(float cx, float cy, float r) {
  const float k = 0.5522847f * r;
  return {{cx + r, cy, TPathCommand::MoveTo},      {cx + r, cy + k, TPathCommand::CubicTo},
          {cx + k, cy + r, TPathCommand::CubicTo}, {cx, cy + r, TPathCommand::CubicTo},
          {cx - k, cy + r, TPathCommand::CubicTo}, {cx - r, cy + k, TPathCommand::CubicTo},
          {cx - r, cy, TPathCommand::CubicTo},     {cx - r, cy - k, TPathCommand::CubicTo},
          {cx - k, cy - r, TPathCommand::CubicTo}, {cx, cy - r, TPathCommand::CubicTo},
          {cx + k, cy - r, TPathCommand::CubicTo}, {cx + r, cy - k, TPathCommand::CubicTo},
          {cx + r, cy, TPathCommand::CubicTo}};
}

// Paints `paths` in opaque white on transparent white and returns the picture.
Ref<TBitmap> Paint(int width, int height, std::initializer_list<TPath> paths, bool even_odd = false) {
  TRasterHelper helper;
  helper.BeginPaint(width, height, kClearWhite);
  helper.SetPaintColor(kWhite);
  for (const TPath& path : paths) helper.DrawPath(path, even_odd);
  return helper.EndPaint();
}

double Coverage(const TBitmap& bitmap, int x, int y) { return (bitmap.PixelArgb(x, y) >> 24) / 255.0; }

// Area of the unit pixel (x, y) below the line y' = slope × x' + offset (y downward, so
// "below" is the larger y).
double AreaBelowLine(int x, int y, double slope, double offset) {
  constexpr int kSteps = 512;
  double area = 0;
  for (int i = 0; i < kSteps; ++i) {
    const double line_y = slope * (x + (i + 0.5) / kSteps) + offset;
    area += std::clamp(y + 1 - line_y, 0.0, 1.0) / kSteps;
  }
  return area;
}

TEST(Rasterizer, HalfPlaneCoverageFollowsTheAreaUnderTheEdge) {
  constexpr double kSlope = 0.37, kOffset = 5.3;
  const Ref<TBitmap> picture = Paint(32, 32, {Polygon({{-1, float(kOffset - kSlope)}, {33, float(kSlope * 33 + kOffset)}, {33, 40}, {-1, 40}})});
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      // 16 sub-scanlines: each row of a pixel is exact to 1/16 horizontally.
      EXPECT_NEAR(Coverage(*picture, x, y), AreaBelowLine(x, y, kSlope, kOffset), 1.0 / 16 + 1.0 / 64) << x << "," << y;
}

TEST(Rasterizer, CircleCoversItsArea) {
  // Curves are cut into pieces shorter than 2 pixels: from a radius of about 10 pixels on the
  // inscribed polygon is within 1 % of the circle.
  for (float r : {11.25f, 40.f}) {
    const Ref<TBitmap> picture = Paint(100, 100, {Circle(50.3f, 49.6f, r)});
    double area = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) area += Coverage(*picture, x, y);
    const double expected = std::numbers::pi * r * r;
    EXPECT_NEAR(area, expected, expected * 0.01 + 0.5) << r;
  }
}

TEST(Rasterizer, ThinBarCoversItsWidth) {
  const Ref<TBitmap> picture = Paint(20, 10, {Rectangle(10.25f, 2, 10.5f, 8)});
  for (int y = 2; y < 8; ++y) {
    EXPECT_NEAR(Coverage(*picture, 10, y), 0.25, 0.01);
    EXPECT_EQ(Coverage(*picture, 9, y), 0);
    EXPECT_EQ(Coverage(*picture, 11, y), 0);
  }
  EXPECT_EQ(Coverage(*picture, 10, 1), 0);
  EXPECT_EQ(Coverage(*picture, 10, 8), 0);
}

TEST(Rasterizer, WholePixelRectangleIsExactAndHalfShiftedBordersAreHalf) {
  const Ref<TBitmap> whole = Paint(10, 10, {Rectangle(2, 2, 6, 5)});
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(whole->PixelArgb(x, y) >> 24, (x >= 2 && x < 6 && y >= 2 && y < 5) ? 255u : 0u);
  const Ref<TBitmap> shifted = Paint(10, 10, {Rectangle(2.5f, 2, 6.5f, 5)});
  EXPECT_EQ(shifted->PixelArgb(2, 3) >> 24, 127u);  // 255 × 128 div 256
  EXPECT_EQ(shifted->PixelArgb(4, 3) >> 24, 255u);
  EXPECT_EQ(shifted->PixelArgb(6, 3) >> 24, 127u);
}

TEST(Rasterizer, FillRulesTreatInnerContours) {
  // An outer square clockwise and an inner one the other way: a ring with either rule.
  TPath ring = Rectangle(2, 2, 18, 18);
  const TPath inner = Polygon({{6, 6}, {6, 14}, {14, 14}, {14, 6}});
  ring.insert(ring.end(), inner.begin(), inner.end());
  const Ref<TBitmap> non_zero = Paint(20, 20, {ring});
  EXPECT_EQ(Coverage(*non_zero, 10, 10), 0);
  EXPECT_EQ(Coverage(*non_zero, 3, 10), 1);
  // Two overlapping squares in the same direction: even-odd leaves the overlap empty.
  TPath both = Rectangle(2, 2, 12, 12);
  const TPath second = Rectangle(8, 8, 18, 18);
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(Coverage(*Paint(20, 20, {both}, true), 10, 10), 0);
  EXPECT_EQ(Coverage(*Paint(20, 20, {both}, false), 10, 10), 1);
}

TEST(Rasterizer, HalfCoveredPixelsBlendAsTheFormulaSays) {
  const Ref<TBitmap> once = Paint(4, 4, {Rectangle(0.5f, 0, 4, 4)});
  EXPECT_EQ(once->PixelArgb(0, 0) >> 24, 127u);
  const Ref<TBitmap> twice = Paint(4, 4, {Rectangle(0.5f, 0, 4, 4), Rectangle(0.5f, 0, 4, 4)});
  EXPECT_EQ(twice->PixelArgb(0, 0) >> 24, 191u);
}

TEST(Rasterizer, ShortCurveBecomesOneLine) {
  TRasterHelper flat, line;
  const TPath curve{{1, 1, TPathCommand::MoveTo}, {4, 1, TPathCommand::LineTo}, {3.5f, 2.5f, TPathCommand::QuadTo},
                    {2.5f, 2.5f, TPathCommand::QuadTo}};
  const TPath straight{{1, 1, TPathCommand::MoveTo}, {4, 1, TPathCommand::LineTo}, {2.5f, 2.5f, TPathCommand::LineTo}};
  const Ref<TBitmap> a = Paint(6, 6, {curve});
  const Ref<TBitmap> b = Paint(6, 6, {straight});
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(a->PixelArgb(x, y), b->PixelArgb(x, y));
}

TEST(Rasterizer, MalformedPathsFillNothingAndUnknownCommandsAreErrors) {
  const TPath no_move{{1, 1, TPathCommand::LineTo}, {5, 1, TPathCommand::LineTo}, {5, 5, TPathCommand::LineTo}};
  TPath after_end = Rectangle(1, 1, 5, 5);
  after_end.push_back({0, 0, TPathCommand::EndFigure});
  after_end.push_back({6, 6, TPathCommand::LineTo});
  TPath open_curve = Rectangle(1, 1, 5, 5);
  open_curve.push_back({6, 6, TPathCommand::CubicTo});
  for (const TPath& path : {no_move, after_end, open_curve}) {
    const Ref<TBitmap> picture = Paint(8, 8, {path});
    EXPECT_EQ(picture->PixelArgb(3, 3), kClearWhite);
  }
  TRasterHelper helper;
  helper.BeginPaint(4, 4, 0);
  EXPECT_THROW(helper.DrawPath({{0, 0, TPathCommand(7)}}), EAssertionFailed);
  EXPECT_THROW(helper.BeginPaint(4, 4, 0), EAssertionFailed);
  helper.EndPaint();
  EXPECT_THROW(helper.EndPaint(), EAssertionFailed);
  EXPECT_THROW(helper.BeginPaint(0, 4, 0), EAssertionFailed);
}

TEST(Rasterizer, PathsOutsideTheBitmapAreClipped) {
  const Ref<TBitmap> picture = Paint(8, 8, {Rectangle(-100, -100, 1e9f, 4)});
  EXPECT_EQ(Coverage(*picture, 0, 0), 1);
  EXPECT_EQ(Coverage(*picture, 7, 3), 1);
  EXPECT_EQ(Coverage(*picture, 7, 4), 0);
}

TEST(Rasterizer, AMaskBlendedAtWholePixelsEqualsThePathPaintedThere) {
  // A circle cut by the bitmap's edges on all sides, and one inside, in half-transparent
  // orange over what is painted already.
  for (const TPointTransform& placed : {TPointTransform{1.5, 1.5, -6.25, 30.5}, TPointTransform{1.5, 1.2, 14.75, -3.0625},
                                        TPointTransform{0.7, 0.7, 20.125, 20.875}}) {
    TRasterHelper direct, masked;
    for (TRasterHelper* helper : {&direct, &masked}) {
      helper->BeginPaint(40, 36, kClearWhite);
      helper->SetPaintColor(0x80FF8040u);
      helper->DrawPath(Rectangle(3.5f, 3.5f, 30, 30));
    }
    direct.SetTransform(placed);
    direct.DrawPath(Circle(10, 10, 12));
    const double whole_x = std::floor(placed.OffsetX), whole_y = std::floor(placed.OffsetY);
    masked.SetTransform({placed.ScaleX, placed.ScaleY, placed.OffsetX - whole_x, placed.OffsetY - whole_y});
    const std::optional<TCoverageMask> mask = masked.MaskOf(Circle(10, 10, 12));
    ASSERT_TRUE(mask);
    masked.DrawMask(*mask, int(whole_x), int(whole_y));
    const Ref<TBitmap> a = direct.EndPaint(), b = masked.EndPaint();
    for (int y = 0; y < a->Height(); ++y)
      for (int x = 0; x < a->Width(); ++x) ASSERT_EQ(a->PixelArgb(x, y), b->PixelArgb(x, y)) << x << "," << y;
  }
  TRasterHelper helper;
  EXPECT_FALSE(helper.MaskOf({}));
  EXPECT_FALSE(helper.MaskOf({{1, 1, TPathCommand::LineTo}}));
}

TEST(Blending, PartlyTransparentPixelsCombine) {
  uint8_t pixel[4] = {0, 0, 200, 128};  // red at half alpha
  BlendPixel(pixel, 0x800000FFu);       // blue at half alpha
  EXPECT_EQ(pixel[3], 128 + 128 - 64);
  EXPECT_GT(pixel[0], 100);
  EXPECT_GT(pixel[2], 50);
  uint8_t opaque[4] = {0, 0, 0, 255};
  BlendPixel(opaque, 0x80FFFFFFu);
  EXPECT_EQ(opaque[0], 128 * 255 / 256);
  EXPECT_EQ(opaque[3], 255);
}

}  // namespace
}  // namespace orv
