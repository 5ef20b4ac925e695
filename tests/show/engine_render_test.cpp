// The engine drawing into a real (hidden, off-screen) window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "engine_test_support.h"
#include "platform/platform_window.h"
#include "render/gl/gl_engine.h"
#include "show/engine_viewer.h"

namespace orv::test {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Frames asked for at fixed times; optionally fails on one of them.
class TListSink : public TFrameSink {
public:
  TListSink(std::deque<double> times, int failing_frame = -1) : FTimes(std::move(times)), FFailingFrame(failing_frame) {}

  std::optional<double> NextFrameTime() override {
    if (FTimes.empty()) return std::nullopt;
    return FTimes.front();
  }
  void PutFrame(TImage& frame) override {
    if (int(Sizes.size()) == FFailingFrame) throw std::runtime_error("disk full");
    Sizes.push_back({frame.Width(), frame.Height()});
    const Ref<TBitmap> pixels = frame.GetLevel(0, &pf::A8R8G8B8);
    Corners.push_back(reinterpret_cast<const std::uint32_t*>(pixels->Row(0))[0]);
    FTimes.pop_front();
  }
  void Finish(const std::string& error) override { Finished.push_back(error); }

  std::vector<TIntPair> Sizes;
  std::vector<std::uint32_t> Corners;  // the top left pixel of every frame
  std::vector<std::string> Finished;

private:
  std::deque<double> FTimes;
  int FFailingFrame;
};

class EngineRenderTest : public EngineHarness {
protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    EngineHarness::SetUp();
    Window = std::make_unique<TPlatformWindow>(
        TWindowParams{"engine test", RectOfSize(kWidth, kHeight), TWindowMode::Borderless, 0, false});
    Device = MakeRef<TDrawDevice>(Window.get());
    Device->Refresh();
    Controller = MakeRef<TOrvDrawController>(Device, CreateEngineGL());
    Controller->Init();
  }
  void TearDown() override {
    EngineHarness::TearDown();
    Controller.Reset();
    Device->Kill();
    Device.Reset();
    Window.reset();
  }

  int OffscreenExitCode() const {
    for (const Ref<TOrvEventData>& event : Events)
      if (event->Code == engine_notification::kOffscreenEnded) return event->Integers.at(0);
    return -1;
  }

  // Opens the show of `text` paused at 500 ms and waits for its first frame.
  void OpenPausedAndWaitForTheFirstFrame(const std::string& text) {
    auto project = MakeRef<TIniFile>();
    ASSERT_TRUE(project->LoadFromBytes(text));
    MakeEngine(Controller);
    Engine->Open(DefaultFileAccessor(), project, 500);
    Engine->Start();
    ASSERT_TRUE(WaitFor([&] { return FirstFrames == 1; }));
  }

  std::unique_ptr<TPlatformWindow> Window;
  Ref<TDrawDevice> Device;
  Ref<TOrvDrawController> Controller;
};

TEST_F(EngineRenderTest, OpeningPausedShowsTheFirstFrameWithoutPlaying) {
  MakeEngine(Controller);
  Engine->Open(DefaultFileAccessor(), EngineProject({}), 1500);
  Engine->Start();
  ASSERT_TRUE(WaitFor([&] { return FirstFrames == 1; }));
  Advance(200);
  EXPECT_FALSE(Engine->Active());
  EXPECT_DOUBLE_EQ(Current(), 1500);
  EXPECT_EQ(FirstFrames, 1);
}

TEST_F(EngineRenderTest, ALostDeviceIsMadeAgainAndThePlayingShowGoesOnDrawing) {
  MakeEngine(Controller);
  Engine->Open(DefaultFileAccessor(), EngineProject({}), 0);
  Engine->Start();
  SetPaused(false);
  ASSERT_TRUE(WaitFor([&] { return Engine->Active() && FirstFrames == 1; }));
  Advance(200);
  Device->NotifyLost();
  // The device comes back on the main thread; the slides draw again from their sources.
  ASSERT_TRUE(WaitFor([&] { return FirstFrames == 2; }));
  ASSERT_TRUE(WaitFor([&] { return Engine->Active(); }));
  const double resumed = Current();
  Advance(300);
  EXPECT_NEAR(Current(), resumed + 300, 20);
}

