// The overlay's logo, border and navigation bar drawn by the GL draw manager: golden frames
// made by rule.
#include <gtest/gtest.h>

#include <filesystem>

#include "nav/third_slide.h"
#include "nav_skin_fixture.h"
#include "package/file_source.h"
#include "render_test_support.h"
#include "slide_tree_fixture.h"

namespace orv {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;

// "logo.bmp": 32 × 16 of red.
Ref<TBitmapStore> ProvideLogo(void*, const WideString& name) {
  if (name != u"logo.bmp") return nullptr;
  Ref<TBitmap> pixels = TBitmap::Create(32, 16, pf::A8R8G8B8);
  pixels->Fill(kRed);
  return MakeRef<TWrapperBitmapStore>(name, std::move(pixels));
}

class OverlayRenderTest : public test::RenderTest {
protected:
  static constexpr TRect kFrame{8, 8, 56, 40};

  Ref<TFileAccessor> Accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  Ref<TCallbackHandle> Provider = Accessor->AddPictureProvider({&ProvideLogo, nullptr});
  Ref<TCallbackHandle> Skin = Accessor->AddPictureProvider({&test::ProvideSkinTextures, nullptr});
  Ref<TCallbackHandle> Video = Accessor->AddPictureProvider({&test::ProvideVideoSkinTextures, nullptr});

  // Options of a panel with the skin written to a folder of the test's own.
  TShowOptions PanelOptions(bool video) {
    const std::string folder = (std::filesystem::path(::testing::TempDir()) / "overlay_render_test").string() + "/";
    std::filesystem::create_directories(folder);
    TShowOptions options;
    options.ShowPanel = true;
    options.NavIniFile = video ? test::WriteVideoSkin(folder) : test::WriteClassicSkin(folder);
    return options;
  }
  Ref<TRootItem> Root = MakeRef<TRootItem>();
};

// A quarter of the 32-pixel frame height: 16 × 8, in each corner of the frame, with the
// blue border around the frame.
TEST_F(OverlayRenderTest, TheLogoSitsInEachCornerOfTheFrameInsideTheBorder) {
  struct TCase {
    int32_t Position;
    TRect Logo;
  };
  const TCase cases[] = {{5, {8, 8, 24, 16}}, {6, {40, 8, 56, 16}}, {7, {40, 32, 56, 40}}, {8, {8, 32, 24, 40}}};
  Root->SetFrame(kFrame, kBlue);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Position);
    TShowOptions options;
    options.Logo = true;
    options.LogoFileName = u"logo.bmp";
    options.LogoSize = 25;
    options.LogoPosition = c.Position;
    const Ref<TThirdSlide> overlay =
        MakeRef<TThirdSlide>(*Accessor, options, *Root, TOverlayGeometry{kFrame, 0, {64, 48}});
    ASSERT_EQ(overlay->Pictures().at(0).Rect, c.Logo);
    const Ref<TBitmap> frame = Capture([&](TDeviceDrawer& drawer) { overlay->Draw(drawer); });
    ASSERT_TRUE(frame);
    test::DumpPng(*frame, "overlay_logo_" + std::to_string(c.Position));
    const auto in_logo = [&](int x, int y) { return x >= c.Logo.Left && x < c.Logo.Right && y >= c.Logo.Top && y < c.Logo.Bottom; };
    const auto in_border = [](int x, int y) {
      return x < kFrame.Left - 1 || x > kFrame.Right || y < kFrame.Top - 1 || y > kFrame.Bottom;
    };
    EXPECT_LE(test::MaxDifference(*frame, [](int, int) { return kRed; }, in_logo), 2);
    EXPECT_LE(test::MaxDifference(*frame, [](int, int) { return kBlue; }, in_border), 2);
    // Inside the frame and away from the logo the overlay leaves the slides alone.
    const auto elsewhere = [&](int x, int y) {
      return x > kFrame.Left && x < kFrame.Right - 1 && y > kFrame.Top && y < kFrame.Bottom - 1 &&
             !(x >= c.Logo.Left - 1 && x <= c.Logo.Right && y >= c.Logo.Top - 1 && y <= c.Logo.Bottom);
    };
    EXPECT_LE(test::MaxDifference(*frame, [](int, int) { return 0xFF000000u; }, elsewhere), 2);
  }
}

