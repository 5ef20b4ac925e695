// Slides drawn by the GL draw manager off screen: what reaches the frame, pixel by pixel.
#include <gtest/gtest.h>

#include <cstdio>

#include "../render/render_test_support.h"
#include "image/bitmap_store.h"
#include "package/file_source.h"
#include "slide_tree_fixture.h"

namespace orv {
namespace {

using test::Object;

constexpr std::uint32_t kGreen = 0xFF00FF00u;
constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;

// "blue.bmp": 16 × 16 blue; "sheet.bmp": two 8 × 8 cells side by side, red then blue.
Ref<TBitmapStore> ProvidePictures(void*, const WideString& name) {
  const auto make = [&name](int width, int height, auto colour) {
    Ref<TBitmap> pixels = TBitmap::Create(width, height, pf::A8R8G8B8);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) reinterpret_cast<std::uint32_t*>(pixels->Row(y))[x] = colour(x);
    return MakeRef<TWrapperBitmapStore>(name, std::move(pixels));
  };
  if (name == u"blue.bmp") return make(16, 16, [](int) { return kBlue; });
  if (name == u"sheet.bmp") return make(16, 8, [](int x) { return x < 8 ? kRed : kBlue; });
  return nullptr;
}

// The render fixture's 64 × 48 frame showing a slide designed at that size.
class SlideRenderTest : public test::RenderTest, public test::TSlideTreeFixture {
protected:
  SlideRenderTest() { Host = MakeRef<TOrvSlideHost>(Accessor, test::TestHostCallbacks()); }

  void TearDown() override {
    if (Slide) Slide->ReleaseResources();
    RenderTest::TearDown();
  }

  void BuildSmall(std::string_view content, std::string_view slide_keys) {
    Build(content, slide_keys);
    Slide->SetGeometry({kWidth / 2.0f, kHeight / 2.0f}, {float(kWidth), float(kHeight)}, {float(kWidth), float(kHeight)});
  }

  Ref<TBitmap> DrawAt(double time, const std::string& name) {
    Slide->UpdateAt(true, time);
    Slide->PrepareResources(*Drawer);
    Ref<TBitmap> frame = Capture([this](TDeviceDrawer& drawer) { Slide->Draw(drawer); });
    if (frame) test::DumpPng(*frame, name);
    return frame;
  }

  Ref<TFileAccessor> Accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  Ref<TCallbackHandle> Provider = Accessor->AddPictureProvider({&ProvidePictures, nullptr});
};

// Inside the rectangle by more than a pixel, or outside it by more than a pixel.
bool Inside(int x, int y, int left, int top, int right, int bottom) {
  return left < x && x < right - 1 && top < y && y < bottom - 1;
}
bool ClearOf(int x, int y, int left, int top, int right, int bottom) {
  return x < left - 1 || x > right || y < top - 1 || y > bottom;
}

TEST_F(SlideRenderTest, BackgroundBoxAndPictureShowTheirColoursInTheirPlaces) {
  // Objects keep their own size (FitMode None); positions are percent of half the slide.
  BuildSmall(Object("Box1:Box", "FitMode=None\nSize=16,16\nColor1=255,0,0\n" +
                                    test::KeyPoint("Time=0\nPosition=-50,0")) +
                 Object("Pic:Image", "FitMode=None\nImageName=blue.bmp\nAntialiased=0\n" +
                                         test::KeyPoint("Time=0\nPosition=50,0")),
             "bstyle=1\nbcolor=0,255,0");
  const Ref<TBitmap> frame = DrawAt(0, "slide_box_picture");
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->Width(), kWidth);
  // The box spans 8…24 × 16…32, the picture 40…56 × 16…32.
  const auto expected = [](int x, int y) {
    if (Inside(x, y, 8, 16, 24, 32)) return kRed;
    if (Inside(x, y, 40, 16, 56, 32)) return kBlue;
    return kGreen;
  };
  const auto away_from_edges = [](int x, int y) {
    return Inside(x, y, 8, 16, 24, 32) || Inside(x, y, 40, 16, 56, 32) ||
           (ClearOf(x, y, 8, 16, 24, 32) && ClearOf(x, y, 40, 16, 56, 32));
  };
  EXPECT_LE(test::MaxDifference(*frame, expected, away_from_edges), 4);
}

TEST_F(SlideRenderTest, SpriteSheetShowsTheCellOfItsFrameAlone) {
  BuildSmall(Object("Pic:Image", "FitMode=None\nImageName=sheet.bmp\nAntialiased=0\nFiltering=Bilinear\n"
                                 "AnimColumns=2\nAnimCount=2\nAnimInterval=100"),
             "bstyle=1\nbcolor=0,255,0");
  // The 16 × 8 object rectangle is 24…40 × 20…28; one 8 × 8 cell fills it.
  const struct {
    double time;
    std::uint32_t colour;
  } cases[] = {{50, kRed}, {150, kBlue}, {250, kRed}};
  for (const auto& c : cases) {
    const Ref<TBitmap> frame = DrawAt(c.time, "slide_sprite_" + std::to_string(int(c.time)));
    ASSERT_TRUE(frame);
    // Bilinear filtering must not reach into the neighbouring cell, even at the cell's edges.
    EXPECT_LE(test::MaxDifference(
                  *frame, [&c](int, int) { return c.colour; }, [](int x, int y) { return Inside(x, y, 24, 20, 40, 28); }),
              4)
        << c.time;
  }
}

}  // namespace
}  // namespace orv
