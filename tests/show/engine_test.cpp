#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "engine_test_support.h"
#include "show/frame_interpolator.h"

namespace orv::test {
namespace {

// ---- the frame interpolator

TEST(FrameInterpolator, WarmUpPassesSamplesThroughThenSmoothsJitter) {
  TFrameInterpolator smoother;
  // A steady 10 ms per sample: the warm-up and the filling ring pass it through, and once
  // the ring is full the prediction hits every sample exactly.
  double x = 0;
  for (int i = 0; i < TFrameInterpolator::kWarmUp + TFrameInterpolator::kRing + 8; ++i, x += 10)
    ASSERT_DOUBLE_EQ(smoother.Smooth(x), x) << "sample " << i;
  // A sample 60 ms late moves the output only a sixth of the way towards it.
  const double predicted = x;  // the next sample of the steady rate
  const double late = x + 60;
  const double delta_sum = 10.0 * (TFrameInterpolator::kRing - 1) + (late - (x - 10));
  const double expected = (x - 10) + delta_sum / TFrameInterpolator::kRing;
  EXPECT_DOUBLE_EQ(smoother.Smooth(late), expected + (late - expected) / 6);
  EXPECT_LT(std::abs(smoother.Smooth(late + 10) - (late + 10)), 60);
  (void)predicted;
}

TEST(FrameInterpolator, HoldPassesThroughAndReleasesAfterTheNextSample) {
  TFrameInterpolator smoother;
  double x = 0;
  for (int i = 0; i < 60; ++i, x += 10) smoother.Smooth(x);
  smoother.SetHold(true);
  EXPECT_DOUBLE_EQ(smoother.Smooth(5000), 5000);  // a jump while holding is taken as is
  EXPECT_DOUBLE_EQ(smoother.Smooth(7000), 7000);
  smoother.SetHold(false);
  EXPECT_TRUE(smoother.Holding());
  EXPECT_DOUBLE_EQ(smoother.Smooth(7010), 7010);  // still held for this one sample
  EXPECT_FALSE(smoother.Holding());
  smoother.Reset();
  for (int i = 0; i < TFrameInterpolator::kWarmUp; ++i) EXPECT_DOUBLE_EQ(smoother.Smooth(9000 + i * 3), 9000 + i * 3);
}

// ---- notifications

TEST(EngineChannel, PositionReportsOfSupersededRequestsAreDropped) {
  Ref<TEngineChannel> channel = MakeRef<TEngineChannel>();
  std::vector<int> delivered;
  channel->OnPosition = [&](int time, bool, int) { delivered.push_back(time); };
  channel->LatestRequest = 2;
  for (int request : {1, 2, 0, 2}) {
    TOrvEventData report(engine_notification::kPosition, {request, request * 100, 5000, 0});
    channel->Deliver(report);
  }
  EXPECT_EQ(delivered, (std::vector<int>{200, 200}));
  channel->Close();
  TOrvEventData late(engine_notification::kPosition, {2, 300, 5000, 0});
  channel->Deliver(late);
  EXPECT_EQ(delivered.size(), 2u);
}

// ---- the engine's clock

class EngineTest : public EngineHarness {
protected:
  void Play(const TEngineShow& show) {
    MakeEngine();
    Engine->Open(DefaultFileAccessor(), EngineProject(show), 0);
    Engine->Start();
    SetPaused(false);
    ASSERT_TRUE(WaitFor([&] { return Engine->Active(); }));
  }
};

TEST_F(EngineTest, OpensPausedWithoutPlaying) {
  MakeEngine();
  Engine->Open(DefaultFileAccessor(), EngineProject({}), 500);
  Engine->Start();
  Advance(300);
  EXPECT_FALSE(Engine->Active());
  EXPECT_DOUBLE_EQ(Current(), 500);
  EXPECT_EQ(FirstFrames, 0);  // nothing is drawn without a device
  ASSERT_FALSE(Positions.empty());
  EXPECT_EQ(Positions.back().Time, 500);
  EXPECT_EQ(Positions.back().Total, 3000);
}

TEST_F(EngineTest, ShowHoldsWhileTheWindowIsInactiveUnlessToldToPlayOn) {
  for (const bool pause_when_inactive : {true, false}) {
    auto active = std::make_shared<std::atomic<bool>>(true);
    Ref<TOrvDrawController> controller = MakeRef<TOrvDrawController>(nullptr, nullptr);
    controller->WindowActive = [active] { return active->load(); };
    MakeEngine(controller);
    Ref<TIniFile> project = EngineProject({});
    WriteString(*project, "Main", "opt_pausewheninactive", pause_when_inactive ? u"1" : u"0");
    Engine->Open(DefaultFileAccessor(), project, 0);
    Engine->Start();
    SetPaused(false);
    ASSERT_TRUE(WaitFor([&] { return Engine->Active(); }));
    Advance(300);
    active->store(false);
    ASSERT_TRUE(WaitSteps());
    const double left_at = Current();
    Advance(400);
    EXPECT_EQ(Engine->Active(), !pause_when_inactive);
    EXPECT_NEAR(Current(), pause_when_inactive ? left_at : left_at + 400, 20) << pause_when_inactive;

    active->store(true);
    ASSERT_TRUE(WaitFor([&] { return Engine->Active(); }));
    const double back_at = Current();
    Advance(200);
    EXPECT_NEAR(Current(), back_at + 200, 20);
    Engine.reset();
  }
}

TEST_F(EngineTest, PauseEndActionStopsAtTheSlideEndUntilAPositionRequest) {
  TEngineShow show;
  show.EndActions = {{2, "pause"}};
  Play(show);
  Advance(2600);
  EXPECT_TRUE(Engine->StoppedAtBarrier());
  EXPECT_DOUBLE_EQ(Current(), 2000);

  SetPaused(true);
  SetPaused(false);
  Advance(300);
  EXPECT_DOUBLE_EQ(Current(), 2000);  // un-pausing does not continue

  SetPosition(2100);
  ASSERT_TRUE(WaitFor([&] { return Engine->Active(); }));
  Advance(200);
  EXPECT_DOUBLE_EQ(Current(), 2300);
}

TEST_F(EngineTest, LoopEndActionRepeatsTheSlideBody) {
  TEngineShow show;
  show.EndActions = {{2, "loop"}};
  Play(show);
  double highest = 0;
  for (int i = 0; i < 300; ++i) {
    Advance(10);
    highest = std::max(highest, Current());
    ASSERT_LT(Current(), 2000);
  }
  EXPECT_GE(highest, 1990);
  // The body after the slide's 200 ms transition plays again.
  EXPECT_GE(Current(), 1200);
}

TEST_F(EngineTest, StopAndCloseHoldTheEndWithOneEndedReport) {
  for (const char* repeat : {"stop", "close"}) {
    SCOPED_TRACE(repeat);
    TEngineShow show;
    show.Repeat = repeat;
    Play(show);
    Advance(3500);
    EXPECT_DOUBLE_EQ(Current(), 3000);
    EXPECT_FALSE(Engine->Active());
    SetPaused(true);
    SetPaused(false);
    Advance(100);
    EXPECT_DOUBLE_EQ(Current(), 3000);
    EXPECT_EQ(EndedReports(), 1);
    for (const TPositionReport& report : Positions) {
      if (!report.Ended) continue;
      EXPECT_EQ(report.Time, 3000);
      EXPECT_EQ(report.Total, 3000);
    }
    Engine.reset();
    Positions.clear();
  }
}

TEST_F(EngineTest, RunAppFiresOnceJustAfterItsSlideStarts) {
  TEngineShow show;
  show.RunApps = {{2, "prog.exe"}};
  Play(show);
  const auto run_apps = [&] {
    std::vector<std::string> files;
    for (const Ref<TOrvEventData>& event : Events) {
      if (event->Code != engine_notification::kAction) continue;
      EXPECT_EQ(event->Integers, (std::vector<int>{TOrvActionInfo::kRunApp, 0}));
      const auto* text = dynamic_cast<const TStrValue*>(event->Object.Get());
      files.push_back(text ? Utf16ToUtf8(text->Value) : "");
    }
    return files;
  };
  Advance(1000);
  EXPECT_TRUE(run_apps().empty());  // the slide starts at 1000: its program runs at 1001
  Advance(10);
  EXPECT_EQ(run_apps(), (std::vector<std::string>{"prog.exe"}));
  Advance(3000);  // into the next pass: slide 2 comes round again at 4000
  EXPECT_EQ(run_apps(), (std::vector<std::string>{"prog.exe", "prog.exe"}));
}

TEST_F(EngineTest, RepeatRunsIntoTheNextPass) {
  Play({});
  Advance(3300);
  EXPECT_DOUBLE_EQ(Current(), 3300);
  EXPECT_EQ(EndedReports(), 0);
}

TEST_F(EngineTest, PositionRequestKeepsAPendingOpen) {
  MakeEngine();
  Engine->Open(DefaultFileAccessor(), EngineProject({}), 0);
  TEngineShow longer;
  longer.Slides = 5;
  Ref<TOpenParams> open = MakeRef<TOpenParams>();
  open->RequestId = Engine->NewRequestId();
  open->Accessor = DefaultFileAccessor();
  open->Project = EngineProject(longer);
  Engine->Events().Post(engine_event::kOpen, open);
  SetPosition(4200);
  Engine->Start();
  ASSERT_TRUE(WaitFor([&] { return !Positions.empty() && Positions.back().Time == 4200; }));
  EXPECT_EQ(Positions.back().Total, 5000);
}

// The loader hands its lists over and waits until the engine took them: stopping it must
// keep taking them, or both threads wait for each other.
TEST_F(EngineTest, ReopeningWhileTheLoaderSendsDoesNotDeadlock) {
  MakeEngine();
  Engine->Open(DefaultFileAccessor(), EngineProject({}), 0);
  Engine->Loader()->Start();  // nobody takes its lists: it blocks on the first
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto reopen = std::async(std::launch::async, [&] { Engine->Open(DefaultFileAccessor(), EngineProject({}), 1000); });
  ASSERT_EQ(reopen.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  reopen.get();
  EXPECT_DOUBLE_EQ(Engine->Loader()->Timing().Current(), 1000);
}

}  // namespace
}  // namespace orv::test