TEST_F(EngineRenderTest, OffscreenRunRendersEveryFrameTheSinkAsksFor) {
  Ref<TListSink> sink = MakeRef<TListSink>(std::deque<double>{0, 40, 1080, 1120, 2960, 3400});
  TOrvEngineSettings settings;
  settings.Clock = MakeRef<TFrameClock>(25);
  settings.Sink = sink;
  TEngineShow show;
  show.Repeat = "stop";
  show.EndActions = {{1, "pause"}};  // off in this mode: the show plays straight through
  MakeEngine(Controller, settings);
  Engine->Open(DefaultFileAccessor(), EngineProject(show), 0);
  Engine->Start();
  ASSERT_TRUE(WaitFor([&] { return OffscreenExitCode() >= 0; }));
  EXPECT_EQ(OffscreenExitCode(), kOffscreenDone);
  ASSERT_EQ(sink->Sizes.size(), 6u);
  // The show's 4:3 frame fills the window.
  for (const TIntPair& size : sink->Sizes) EXPECT_EQ(size, (TIntPair{kWidth, kHeight}));
  EXPECT_EQ(sink->Finished, (std::vector<std::string>{""}));
  EXPECT_DOUBLE_EQ(Current(), 3000);  // the end of a "stop" show holds
}

TEST_F(EngineRenderTest, ASlideEnteredWithoutTransitionShowsFromItsStartTime) {
  // Slide 2 starts at 1000 ms without a transition; the frame at exactly that time is its,
  // even when the run starts there and slide 1 is built first.
  Ref<TListSink> sink = MakeRef<TListSink>(std::deque<double>{1000, 1040});
  TOrvEngineSettings settings;
  settings.Clock = MakeRef<TFrameClock>(25);
  settings.Sink = sink;
  TEngineShow show;
  show.Colours = {{1, "#FF0000"}, {2, "#0000FF"}, {3, "#00FF00"}};
  show.EffectTimes = {{2, "0"}};
  MakeEngine(Controller, settings);
  Engine->Open(DefaultFileAccessor(), EngineProject(show), 1000);
  Engine->Start();
  ASSERT_TRUE(WaitFor([&] { return OffscreenExitCode() >= 0; }));
  EXPECT_EQ(sink->Corners, (std::vector<std::uint32_t>{0xFF0000FFu, 0xFF0000FFu}));
}

TEST_F(EngineRenderTest, ACustomTransitionShowsTheSlidesItJoinsAsItsPictures) {
  // Slide 2 comes in through "wave", whose slide is one picture standing for the outgoing
  // (buffer 1) or the incoming (buffer 2) slide over a green background.
  for (const int buffer : {1, 2}) {
    Ref<TListSink> sink = MakeRef<TListSink>(std::deque<double>{1250});
    TOrvEngineSettings settings;
    settings.Clock = MakeRef<TFrameClock>(25);
    settings.Sink = sink;
    TEngineShow show;
    show.Colours = {{1, "#FF0000"}, {2, "#0000FF"}, {3, "#00FF00"}};
    show.EffectMs = 500;
    std::string text = EngineShowText(show);
    text.insert(text.find("object push:push"), "object wave:custom\nchecked=1\nend\n");
    const std::size_t second = text.find("ref=push", text.find("[Slide2]"));
    text.replace(second, 8, "ref=wave");
    text += "[effect_wave]\nbstyle=1\nbcolor=#00FF00\nobject Container:Root\nobject Pic:Image\nGUID={P}\n"
            "ReplaceWithEffectBuffer=" + std::to_string(buffer) + "\nend\nend\n";
    auto project = MakeRef<TIniFile>();
    ASSERT_TRUE(project->LoadFromBytes(text));
    MakeEngine(Controller, settings);
    Engine->Open(DefaultFileAccessor(), project, 1250);
    Engine->Start();
    ASSERT_TRUE(WaitFor([&] { return OffscreenExitCode() >= 0; }));
    Engine.reset();
    Events.clear();
    // Away from the boxes in the middle of the slides, where the slide shows its colour.
    EXPECT_EQ(sink->Corners, (std::vector<std::uint32_t>{buffer == 1 ? 0xFFFF0000u : 0xFF0000FFu}));
  }
}

