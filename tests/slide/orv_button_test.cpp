#include "slide/orv_button.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "button_theme_fixture.h"
#include "slide/slide_host.h"
#include "slide_tree_fixture.h"

namespace orv {
namespace {

using test::KeyPoint;
using test::Object;

TEST(ButtonWidth, IsTheLargestOfHeightMinimumAndCaptionRoom) {
  struct TCase {
    TButtonWidthInputs inputs;
    int expected;
  } cases[] = {
      {{30, 0, 0, 100, 100}, 30},        // no caption: the height
      {{30, 250, 0, 100, 100}, 75},      // the minimum width
      {{25, 101, 0, 100, 100}, 25},      // 25.25 rounds down to the height
      {{25, 103, 0, 100, 100}, 26},      // 25.75 rounds up
      {{30, 0, 4, 100, 100}, 150},       // caption 30 × 4 and a height beside it
      {{30, 0, 4, 80, 50}, 111},         // (30 − 6) × 4 + 15
      {{30, 0, 0.1, 100, 10}, 30},       // a short caption leaves the height
      {{30, 0, NAN, 100, 100}, 30},      // nonsense counts for nothing
      {{30, 0, 1e300, 100, 100}, INT_MAX},
  };
  for (const TCase& c : cases) {
    const TButtonWidthInputs& i = c.inputs;
    EXPECT_EQ(ButtonWidth(i), c.expected) << i.DesignHeight << " " << i.MinWidth << " " << i.CaptionAspect << " "
                                          << i.CaptionScale << " " << i.OffsetX;
  }
}

// Records the pictures drawn and their opacity.
class TPictureDrawer : public test::TRecordingDrawer {
public:
  struct TDrawn {
    TImage* Picture;
    TRectF Window;
    float Opacity;
  };
  std::vector<TDrawn> Drawn;
  void DrawImage(TImage& picture, const TQuadFrame&, const TRectF& window, const TImageDrawParams& params) override {
    Drawn.push_back({&picture, window, params.Opacity});
  }
};

class ButtonObjects : public test::TSlideTreeFixture, public testing::Test {
protected:
  ButtonObjects() {
    Source->Files[u"Buttons\\aqua\\btn.ini"] =
        test::SheetState("NormalState", "parts.bmp") + "[TextParams]\nColor=1,2,3\nBtnOffset=20\nBtnMinWidth=300\n";
    Source->Files[u"Buttons\\aqua\\parts.bmp"] = test::PartSheet();
    Host = MakeRef<TOrvSlideHost>(MakeRef<TFileAccessor>(Source, u""), test::TestHostCallbacks(), u"Buttons\\");
  }
  TOrvButton& Button(std::u16string_view name) { return dynamic_cast<TOrvButton&>(Find(name)); }

