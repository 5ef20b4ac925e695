// The video-style bar built from a skin whose pictures the test generates: its first
// drawing, the play state, the buttons acting on the press, muting, and thumb drags that
// pause a playing show and resume it.
#include "nav/video_nav_bar.h"

#include <gtest/gtest.h>

#include "image/picture_cache.h"
#include "nav_skin_fixture.h"

namespace orv {
namespace {

using test::IconColour;
using test::kBack;
using test::kLine;
using test::kThumb;
using test::kVideoSkin;

class VideoNavBarTest : public ::testing::Test {
protected:
  Ref<TVideoNavBar> MakeBar(double duration = 60000) {
    Ref<TVideoNavBar> bar = MakeRef<TVideoNavBar>();
    bar->Callbacks.LoadTexture = [this](WideView name) { return GetImage(*Accessor, name)->GetLevel(0); };
    bar->Callbacks.IsPlaying = [this] { return Playing; };
    bar->Callbacks.GetDuration = [duration] { return duration; };
    bar->Callbacks.OnClick = [this](TCustomNavBar&, int index) {
      Clicks.push_back(index);
      if (index == -1) Playing = !Playing;
    };
    bar->Callbacks.SetTime = [this](double ms) { Times.push_back(ms); };
    bar->Callbacks.SetVolume = [this](float level) { Volumes.push_back(level); };
    bar->Callbacks.OnImageChanged = [this](TCustomNavBar&, const TRect&) { ++Redraws; };
    Ref<TIniFile> tree = MakeRef<TIniFile>();
    tree->LoadFromBytes(kVideoSkin);
    bar->Load(tree, u"video/");
    bar->SetAreaWidth(400);
    bar->SetDpiScale(1);
    bar->SetButtons({1, 7});  // forward; an index the bar does not declare is dropped
    bar->Tick(0);
    bar->SetVolumeLevel(0.5f);
    return bar;
  }
  static uint32_t Pixel(const TVideoNavBar& bar, int x, int y) { return bar.Picture()->PixelArgb(x, y); }
  static void Mouse(TVideoNavBar& bar, TMouseEvent event, int x, int y) {
    bar.MouseEvent(event == TMouseEvent::Move ? TMouseButton::None : TMouseButton::Left, 0, event, y, x);
  }

