// The overlay's logo and border drawn by the GL draw manager: golden frames made by rule.
#include <gtest/gtest.h>

#include "nav/third_slide.h"
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
        MakeRef<TThirdSlide>(*Accessor, options, *Root, TOverlayGeometry{kFrame, 0});
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

// A dialog of the window (as the print dialog is) covers the border and the frame alike,
// pixel for pixel where it is placed.
TEST_F(OverlayRenderTest, TheWindowDialogCoversTheBorderAndTheFrame) {
  Root->SetFrame(kFrame, kBlue);
  const Ref<TThirdSlide> overlay = MakeRef<TThirdSlide>(*Accessor, TShowOptions{}, *Root, TOverlayGeometry{kFrame, 0});
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
