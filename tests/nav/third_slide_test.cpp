#include "nav/third_slide.h"

#include <gtest/gtest.h>

#include "draw_recorder.h"
#include "package/file_source.h"

namespace orv {
namespace {

Ref<TBitmapStore> ProvideSizedPicture(void*, const WideString& name) { return test::SizedGreyPicture(name); }

class ThirdSlideTest : public ::testing::Test {
protected:
  Ref<TThirdSlide> MakeOverlay(const TShowOptions& options = {}) {
    const TOverlayGeometry geometry{kFrame, 600, {800, 600}};
    return MakeRef<TThirdSlide>(*Accessor, options, *Root, geometry, [this] { return Now; });
  }
  Ref<TOrvDialog> Dialog(const char16_t* name, bool holds = true) {
    return MakeRef<TOrvDialog>(Host, WideString(name), holds);
  }
  // Draws the overlay once (a dialog fades only once it has been drawn).
  std::string Draw(TThirdSlide& overlay) {
    test::TDrawRecorder recorder;
    overlay.Draw(recorder);
    return recorder.Sequence;
  }
  float Opacity(const TThirdSlide& overlay, size_t index = 0) {
    return overlay.DialogCount() > index ? overlay.TopDialog()->GetOpacityBase() : -1;
  }

  static constexpr TRect kFrame{100, 50, 700, 550};
  int64_t Now = 1000;
  Ref<TFileAccessor> Accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  Ref<TCallbackHandle> Provider = Accessor->AddPictureProvider({&ProvideSizedPicture, nullptr});
  Ref<TOrvSlideHost> Host = MakeRef<TOrvSlideHost>(Accessor, test::TestHostCallbacks());
  Ref<TRootItem> Root = MakeRef<TRootItem>();
};

TEST_F(ThirdSlideTest, ADialogFadesInFromItsFirstDrawingAndASecondRequestClosesIt) {
  const Ref<TThirdSlide> overlay = MakeOverlay();
  overlay->OpenDialog(Dialog(u"help"));
  ASSERT_EQ(overlay->DialogCount(), 1u);
  EXPECT_TRUE(overlay->IsChanged());
  EXPECT_EQ(Opacity(*overlay), 0);
  Now += 500;
  overlay->Update();  // not drawn yet: the fade waits
  Draw(*overlay);
  EXPECT_FALSE(overlay->IsChanged());
  overlay->Update();
  Now += 100;
  overlay->Update();
  EXPECT_FLOAT_EQ(Opacity(*overlay), 50);
  EXPECT_TRUE(overlay->IsChanged());
  Now += 100;
  overlay->Update();
  EXPECT_FLOAT_EQ(Opacity(*overlay), 100);
  Draw(*overlay);
  overlay->Update();
  EXPECT_FALSE(overlay->IsChanged());  // an open dialog at rest draws nothing new

  overlay->OpenDialog(Dialog(u"help"));
  ASSERT_EQ(overlay->DialogCount(), 1u);
  overlay->Update();
  Now += 150;
  overlay->Update();
  EXPECT_FLOAT_EQ(Opacity(*overlay), 25);
  overlay->OpenDialog(Dialog(u"other"));  // dropped while a dialog closes
  Now += 50;
  overlay->Update();
  EXPECT_EQ(overlay->DialogCount(), 0u);
  EXPECT_TRUE(overlay->IsChanged());
}

TEST_F(ThirdSlideTest, CloseRequestsPickTheTopDialogForIndexesOutOfRange) {
  const Ref<TThirdSlide> overlay = MakeOverlay();
  overlay->CloseDialog(-1);  // none open: nothing happens
  overlay->Update();
  overlay->OpenDialog(nullptr);
  EXPECT_EQ(overlay->DialogCount(), 0u);
  overlay->OpenDialog(Dialog(u"a"));
  overlay->OpenDialog(Dialog(u"b"));
  Draw(*overlay);
  overlay->CloseDialog(7);
  overlay->Update();
  Now += 200;
  overlay->Update();
  ASSERT_EQ(overlay->DialogCount(), 1u);
  EXPECT_EQ(overlay->TopDialog()->DialogName(), u"a");
}

TEST_F(ThirdSlideTest, MovingOnClosesTheDialogsThatHoldTheShowAndKeepsTheOthers) {
  const Ref<TThirdSlide> overlay = MakeOverlay();
  overlay->OpenDialog(Dialog(u"a", true));
  overlay->OpenDialog(Dialog(u"b", false));
  overlay->OpenDialog(Dialog(u"c", true));
  overlay->OpenDialog(Dialog(u"d", false));
  EXPECT_TRUE(overlay->HoldsShow());
  Draw(*overlay);
  overlay->CloseHoldingDialogs();
  ASSERT_EQ(overlay->DialogCount(), 3u);  // "a" went at once
  overlay->Update();
  Now += 200;
  overlay->Update();  // "c" faded out
  ASSERT_EQ(overlay->DialogCount(), 2u);
  EXPECT_FALSE(overlay->HoldsShow());
  EXPECT_EQ(overlay->TopDialog()->DialogName(), u"d");
  overlay->CloseHoldingDialogs();
  EXPECT_EQ(overlay->DialogCount(), 2u);
}

TEST_F(ThirdSlideTest, TheLogoIsReducedPlacedAndDrawnBeforeTheBorder) {
  TShowOptions options;
  options.Logo = true;
  options.LogoFileName = u"400x200.bmp";
  options.LogoPosition = 7;  // right-bottom
  options.LogoOpacity = 40;
  const Ref<TThirdSlide> overlay = MakeOverlay(options);
  ASSERT_TRUE(overlay->LogoIndex());
  const TOverlayPicture& logo = overlay->Pictures()[*overlay->LogoIndex()];
  // 10 % of the 500-pixel frame height: 100 × 50, halved twice from 400 × 200.
  EXPECT_EQ(logo.Rect, (TRect{600, 500, 700, 550}));
  EXPECT_EQ(logo.Picture->Width(), 100);
  EXPECT_EQ(logo.Picture->Height(), 50);
  EXPECT_FLOAT_EQ(logo.Params.Opacity, 40);
  Root->SetFrame(kFrame, 0xFF000000u);
  EXPECT_EQ(Draw(*overlay), "IBBBB");
  EXPECT_FALSE(overlay->IsChanged());

  options.Logo = false;
  EXPECT_FALSE(MakeOverlay(options)->LogoIndex());
}

// The main window's dialog lies over everything, the border included, and its coming and
// going are changes to draw.
TEST_F(ThirdSlideTest, TheWindowDialogIsDrawnLastUntilTakenAway) {
  const Ref<TThirdSlide> overlay = MakeOverlay();
  Root->SetFrame(kFrame, 0xFF000000u);
  Draw(*overlay);
  ASSERT_FALSE(overlay->IsChanged());
  Ref<TBitmap> pixels = TBitmap::Create(40, 20, pf::A8R8G8B8);
  overlay->SetWindowDialog(MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"dialog", pixels)), TRect{0, 0, 40, 20});
  EXPECT_TRUE(overlay->IsChanged());
  EXPECT_EQ(Draw(*overlay), "BBBBI");
  EXPECT_FALSE(overlay->IsChanged());
  overlay->SetWindowDialog(nullptr, {});
  EXPECT_TRUE(overlay->IsChanged());
  EXPECT_EQ(Draw(*overlay), "BBBB");
}

TEST_F(ThirdSlideTest, AFadingDialogsBackgroundFadesWithIt) {
  const Ref<TOrvDialog> dialog = Dialog(u"help");
  TSlideBackground background;
  background.Color1 = {0, 255, 0, 255};
  dialog->LoadEmpty(background, 0, {10000, 0, 0});
  dialog->SetGeometry({400, 300}, {800, 600}, {800, 600});
  dialog->UpdateAt(true, 0);
  test::TDrawRecorder recorder;
  dialog->SetOpacity(50);
  dialog->Draw(recorder);
  ASSERT_EQ(recorder.Boxes.size(), 1u);
  EXPECT_EQ(recorder.Boxes[0].Params.Color1 >> 24, 128u);
}

}  // namespace
}  // namespace orv
