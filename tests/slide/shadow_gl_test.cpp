// A shadowed box drawn by the GL draw manager off screen: the shadow lies below the box, in
// the shadow colour, moved by its distance.
#include <gtest/gtest.h>

#include "../render/render_test_support.h"
#include "slide_tree_fixture.h"

namespace orv {
namespace {

class ShadowRenderTest : public test::RenderTest, public test::TSlideTreeFixture {
protected:
  void TearDown() override {
    if (Slide) Slide->ReleaseResources();
    RenderTest::TearDown();
  }
};

TEST_F(ShadowRenderTest, BoxShadowFallsBesideTheBoxInItsColour) {
  // A white 16 × 16 box in the middle of the 64 × 48 slide (24…40 × 16…32); its shadow,
  // barely blurred, a box width (100 % of √(16 × 16)) to the right: 40…56 × 16…32.
  Build(test::Object("Box1:Box", "FitMode=None\nSize=16,16\nColor1=255,255,255\nShadowEnable=1\nShadowSize=1\n"
                                 "ShadowDistance=100\nShadowAngle=0\nShadowOpacity=100\nShadowColor=128,0,64"),
        "bstyle=1\nbcolor=0,255,0");
  Slide->SetGeometry({kWidth / 2.0f, kHeight / 2.0f}, {float(kWidth), float(kHeight)}, {float(kWidth), float(kHeight)});
  Slide->UpdateAt(true, 0);
  Slide->PrepareResources(*Drawer);
  const Ref<TBitmap> frame = Capture([this](TDeviceDrawer& drawer) { Slide->Draw(drawer); });
  ASSERT_TRUE(frame);
  test::DumpPng(*frame, "slide_box_shadow");
  const auto expected = [](int x, int y) -> std::uint32_t {
    if (x >= 24 && x < 40 && y >= 16 && y < 32) return 0xFFFFFFFFu;
    if (x >= 40 && x < 56 && y >= 16 && y < 32) return 0xFF800040u;
    return 0xFF00FF00u;
  };
  // Away from the soft edges of the shadow and the box.
  const auto sure = [](int x, int y) {
    const bool box = x >= 26 && x < 38 && y >= 18 && y < 30;
    const bool shadow = x >= 45 && x < 51 && y >= 21 && y < 27;
    const bool background = x < 20 || y < 10 || y >= 38 || x >= 61;
    return box || shadow || background;
  };
  EXPECT_LE(test::MaxDifference(*frame, expected, sure), 4);
}

}  // namespace
}  // namespace orv
