// The navigation panel inside the overlay: its placement, how mouse events reach the bar
// and come back as actions, the auto-hide fades, and frames captured without it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "draw_recorder.h"
#include "nav/third_slide.h"
#include "nav_skin_fixture.h"

namespace orv {
namespace {

Ref<TBitmapStore> ProvideSizedPicture(void*, const WideString& name) { return test::SizedGreyPicture(name); }

class NavPanelTest : public ::testing::Test {
protected:
  NavPanelTest() {
    Folder = (std::filesystem::path(::testing::TempDir()) / "nav_panel_test").string() + "/";
    std::filesystem::create_directories(Folder);
    Options.ShowPanel = true;
    Options.NavIniFile = test::WriteClassicSkin(Folder);
    Options.PanelPosition = TPanelPosition::LeftTop;
    Options.NavOffset = 0;
    Options.NavViewScale = 10;
    Options.NavWindowArea = true;
    Options.NavButtons = {u"home", u"print", u"forward", u"pause"};
  }
  // Over a 400 × 280 window the bar is 28 pixels high: twice its 44 × 14, at (0, 0).
  Ref<TThirdSlide> MakeOverlay() {
    TOverlayShowLink show;
    show.IsPlaying = [] { return true; };
    return MakeRef<TThirdSlide>(*Accessor, Options, *Root, TOverlayGeometry{kFrame, 0, {400, 280}},
                                [this] { return Now; }, std::move(show));
  }
  WideString WriteSkin(const std::string& name, const std::string& text) {
    std::ofstream(Folder + name, std::ios::binary) << text;
    return Utf8ToUtf16(Folder + name);
  }
  static TOverlayMouseResult Mouse(TThirdSlide& overlay, TMouseEvent kind, int x, int y,
                                   TMouseButton button = TMouseButton::None, int buttons = 0) {
    return overlay.MouseEvent({kind, x, y, buttons, int(button)});
  }
  static std::string Draw(TThirdSlide& overlay) {
    test::TDrawRecorder recorder;
    overlay.Draw(recorder);
    return recorder.Sequence;
  }
  static float PanelOpacity(const TThirdSlide& overlay) {
    return overlay.Pictures().at(*overlay.PanelIndex()).Params.Opacity;
  }

