#include "nav/logo.h"

#include <gtest/gtest.h>

#include "nav/bilinear_stretch.h"

namespace orv {
namespace {

TEST(Logo, IsHalvedWhileBothSidesStayTwiceTheShownSize) {
  struct TCase {
    TIntPair Picture;
    int FrameHeight;
    double Size;
    TIntPair Kept;
  };
  const TCase cases[] = {
      {{1000, 500}, 1000, 10, {250, 125}},  // shown 200 × 100: 500 × 250 and 250 × 125 still cover it twice
      {{1000, 500}, 1000, 30, {1000, 500}}, // shown 600 × 300: not halved
      {{1001, 501}, 1000, 10, {251, 126}},  // halves round up
      {{400, 400}, 1000, 10, {100, 100}},   // exactly twice still halves
      {{4000, 100}, 1000, 2, {1000, 25}},   // shown 800 × 20: the height stops it at 25 < 40
      {{640, 480}, 0, 10, {1, 1}},          // nothing shown: down to one pixel, and it ends
      {{640, 480}, 1000, 0, {1, 1}},
      {{640, 0}, 1000, 10, {640, 1}},       // a picture without height does not divide by it
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Picture.First) + "x" + std::to_string(c.Picture.Second));
    EXPECT_EQ(LogoKeptSize(c.Picture, c.FrameHeight, c.Size), c.Kept);
  }
}

TEST(Logo, RectangleTakesItsShareOfTheFrameHeightAndThePixelFactor) {
  TShowOptions options;
  options.LogoSize = 10;
  options.LogoPosition = 7;  // right-bottom
  options.LogoOffset = 0;
  const TRect frame{100, 50, 1060, 590};  // 960 × 540
  // Height nint(54) = 54; width 200 × 54 / 100 × 1.5 = 162.
  EXPECT_EQ(LogoRect({200, 100}, frame, options, 1.5), (TRect{898, 536, 1060, 590}));
  options.LogoPosition = 5;  // left-top
  EXPECT_EQ(LogoRect({200, 100}, frame, options, 1), (TRect{100, 50, 208, 104}));
  options.LogoSize = 0;
  EXPECT_EQ(LogoRect({200, 100}, frame, options, 1).Width(), 0);
}

Ref<TBitmap> Gradient(int width, int height) {
  Ref<TBitmap> bitmap = TBitmap::Create(width, height, pf::A8R8G8B8);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      reinterpret_cast<uint32_t*>(bitmap->Row(y))[x] = 0xFF000000u | uint32_t(x * 100) << 16 | uint32_t(y * 50);
  return bitmap;
}

TEST(BilinearStretch, SamplesFromCornerToCornerWithLinearWeights) {
  const Ref<TBitmap> source = Gradient(3, 2);  // red 0, 100, 200; blue 0, 50
  const Ref<TBitmap> wide = StretchBilinear(*source, 5, 3);
  ASSERT_EQ(wide->Width(), 5);
  ASSERT_EQ(wide->Height(), 3);
  // Column i samples x = i / 2; row j samples y = j / 2.
  EXPECT_EQ(wide->PixelArgb(0, 0), 0xFF000000u);
  EXPECT_EQ(wide->PixelArgb(1, 0), 0xFF320000u);  // red 50
  EXPECT_EQ(wide->PixelArgb(4, 0), 0xFFC80000u);  // red 200, the last column exactly
  EXPECT_EQ(wide->PixelArgb(3, 1), 0xFF960019u);  // red 150, blue 25
  EXPECT_EQ(wide->PixelArgb(4, 2), 0xFFC80032u);
}

TEST(BilinearStretch, OnePixelAndEmptyTargetsDoNotDivideByZero) {
  const Ref<TBitmap> source = Gradient(4, 4);
  const Ref<TBitmap> one = StretchBilinear(*source, 1, 1);
  EXPECT_EQ(one->PixelArgb(0, 0), 0xFF000000u);
  const Ref<TBitmap> none = StretchBilinear(*source, 0, -5);
  EXPECT_EQ(none->Width(), 1);
  EXPECT_EQ(none->Height(), 1);
  const Ref<TBitmap> from_one = StretchBilinear(*StretchBilinear(*source, 1, 1), 3, 2);
  EXPECT_EQ(from_one->PixelArgb(2, 1), 0xFF000000u);
}

}  // namespace
}  // namespace orv