  Ref<test::TMemoryFileSource> Source = MakeRef<test::TMemoryFileSource>();
};

TEST_F(ButtonObjects, TheThemeGivesSizeMinimumWidthAndThreeStatePictures) {
  // The theme "glass" does not exist: "aqua" stands in.
  Build(Object("B:Button", "Theme=glass\n") + Object("Wide:Button", "Theme=glass\nBtnMinWidth=500\n"));
  TOrvButton& button = Button(u"B");
  ASSERT_TRUE(button.Producer());
  EXPECT_EQ(button.Producer()->Theme(), u"aqua");
  // 300 % of the height 5 from "btn.ini" unless the button's own key says otherwise.
  EXPECT_EQ(button.Size(), (TSizeF{15, 5}));
  EXPECT_EQ(Button(u"Wide").Size(), (TSizeF{25, 5}));
  for (TButtonState state : {TButtonState::Normal, TButtonState::Hover, TButtonState::Click}) {
    const Ref<TImage>& picture = button.StatePicture(state);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 15);
    EXPECT_EQ(picture->Height(), 5);
  }
  EXPECT_EQ(button.StatePicture(TButtonState::Hover)->Name(), u"Button: aqua:1:15:0:0:0");
}

TEST_F(ButtonObjects, ScalesFollowTheParentHeight) {
  // Same button in a tall and in a short box; the box widths would matter for a picture.
  Build(Object("Tall:Box", "Size=40,1000\n" + Object("T:Button", KeyPoint("ScaleX=50\nScaleY=100"))) +
        Object("Short:Box", "Size=400,500\n" + Object("S:Button", KeyPoint("ScaleX=50\nScaleY=100"))));
  const TPlacement& tall = Button(u"T").Placement();
  const TPlacement& short_one = Button(u"S").Placement();
  // ScaleY × parent height / design height / 100.
  EXPECT_DOUBLE_EQ(tall.FitScaleY, 100 * 1000 / 5 / 100.0);
  EXPECT_DOUBLE_EQ(tall.FitScaleX, 50 * 1000 / 5 / 100.0);
  EXPECT_DOUBLE_EQ(short_one.FitScaleY, tall.FitScaleY / 2);
  EXPECT_DOUBLE_EQ(short_one.FitScaleX, tall.FitScaleX / 2);
}

TEST_F(ButtonObjects, TheMouseStateChoosesThePictureDrawn) {
  Build(Object("B:Button", "BtnOpacity=40\nAction=nextslide\n"));
  TOrvButton& button = Button(u"B");
  const struct {
    TMouseState mouse;
    TButtonState shown;
  } cases[] = {{TMouseState::Hover, TButtonState::Hover},
               {TMouseState::Click, TButtonState::Click},
               {TMouseState::Normal, TButtonState::Normal}};
  for (const auto& c : cases) {
    button.SetMouseState(c.mouse);
    TPictureDrawer drawer;
    button.DrawSelf(drawer);
    ASSERT_EQ(drawer.Drawn.size(), 1u);
    EXPECT_EQ(drawer.Drawn[0].Picture, button.StatePicture(c.shown).Get());
    EXPECT_EQ(drawer.Drawn[0].Window, (TRectF{0, 0, 15, 5}));
    EXPECT_FLOAT_EQ(drawer.Drawn[0].Opacity, 40);
  }
}

TEST_F(ButtonObjects, ItsShadowIsCastByTheButtonPictureAndDrawnBelowIt) {
  Build(Object("B:Button", "ShadowEnable=1\n"));
  TOrvButton& button = Button(u"B");
  auto drawer = MakeRef<TPictureDrawer>();
  button.PrepareResources(*drawer);
  button.DrawSelf(*drawer);
  ASSERT_EQ(drawer->Drawn.size(), 2u);
  const WideString& shadow = drawer->Drawn[0].Picture->Name();
  EXPECT_TRUE(shadow.starts_with(u"Shadow: ")) << Utf16ToUtf8(shadow);
  EXPECT_TRUE(shadow.ends_with(button.StatePicture(TButtonState::Normal)->Name())) << Utf16ToUtf8(shadow);
  EXPECT_EQ(drawer->Drawn[1].Picture, button.StatePicture(TButtonState::Normal).Get());
  button.ReleaseResources();
}

TEST_F(ButtonObjects, TheCaptionTakesTheThemeColourAndItsScaleForOneKeyPoint) {
  Build(Object("One:Button", Object("C1:Text", "TextColor=200,200,200\n" + KeyPoint("ScaleX=70\nScaleY=70"))) +
        Object("Two:Button", Object("C2:Text", KeyPoint("ScaleX=70\nScaleY=70") + KeyPoint("Time=500"))));
  const auto& one = dynamic_cast<TOrvText&>(Find(u"C1"));
  const auto& two = dynamic_cast<TOrvText&>(Find(u"C2"));
  for (const TIniColor& colour : {one.TextSettings().TextColor, one.TextSettings().TextColorHover,
                                  one.TextSettings().TextColorClick, two.TextSettings().TextColor})
    EXPECT_EQ(colour, (TIniColor{1, 2, 3, 255}));
  // 100 − "BtnOffset" 20 for the single key point; two key points keep their own scale.
  EXPECT_EQ(Button(u"One").CaptionScale(), 80.0);
  EXPECT_FALSE(Button(u"Two").CaptionScale());
  EXPECT_DOUBLE_EQ(one.Placement().FitScaleX / two.Placement().FitScaleX, 80.0 / 70.0);
}

TEST_F(ButtonObjects, WithoutAnyThemeAButtonHasNoPictureAndDrawsNothing) {
  Source->Files.clear();
  Build(Object("B:Button", "Theme=glass\n"));
  TOrvButton& button = Button(u"B");
  EXPECT_FALSE(button.Producer());
  EXPECT_FALSE(button.StatePicture(TButtonState::Normal));
  TPictureDrawer drawer;
  button.DrawSelf(drawer);
  EXPECT_TRUE(drawer.Drawn.empty());
}

}  // namespace
}  // namespace orv