  static constexpr TRect kFrame{100, 50, 300, 250};
  std::string Folder;
  TShowOptions Options;
  int64_t Now = 10000;
  Ref<TFileAccessor> Accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  Ref<TCallbackHandle> Skin = Accessor->AddPictureProvider({&test::ProvideSkinTextures, nullptr});
  Ref<TCallbackHandle> Video = Accessor->AddPictureProvider({&test::ProvideVideoSkinTextures, nullptr});
  Ref<TCallbackHandle> Sized = Accessor->AddPictureProvider({&ProvideSizedPicture, nullptr});
  Ref<TRootItem> Root = MakeRef<TRootItem>();
};

TEST_F(NavPanelTest, ThePanelIsPlacedByItsAnchorInTheWindowOrTheFrame) {
  struct TCase {
    TPanelPosition Position;
    double Offset;
    bool WindowArea;
    TRect Expected;
  };
  // In the 200 × 200 frame the bar is 20 high and nint(20 × 44 / 14) = 63 wide.
  const TCase cases[] = {
      {TPanelPosition::LeftTop, 0, true, {0, 0, 88, 28}},
      {TPanelPosition::RightBottom, 0, true, {312, 252, 400, 280}},
      {TPanelPosition::Bottom, 10, false, {168, 220, 231, 240}},
      {TPanelPosition::Center, 0, false, {168, 140, 231, 160}},
  };
  for (const TCase& c : cases) {
    Options.PanelPosition = c.Position;
    Options.NavOffset = c.Offset;
    Options.NavWindowArea = c.WindowArea;
    const Ref<TThirdSlide> overlay = MakeOverlay();
    ASSERT_TRUE(overlay->PanelIndex());
    EXPECT_EQ(overlay->Pictures()[*overlay->PanelIndex()].Rect, c.Expected) << int(c.Position);
  }
}

TEST_F(NavPanelTest, MouseEventsReachTheBarAndComeBackAsActions) {
  const Ref<TThirdSlide> overlay = MakeOverlay();
  constexpr auto kMove = TMouseEvent::Move;
  constexpr auto kDown = TMouseEvent::Down;
  constexpr auto kUp = TMouseEvent::Up;
  constexpr auto kLeft = TMouseButton::Left;
  struct TStep {
    TMouseEvent Kind;
    int X, Y;
    TMouseButton Button;
    int Buttons;
    bool Taken;
    uint8_t Action;
    const char* What;
  };
  const TStep steps[] = {
      {kMove, 300, 200, TMouseButton::None, 0, false, TOrvActionInfo::kNone, "away from the panel"},
      {kMove, 20, 10, TMouseButton::None, 0, true, TOrvActionInfo::kTakenByPanel, "onto home"},
      {kDown, 20, 10, kLeft, 0, true, TOrvActionInfo::kTakenByPanel, "press home"},
      {kUp, 20, 10, kLeft, 16, true, TOrvActionInfo::kGoToSlide, "release: home goes to the first slide"},
      {kDown, 40, 10, kLeft, 0, true, TOrvActionInfo::kTakenByPanel, "press forward"},
      {kUp, 41, 11, kLeft, 16, true, TOrvActionInfo::kNextSlide, "release on forward"},
      {kDown, 66, 10, TMouseButton::Right, 0, true, TOrvActionInfo::kNone, "right press: taken, no action"},
      {kUp, 66, 10, TMouseButton::Right, 0, true, TOrvActionInfo::kNone, "right release"},
      {kDown, 66, 10, kLeft, 0, true, TOrvActionInfo::kTakenByPanel, "press pause"},
      {kUp, 66, 10, kLeft, 16, true, TOrvActionInfo::kPause, "pause"},
      {kDown, 2, 2, kLeft, 0, true, TOrvActionInfo::kTakenByPanel, "press beside the buttons"},
      {kUp, 2, 2, kLeft, 16, true, TOrvActionInfo::kTakenByPanel, "a click on no button"},
      {kDown, 40, 10, kLeft, 0, true, TOrvActionInfo::kTakenByPanel, "press forward again"},
      {kMove, 300, 200, TMouseButton::None, 16, false, TOrvActionInfo::kNone, "drag off the panel"},
      {kUp, 300, 200, kLeft, 16, false, TOrvActionInfo::kNone, "release away: no click"},
      {kMove, 20, 10, TMouseButton::None, 16, true, TOrvActionInfo::kTakenByPanel, "a drag from elsewhere"},
      {TMouseEvent::DoubleClick, 20, 10, kLeft, 0, true, TOrvActionInfo::kNone, "double clicks pass by"},
      {kMove, kPointerOutside, kPointerOutside, TMouseButton::None, 0, false, TOrvActionInfo::kNone, "left"},
  };
  for (const TStep& s : steps) {
    const TOverlayMouseResult result = Mouse(*overlay, s.Kind, s.X, s.Y, s.Button, s.Buttons);
    EXPECT_EQ(result.Taken, s.Taken) << s.What;
    EXPECT_EQ(result.PanelAction.Kind, s.Action) << s.What;
    EXPECT_EQ(result.PanelAction.Number, 0) << s.What;
  }
  EXPECT_EQ(overlay->PointerState(), TPanelPointer::Moving);
}

TEST_F(NavPanelTest, ACapturedFrameLeavesThePanelOutAndTheBorderGoesUnderThePanel) {
  Options.Logo = true;
  Options.LogoFileName = u"40x20.bmp";
  const Ref<TThirdSlide> overlay = MakeOverlay();
  ASSERT_TRUE(overlay->LogoIndex());
  ASSERT_TRUE(overlay->PanelIndex());
  Root->SetFrame(kFrame, 0xFF000000u);
  // The logo, the four bands of the border, then the panel, which lies outside the frame.
  EXPECT_EQ(Draw(*overlay), "IBBBBI");
  overlay->SetCapturing(true);
  EXPECT_EQ(Draw(*overlay), "IBBBB");
  overlay->SetCapturing(false);
  EXPECT_EQ(Draw(*overlay), "IBBBBI");
}

TEST_F(NavPanelTest, AnAutoHidingPanelFadesInOnMovementAndStaysWhileThePointerRestsOnIt) {
  Options.HideNavBar = true;
  Options.NavHideInterval = 2;
  Options.NavFadeIn = 500;
  Options.NavHideFadeOut = 1000;
  const Ref<TThirdSlide> overlay = MakeOverlay();
  EXPECT_FLOAT_EQ(PanelOpacity(*overlay), 0);
  EXPECT_EQ(overlay->PointerState(), TPanelPointer::Idle);
  Draw(*overlay);
  overlay->Update();
  EXPECT_FALSE(overlay->IsChanged());

  Mouse(*overlay, TMouseEvent::Move, 300, 200);  // the first sample only records the point
  overlay->Update();
  EXPECT_EQ(overlay->PointerState(), TPanelPointer::Idle);
  Mouse(*overlay, TMouseEvent::Move, 306, 200);
  EXPECT_EQ(overlay->PointerState(), TPanelPointer::Moving);
  overlay->Update();  // the fade in starts
  Now += 250;
  overlay->Update();
  EXPECT_FLOAT_EQ(PanelOpacity(*overlay), 50);
  EXPECT_TRUE(overlay->IsChanged());
  Now += 2500;
  overlay->Update();  // idle: the fade out starts
  Now += 500;
  overlay->Update();
  EXPECT_FLOAT_EQ(PanelOpacity(*overlay), 50);

  Mouse(*overlay, TMouseEvent::Move, 20, 10);  // onto the panel, mid-fade
  EXPECT_EQ(overlay->PointerState(), TPanelPointer::OverPanel);
  overlay->Update();
  overlay->Update();
  EXPECT_FLOAT_EQ(PanelOpacity(*overlay), 50);  // the fade in goes on from there
  Now += 10000;
  overlay->Update();
  overlay->Update();
  EXPECT_FLOAT_EQ(PanelOpacity(*overlay), 100);
  Draw(*overlay);
  overlay->Update();
  EXPECT_FALSE(overlay->IsChanged());
}

TEST_F(NavPanelTest, ASkinThatCannotBeUsedLeavesTheShowWithoutABar) {
  const std::string broken_cell = "[Common]\r\nColsCount=1\r\nRowsCount=1\r\n[CellWithObjects]\r\nCell=1\r\n";
  struct TCase {
    WideString Skin;
    bool HasBar;
  };
  const TCase cases[] = {
      {WriteSkin("broken.ini", broken_cell), false},
      {WriteSkin("video.ini", "[Common]\r\nVideoStyle=1\r\n"), true},  // no sizes: the bar draws nothing
      {Utf8ToUtf16(Folder + "missing.ini"), false},
      {u"", false},
  };
  for (const TCase& c : cases) {
    Options.NavIniFile = c.Skin;
    const Ref<TThirdSlide> overlay = MakeOverlay();
    ASSERT_TRUE(overlay->Panel());
    EXPECT_EQ(bool(overlay->Panel()->Bar()), c.HasBar);
    EXPECT_FALSE(overlay->PanelIndex());
    EXPECT_FALSE(Mouse(*overlay, TMouseEvent::Down, 20, 10, TMouseButton::Left).Taken);
  }
}

// The video-style bar spans the window's width at the bottom; its exit button sits apart in
// the top-right corner and takes the events of the upper half.
TEST_F(NavPanelTest, TheVideoStyleBarLiesAtTheBottomWithItsExitButtonInTheCorner) {
  Options.NavIniFile = test::WriteVideoSkin(Folder);
  Options.NavVideoExit = true;
  const Ref<TThirdSlide> overlay = MakeOverlay();
  ASSERT_TRUE(overlay->PanelIndex());
  EXPECT_EQ(overlay->Pictures()[*overlay->PanelIndex()].Rect, (TRect{0, 260, 400, 280}));
  EXPECT_EQ(overlay->Panel()->SecondRect(), (TRect{380, 0, 400, 20}));
  struct TStep {
    int X, Y;
    uint8_t Action;
    const char* What;
  };
  const TStep steps[] = {
      {16, 269, TOrvActionInfo::kNextSlide, "forward, the only extra button asked for"},
      {6, 269, TOrvActionInfo::kPause, "play/pause"},
      {390, 10, TOrvActionInfo::kExit, "the exit button"},
      {200, 10, TOrvActionInfo::kNone, "the upper half beside the exit button"},
  };
  for (const TStep& s : steps) {
    EXPECT_EQ(Mouse(*overlay, TMouseEvent::Down, s.X, s.Y, TMouseButton::Left).PanelAction.Kind, s.Action) << s.What;
    Mouse(*overlay, TMouseEvent::Up, s.X, s.Y, TMouseButton::Left, 16);
  }
}

}  // namespace
}  // namespace orv