  bool Playing = true;
  std::vector<int> Clicks;
  std::vector<double> Times;
  std::vector<float> Volumes;
  int Redraws = 0;
  Ref<TFileAccessor> Accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  Ref<TCallbackHandle> Provider = Accessor->AddPictureProvider({&test::ProvideVideoSkinTextures, nullptr});
};

TEST_F(VideoNavBarTest, TheFirstDrawingLaysEveryElementOverTheBackground) {
  const Ref<TVideoNavBar> bar = MakeBar();
  ASSERT_FALSE(bar->Disabled());
  ASSERT_TRUE(bar->Picture());
  EXPECT_EQ(bar->Picture()->Width(), 400);
  EXPECT_EQ(bar->Picture()->Height(), 20);
  EXPECT_EQ(bar->Shown(), std::vector<int>{1});
  const TVideoBarLayout& l = bar->Layout();
  EXPECT_EQ(l.TrackStart, 26);
  EXPECT_EQ(l.TrackEnd, 296);
  EXPECT_EQ(l.SoundX, 346);
  EXPECT_EQ(l.VolumeStart, 358);
  struct TCase {
    int X, Y;
    uint32_t Colour;
    const char* What;
  };
  const TCase cases[] = {
      {0, 0, kBack, "background"},
      {6, 9, IconColour(0, 1), "the pause icon while playing"},
      {16, 9, IconColour(0, 5), "forward"},
      {150, 9, kLine, "time track"},
      {29, 9, kThumb, "the thumb at the track's start"},
      {350, 9, IconColour(0, 2), "sound on"},
      {378, 9, kThumb, "the volume thumb half way"},
      {360, 9, kLine, "volume track"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Pixel(*bar, c.X, c.Y), c.Colour) << c.What;
  bool digits = false;
  for (int x = l.TrackEnd; x < l.SoundX; ++x)
    for (int y = 0; y < 20; ++y) digits = digits || Pixel(*bar, x, y) != kBack;
  EXPECT_TRUE(digits) << "the time digits";
}

TEST_F(VideoNavBarTest, TheClockMovesTheThumbAndThePauseStateTheIcon) {
  const Ref<TVideoNavBar> bar = MakeBar();
  const int redraws = Redraws;
  bar->Tick(0);
  EXPECT_EQ(Redraws, redraws);  // nothing changed: nothing drawn
  bar->Tick(30000);
  EXPECT_EQ(Pixel(*bar, 29, 9), kLine);
  EXPECT_EQ(Pixel(*bar, 26 + 3 + 132, 9), kThumb);  // half of the 264 pixels the thumb runs
  Playing = false;
  bar->Tick(30000);
  EXPECT_TRUE(bar->PausedShown());
  EXPECT_EQ(Pixel(*bar, 6, 9), IconColour(0, 0));  // the play icon
  bar->SetVolumeLevel(0);
  EXPECT_EQ(Pixel(*bar, 350, 9), IconColour(0, 3));
}

TEST_F(VideoNavBarTest, ButtonsActOnThePressAndTheSoundButtonMutesAndRestores) {
  const Ref<TVideoNavBar> bar = MakeBar();
  Mouse(*bar, TMouseEvent::Move, 16, 9);
  EXPECT_EQ(bar->State(3), TVideoNavBar::kHover);
  EXPECT_EQ(Pixel(*bar, 16, 9), IconColour(1, 5));
  Mouse(*bar, TMouseEvent::Down, 16, 9);
  EXPECT_EQ(Clicks, std::vector<int>{0});  // the first extra button
  EXPECT_EQ(Pixel(*bar, 16, 9), IconColour(2, 5));
  Mouse(*bar, TMouseEvent::Move, 6, 9);  // held down: no hover anywhere
  EXPECT_EQ(bar->State(0), TVideoNavBar::kNormal);
  Mouse(*bar, TMouseEvent::Up, 6, 9);
  EXPECT_EQ(bar->State(3), TVideoNavBar::kNormal);
  EXPECT_EQ(Clicks.size(), 1u);

  Mouse(*bar, TMouseEvent::Down, 6, 9);
  EXPECT_EQ(Clicks.back(), -1);
  EXPECT_TRUE(bar->PausedShown());
  Mouse(*bar, TMouseEvent::Up, 6, 9);

  Mouse(*bar, TMouseEvent::Down, 350, 9);
  Mouse(*bar, TMouseEvent::Up, 350, 9);
  Mouse(*bar, TMouseEvent::Down, 350, 9);
  EXPECT_EQ(Volumes, (std::vector<float>{0, 0.5f}));
  EXPECT_DOUBLE_EQ(bar->Volume(), 0.5);
}

TEST_F(VideoNavBarTest, DraggingTheThumbPausesAPlayingShowAndResumesIt) {
  struct TCase {
    bool Playing;
    std::vector<int> Clicks;
  };
  for (const TCase& c : {TCase{true, {-1, -1}}, TCase{false, {}}}) {
    Clicks.clear();
    Times.clear();
    Playing = c.Playing;
    const Ref<TVideoNavBar> bar = MakeBar();
    Mouse(*bar, TMouseEvent::Down, 29, 10);  // on the thumb: grabbed at its centre
    EXPECT_TRUE(bar->PausedShown());
    Mouse(*bar, TMouseEvent::Move, 29 + 132, 10);
    Mouse(*bar, TMouseEvent::Up, 29 + 264, 10);
    EXPECT_EQ(Clicks, c.Clicks);
    ASSERT_EQ(Times.size(), 2u);
    EXPECT_DOUBLE_EQ(Times[0], 30000);
    EXPECT_DOUBLE_EQ(Times[1], 60000);
    EXPECT_EQ(bar->PausedShown(), !c.Playing);
  }
}

TEST_F(VideoNavBarTest, ABarThatDoesNotFitIsDisabledAndTakesNothing) {
  Ref<TVideoNavBar> bar = MakeRef<TVideoNavBar>();
  Ref<TIniFile> tree = MakeRef<TIniFile>();
  tree->LoadFromBytes(kVideoSkin);
  bar->Callbacks.LoadTexture = [this](WideView name) { return GetImage(*Accessor, name)->GetLevel(0); };
  bar->Load(tree, u"video/");
  bar->SetAreaWidth(120);
  bar->SetBarHeight(20);
  bar->SetButtons({0, 1});
  EXPECT_TRUE(bar->Disabled());
  EXPECT_FALSE(bar->Picture());
  Mouse(*bar, TMouseEvent::Down, 6, 9);
  EXPECT_THROW(bar->Load(tree, u"video"), EAssertionFailed);  // "Path delimiter nof found!"
}

}  // namespace
}  // namespace orv
