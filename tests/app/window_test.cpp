// Where the main window goes, and how the cursor hides and shows.
#include <gtest/gtest.h>

#include "app/mouse_monitor.h"
#include "app/window_placement.h"

namespace orv {
namespace {

const std::vector<TRect> kLaptop{RectOfSize(1366, 768)};
const TRect kFrame{4, 30, 4, 4};  // left, caption, right, bottom

TEST(WindowPlacement, AWindowTooLargeShrinksUniformlyFrameIncludedAndIsCentred) {
  const TWindowPlacement placement = WindowPlacement(1920, 1080, 1, kLaptop, {}, kFrame);
  EXPECT_EQ(placement.Mode, TWindowMode::Windowed);
  EXPECT_FALSE(placement.Resizable);
  // s = min((768 - 34) / 1080, (1366 - 8) / 1920) = 0.6796…: 1305 × 734.
  EXPECT_EQ(placement.Client.Width(), 1305);
  EXPECT_EQ(placement.Client.Height(), 734);
  // The outer window (1313 × 768) is centred: left (1366 - 1313) / 2 = 26, top 0.
  EXPECT_EQ(placement.Client.Left, 26 + 4);
  EXPECT_EQ(placement.Client.Top, 0 + 30);
  EXPECT_LE(placement.Client.Right + kFrame.Right, 1366);
  EXPECT_LE(placement.Client.Bottom + kFrame.Bottom, 768);
}

TEST(WindowPlacement, ModesMonitorsAndSwitches) {
  const std::vector<TRect> two{TRect{-1280, 100, 0, 1124}, RectOfSize(1920, 1080)};
  struct {
    const char* name;
    int width, height, mode;
    std::vector<TRect> monitors;
    TPlacementSwitches switches;
    TRect client;
    TWindowMode window_mode;
  } const cases[] = {
      {"full screen covers the monitor", 800, 600, 0, kLaptop, {}, RectOfSize(1366, 768), TWindowMode::FullScreen},
      {"borderless keeps its size, centred", 800, 600, 2, kLaptop, {}, TRect{283, 84, 1083, 684},
       TWindowMode::Borderless},
      {"display 2 on one monitor: the primary", 800, 600, 0, kLaptop, {2, false, false}, RectOfSize(1366, 768),
       TWindowMode::FullScreen},
      {"the primary is the one at the origin", 800, 600, 0, two, {}, RectOfSize(1920, 1080),
       TWindowMode::FullScreen},
      {"display 1 names the first", 800, 600, 0, two, {1, false, false}, TRect{-1280, 100, 0, 1124},
       TWindowMode::FullScreen},
      {"display 0 is no monitor", 800, 600, 0, two, {0, false, false}, RectOfSize(1920, 1080),
       TWindowMode::FullScreen},
      {"desktopalign spans every monitor", 800, 600, 0, two, {0, true, false}, TRect{-1280, 0, 1920, 1124},
       TWindowMode::FullScreen},
      {"desktopalign centres a window there", 640, 480, 2, two, {0, true, false}, TRect{0, 322, 640, 802},
       TWindowMode::Borderless},
      {"an unknown mode has no border", 640, 480, 7, kLaptop, {}, TRect{363, 144, 1003, 624},
       TWindowMode::Borderless},
      {"a size of 0 takes 640 x 480", 0, 0, 2, kLaptop, {}, TRect{363, 144, 1003, 624}, TWindowMode::Borderless},
      {"no monitor known: the window's own size", 640, 480, 2, {}, {}, RectOfSize(640, 480),
       TWindowMode::Borderless},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TWindowPlacement placement = WindowPlacement(c.width, c.height, c.mode, c.monitors, c.switches, kFrame);
    EXPECT_EQ(placement.Mode, c.window_mode);
    EXPECT_EQ(placement.Client, c.client);
  }
}

TEST(WindowPlacement, OnlyAWindowWithBorderResizesWithTheSwitch) {
  const TPlacementSwitches resize{0, false, true};
  EXPECT_TRUE(WindowPlacement(640, 480, 1, kLaptop, resize, kFrame).Resizable);
  EXPECT_FALSE(WindowPlacement(640, 480, 2, kLaptop, resize, kFrame).Resizable);
  EXPECT_FALSE(WindowPlacement(640, 480, 0, kLaptop, resize, kFrame).Resizable);
}

TEST(WindowPlacement, AFrameLargerThanTheScreenStillGivesAWindow) {
  const TRect huge{900, 900, 900, 900};
  const TWindowPlacement placement = WindowPlacement(1920, 1080, 1, kLaptop, {}, huge);
  EXPECT_EQ(placement.Client.Width(), kMinClientSide);
  EXPECT_EQ(placement.Client.Height(), kMinClientSide);
  const TWindowPlacement tiny = WindowPlacement(1920, 1080, 1, {RectOfSize(1, 1)}, {}, kFrame);
  EXPECT_GE(tiny.Client.Width(), kMinClientSide);
  EXPECT_GE(tiny.Client.Height(), kMinClientSide);
}

class Pointer {
 public:
  int64_t Now = 0;
  TPointerState State{100, 100, true};
  Ref<TMouseMonitor> Make() {
    return MakeRef<TMouseMonitor>([this] { return Now; }, [this] { return State; });
  }
};

TEST(MouseMonitor, HiddenAfterAnIdleTimeShownAgainByARealMove) {
  Pointer pointer;
  const Ref<TMouseMonitor> monitor = pointer.Make();
  std::vector<bool> changes;
  monitor->OnHiddenChanged = [&](bool hidden) { changes.push_back(hidden); };
  monitor->SetHideInterval(3000);
  monitor->SetHidden(true);
  EXPECT_TRUE(monitor->Hidden());
  // Small moves (4 pixels on each axis) do not show it; 5 do.
  pointer.Now = 500;
  pointer.State = {104, 96, true};
  monitor->MouseMoved(104, 96);
  EXPECT_TRUE(monitor->Hidden());
  pointer.State = {105, 100, true};
  monitor->MouseMoved(105, 100);
  EXPECT_FALSE(monitor->Hidden());
  // 3 s after that move, while the pointer rests inside, it hides again.
  pointer.Now = 3500;
  monitor->Check();
  EXPECT_FALSE(monitor->Hidden());
  pointer.Now = 3501;
  monitor->Check();
  EXPECT_TRUE(monitor->Hidden());
  EXPECT_EQ(changes, (std::vector<bool>{true, false, true}));
}

TEST(MouseMonitor, WithoutAnIntervalHiddenStaysHidden) {
  Pointer pointer;
  const Ref<TMouseMonitor> monitor = pointer.Make();
  monitor->SetHideInterval(-5);
  EXPECT_EQ(monitor->HideInterval(), 0);
  monitor->SetHidden(true);
  monitor->MouseMoved(900, 900);
  pointer.Now = 100000;
  monitor->Check();
  EXPECT_TRUE(monitor->Hidden());
  monitor->SetHidden(false);
  pointer.Now = 200000;
  monitor->Check();
  EXPECT_FALSE(monitor->Hidden());
}

TEST(MouseMonitor, EnterAndLeaveFollowThePointer) {
  Pointer pointer;
  pointer.State.Inside = false;
  const Ref<TMouseMonitor> monitor = pointer.Make();
  std::string calls;
  monitor->OnEnter = [&] { calls += "enter "; };
  monitor->OnLeave = [&] { calls += "leave "; };
  monitor->OnCheck = [&] { calls += "check "; };
  monitor->Check();
  EXPECT_FALSE(monitor->TimerWanted());
  pointer.State.Inside = true;
  monitor->Check();
  EXPECT_TRUE(monitor->IsInside());
  EXPECT_TRUE(monitor->TimerWanted());
  monitor->Check();
  pointer.State.Inside = false;
  monitor->Check();
  EXPECT_EQ(calls, "check check enter check check leave ");
}

}  // namespace
}  // namespace orv