// The classic bar of the generated skin at its own size (14 of the window's 48 pixels) in
// the window's top-left corner, over the border: the frame shows the bar's picture there
// and the border's blue around the slide frame elsewhere.
TEST_F(OverlayRenderTest, TheClassicBarIsDrawnOverTheBorderAsItsPictureShowsIt) {
  TShowOptions options = PanelOptions(false);
  options.NavShowBackground = true;
  options.PanelPosition = TPanelPosition::LeftTop;
  options.NavViewScale = 14.0 / 48 * 100;
  options.NavButtons = {u"home", u"forward", u"pause"};
  Root->SetFrame(kFrame, kBlue);
  const Ref<TThirdSlide> overlay =
      MakeRef<TThirdSlide>(*Accessor, options, *Root, TOverlayGeometry{kFrame, 0, {kWidth, kHeight}});
  ASSERT_TRUE(overlay->PanelIndex());
  const TRect bar{0, 0, 44, 14};
  ASSERT_EQ(overlay->Pictures()[*overlay->PanelIndex()].Rect, bar);
  const TBitmap& picture = *overlay->Panel()->Bar()->Picture();

  const Ref<TBitmap> frame = Capture([&](TDeviceDrawer& drawer) { overlay->Draw(drawer); });
  ASSERT_TRUE(frame);
  test::DumpPng(*frame, "overlay_classic_bar");
  const auto in_bar = [&](int x, int y) { return x < bar.Right && y < bar.Bottom; };
  EXPECT_LE(test::MaxDifference(*frame, [&](int x, int y) { return picture.PixelArgb(x, y); }, in_bar), 2);
  struct TPoint2 {
    int X, Y;
    uint32_t Colour;
  };
  for (const TPoint2& p : {TPoint2{1, 7, test::kCapGrey}, TPoint2{10, 6, test::kNormalRed},
                           TPoint2{6, 2, test::kButtonWhite}, TPoint2{5, 1, test::kCellDark}})
    EXPECT_LE(test::MaxDifference(*frame, [&](int, int) { return p.Colour; },
                                  [&](int x, int y) { return x == p.X && y == p.Y; }),
              2)
        << p.X << "," << p.Y;
  const auto in_border = [&](int x, int y) {
    return !in_bar(x, y) && (x < kFrame.Left - 1 || x > kFrame.Right || y < kFrame.Top - 1 || y > kFrame.Bottom);
  };
  EXPECT_LE(test::MaxDifference(*frame, [](int, int) { return kBlue; }, in_border), 2);
}

// The video-style bar of the generated skin, 20 high at its design scale, across the
// bottom of a 400 × 60 window, drawn as its picture shows it.
TEST_F(OverlayRenderTest, TheVideoStyleBarIsDrawnAcrossTheBottomAsItsPictureShowsIt) {
  TearDown();
  Open(400, 60);
  TShowOptions options = PanelOptions(true);
  options.NavVideoExit = false;
  const TRect frame_rect{20, 5, 380, 55};
  Root->SetFrame(frame_rect, kBlue);
  const Ref<TThirdSlide> overlay =
      MakeRef<TThirdSlide>(*Accessor, options, *Root, TOverlayGeometry{frame_rect, 0, {400, 60}});
  ASSERT_TRUE(overlay->PanelIndex());
  ASSERT_EQ(overlay->Pictures()[*overlay->PanelIndex()].Rect, (TRect{0, 40, 400, 60}));
  const TRect bar = overlay->Pictures()[*overlay->PanelIndex()].Rect;
  const TBitmap& picture = *overlay->Panel()->Bar()->Picture();
  const Ref<TBitmap> frame = Capture([&](TDeviceDrawer& drawer) { overlay->Draw(drawer); });
  ASSERT_TRUE(frame);
  test::DumpPng(*frame, "overlay_video_bar");
  EXPECT_EQ(picture.PixelArgb(0, 0), test::kBack);
  EXPECT_EQ(picture.PixelArgb(6, 9), test::IconColour(0, 1));  // pause: no one says the show is paused
  EXPECT_EQ(picture.PixelArgb(150, 9), test::kLine);
  const auto in_bar = [&](int x, int y) { return x >= bar.Left && x < bar.Right && y >= bar.Top && y < bar.Bottom; };
  EXPECT_LE(test::MaxDifference(*frame, [&](int x, int y) { return picture.PixelArgb(x - bar.Left, y - bar.Top); }, in_bar),
            2);
}

// A dialog of the window (as the print dialog is) covers the border and the frame alike,
// pixel for pixel where it is placed.
TEST_F(OverlayRenderTest, TheWindowDialogCoversTheBorderAndTheFrame) {
  Root->SetFrame(kFrame, kBlue);
  const Ref<TThirdSlide> overlay = MakeRef<TThirdSlide>(*Accessor, TShowOptions{}, *Root, TOverlayGeometry{kFrame, 0, {kWidth, kHeight}});
  Ref<TBitmap> dialog = TBitmap::Create(30, 20, pf::A8R8G8B8);
  dialog->Fill(0xFF40C040u);
  for (int x = 0; x < 30; ++x) reinterpret_cast<uint32_t*>(dialog->Row(0))[x] = kRed;  // its caption row
  const TRect place{2, 14, 32, 34};
  overlay->SetWindowDialog(MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"dialog", dialog)), place);
  const Ref<TBitmap> frame = Capture([&](TDeviceDrawer& drawer) { overlay->Draw(drawer); });
  ASSERT_TRUE(frame);
  test::DumpPng(*frame, "overlay_window_dialog");
  const auto in_dialog = [&](int x, int y) {
    return x >= place.Left && x < place.Right && y > place.Top && y < place.Bottom;
  };
  const auto caption = [&](int x, int y) { return x >= place.Left && x < place.Right && y == place.Top; };
  EXPECT_LE(test::MaxDifference(*frame, [](int, int) { return 0xFF40C040u; }, in_dialog), 2);
  EXPECT_LE(test::MaxDifference(*frame, [](int, int) { return kRed; }, caption), 2);
  EXPECT_LE(test::MaxDifference(*frame, [](int, int) { return kBlue; }, [&](int x, int y) {
              return y < kFrame.Top - 1 && !caption(x, y) && !in_dialog(x, y);
            }), 2);
}

}  // namespace
}  // namespace orv
