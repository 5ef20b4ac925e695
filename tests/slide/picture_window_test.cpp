#include "slide/picture_window.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

TBorderParams Aspect(float aspect) {
  TBorderParams params;
  params.EnableAspect = true;
  params.Aspect = aspect;
  return params;
}

TEST(PictureWindowTest, AspectZoomAndOffsetPickTheVisiblePart) {
  const struct {
    const char* what;
    TBorderParams params;
    TRectF expected;
  } cases[] = {
      {"whole picture", TBorderParams{}, {0, 0, 400, 200}},
      {"square", Aspect(1), {100, 0, 300, 200}},
      {"square zoomed", [] { auto p = Aspect(1); p.Zoom = 50; return p; }(), {150, 50, 250, 150}},
      {"to the right edge", [] { auto p = Aspect(1); p.Zoom = 50; p.Offset = {100, 0}; return p; }(), {300, 50, 400, 150}},
      {"offset clamped", [] { auto p = Aspect(1); p.Zoom = 50; p.Offset = {500, -500}; return p; }(), {300, 0, 400, 100}},
      {"wide aspect", Aspect(4), {0, 50, 400, 150}},
      {"own aspect", [] { auto p = Aspect(0); p.Zoom = 50; return p; }(), {100, 50, 300, 150}},
      {"zoom out of range", [] { auto p = Aspect(1); p.Zoom = 200; return p; }(), {100, 0, 300, 200}},
      {"crop", [] { TBorderParams p; p.EnableCrop = true; p.CropRect = {10, 0, 10, 0}; return p; }(), {40, 0, 360, 200}},
      {"undefined zoom", [] { auto p = Aspect(1); p.Zoom = NAN; p.Offset = {NAN, 0}; return p; }(), {100, 0, 300, 200}},
      {"crossed crop", [] { TBorderParams p; p.EnableCrop = true; p.CropRect = {60, 0, 60, 0}; return p; }(), {240, 0, 241, 200}},
  };
  for (const auto& c : cases) {
    const TRectF window = VisibleWindow(c.params, 400, 200).Source;
    EXPECT_NEAR(window.Left, c.expected.Left, 1e-3) << c.what;
    EXPECT_NEAR(window.Top, c.expected.Top, 1e-3) << c.what;
    EXPECT_NEAR(window.Right, c.expected.Right, 1e-3) << c.what;
    EXPECT_NEAR(window.Bottom, c.expected.Bottom, 1e-3) << c.what;
  }
}

TEST(PictureWindowTest, BorderIsAShareOfTheVisibleHeight) {
  TBorderParams params = Aspect(4);
  EXPECT_EQ(VisibleWindow(params, 400, 200).BorderWidth, 0);
  params.EnableBorder = true;
  params.BorderWidth = 10;
  EXPECT_NEAR(VisibleWindow(params, 400, 200).BorderWidth, 10, 1e-4);  // 10 % of 100
}

TEST(PictureWindowTest, ThinWindowsKeepOnePixelInsideThePicture) {
  TBorderParams params;
  params.EnableCrop = true;
  params.CropRect = {100, 0, 0, 0};  // the left edge moved onto the right one
  const TRectF window = VisibleWindow(params, 400, 200).Source;
  EXPECT_NEAR(window.Left, 399, 1e-3);
  EXPECT_NEAR(window.Right, 400, 1e-3);
}

}  // namespace
}  // namespace orv