TEST_F(EngineRenderTest, OffscreenRunEndsWithTheSinksFailure) {
  Ref<TListSink> sink = MakeRef<TListSink>(std::deque<double>{0, 40, 80}, 1);
  TOrvEngineSettings settings;
  settings.Clock = MakeRef<TFrameClock>(25);
  settings.Sink = sink;
  MakeEngine(Controller, settings);
  Engine->Open(DefaultFileAccessor(), EngineProject({}), 0);
  Engine->Start();
  ASSERT_TRUE(WaitFor([&] { return OffscreenExitCode() >= 0; }));
  EXPECT_EQ(OffscreenExitCode(), kOffscreenFailed);
  EXPECT_EQ(sink->Sizes.size(), 1u);
  EXPECT_EQ(sink->Finished, (std::vector<std::string>{"disk full"}));
}

// A paused show with a logo and an open dialog draws nothing while nothing changes; the
// dialog holds the show even when asked to play.
TEST_F(EngineRenderTest, APausedShowWithLogoAndDialogDrawsNoFramesWhileIdle) {
  std::string text = EngineShowText({});
  text.insert(text.find('\n') + 1, "opt_logo=1\nopt_logo_fn=logo.png\nopt_logo_pos=7\n");
  text += "[dialog_1_]\nhelp=1\nobject Container:Root\n  object Pane:Box\n    GUID={P}\n    Size=50,50\n  end\nend\n";
  OpenPausedAndWaitForTheFirstFrame(text);
  const auto idle_frames = [this] {
    const uint64_t drawn = Engine->FramesDrawn();
    const uint64_t target = Engine->Steps() + 200;
    EXPECT_TRUE(WaitFor([&] { return Engine->Steps() >= target; }));
    return Engine->FramesDrawn() - drawn;
  };
  EXPECT_EQ(idle_frames(), 0u);

  Engine->Events().Post(engine_event::kHelp, nullptr);
  SetPaused(false);
  ASSERT_TRUE(WaitFor([&] { return Engine->FramesDrawn() > 1; }));
  // The dialog fades in over 200 ms of real time, then the show stands still again.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(WaitSteps());
  EXPECT_EQ(idle_frames(), 0u);
  EXPECT_FALSE(Engine->Active());
  EXPECT_DOUBLE_EQ(Current(), 500);
}

// A paused show with the navigation panel and a logo draws no frame over two seconds: the
// bar's clock and the panel's fades change nothing while nothing moves.
TEST_F(EngineRenderTest, APausedShowWithPanelAndLogoDrawsNoFrameOverTwoSeconds) {
  const std::string skin = (std::filesystem::path(::testing::TempDir()) / "engine_idle_skin.ini").string();
  std::ofstream(skin, std::ios::binary)
      << "[Common]\r\nColsCount=1\r\nRowsCount=1\r\n[CellWithObjects]\r\nCell=1,1\r\n"
         "[Cell(1:1)]\r\nBounds=0,0,4,4\r\nflnm_Texture=cell.bmp\r\n[Objects]\r\nCount=1\r\n"
         "[Action-pause]\r\nBtnTextureNormalBounds=0,0,8,8\r\nflnm_BtnTextureNormal=pause.bmp\r\n"
         "flnm_BtnTextureNormalPlay=play.bmp\r\nBgTextureNormalBounds=0,0,10,10\r\n";
  std::string text = EngineShowText({});
  text.insert(text.find('\n') + 1, "opt_logo=1\nopt_logo_fn=logo.png\nopt_logo_pos=7\nopt_fcp=1\nopt_nav_inifile=" + skin +
                                       "\nopt_newnavbuttons_count=1\nopt_newnavbutton1=pause\n");
  OpenPausedAndWaitForTheFirstFrame(text);
  ASSERT_TRUE(WaitSteps());
  ASSERT_TRUE(Engine->Overlay() && Engine->Overlay()->PanelIndex() && Engine->Overlay()->LogoIndex());
  const uint64_t drawn = Engine->FramesDrawn();
  const uint64_t steps = Engine->Steps();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_GT(Engine->Steps(), steps + 10);
  EXPECT_EQ(Engine->FramesDrawn(), drawn);
}

}  // namespace
}  // namespace orv::test
