// The clock channel's reckoning over simulated time: a device taking blocks at its own
// pace, a system timer with jitter, and a device that goes away for a while.
#include "audio/timer_channel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace orv {
namespace {

// The clock reads only the frame count: what is played does not matter.
class TSilence : public TAudioRenderer {
 public:
  void Render(int16_t* frames, size_t count) noexcept override { std::fill_n(frames, count * kOutputChannels, 0); }
};

// An offline device the test can unplug.
class TUnpluggableDevice : public TOfflineAudioDevice {
 public:
  using TOfflineAudioDevice::TOfflineAudioDevice;
  bool KeepAlive() override { return Plugged; }
  bool Plugged = true;
};

constexpr double kStartMs = 5000;

// Runs the clock as its thread would, polling every 10 ms (± 3 ms of scheduling jitter),
// while the device takes 512-frame blocks at `device_rate` times real time (when plugged).
class TClockRun {
 public:
  TClockRun() { FClock.Start(); }

  // Simulates `seconds`; fails the test at the first step backward.
  void Run(double seconds, double device_rate = 1.0) {
    const double until = FNow + seconds * 1000;
    std::uniform_real_distribution<double> jitter(-3, 3);
    while (FNow < until) {
      const double step = 10 + jitter(FRandom);
      FNow += step;
      if (FDevice.Plugged) TakeBlocks(step * device_rate);
      FClock.Poll(FNow);
      // Read between polls as well as at them.
      for (double at : {FNow, FNow + 4}) {
        const double time = FClock.Time(at);
        ASSERT_GE(time, FLast) << "at " << at << " ms";
        FLast = time;
      }
    }
  }
  double Time() const { return FClock.Time(FNow); }
  double Now() const { return FNow; }
  double DeviceMs() const { return FDevice.ClockMs(); }

  TSilence FSilence;
  TUnpluggableDevice FDevice{FSilence};
  TDeviceClock FClock{FDevice};

 private:
  void TakeBlocks(double ms) {
    FOwed += MsToFrames(ms);
    for (; FOwed >= 512; FOwed -= 512) FDevice.Pull(512);
  }

  std::mt19937 FRandom{42};
  double FNow = kStartMs;
  double FLast = 0;
  int64_t FOwed = 0;
};

TEST(TimerChannelTest, FollowsTheDeviceForAnHourWithoutSteppingBack) {
  TClockRun run;
  // A sound card running 0.05 % fast: the clock must follow it, not the system timer.
  for (int minute = 0; minute < 60; ++minute) {
    ASSERT_NO_FATAL_FAILURE(run.Run(60, 1.0005));
    EXPECT_NEAR(run.Time(), run.DeviceMs(), 25) << "minute " << minute;
  }
  // 1.8 s ahead of the system timer after the hour.
  EXPECT_NEAR(run.Time(), (run.Now() - kStartMs) * 1.0005, 25);
}

TEST(TimerChannelTest, RunsOnTheTimerWhileTheDeviceIsGone) {
  TClockRun run;
  ASSERT_NO_FATAL_FAILURE(run.Run(10));
  const double before = run.Time();
  run.FDevice.Plugged = false;
  ASSERT_NO_FATAL_FAILURE(run.Run(5));
  EXPECT_NEAR(run.Time() - before, 5000, 20);
  // Back again: it follows the device from where it had got to.
  run.FDevice.Plugged = true;
  const double back = run.Time(), device_back = run.DeviceMs();
  ASSERT_NO_FATAL_FAILURE(run.Run(10, 1.001));
  EXPECT_NEAR(run.Time() - back, run.DeviceMs() - device_back, 15);
}

TEST(TimerChannelTest, SetTimeMovesTheClockAndStopHoldsIt) {
  TClockRun run;
  EXPECT_EQ(run.Time(), 0) << "nothing before the device takes its first block";
  ASSERT_NO_FATAL_FAILURE(run.Run(1));
  run.FClock.SetTime(run.Now(), 100000);
  EXPECT_EQ(run.Time(), 100000);
  ASSERT_NO_FATAL_FAILURE(run.Run(1));
  EXPECT_NEAR(run.Time(), 101000, 25);
  run.FClock.Stop(run.Now());
  EXPECT_FALSE(run.FClock.IsRunning());
  const double held = run.Time();
  EXPECT_EQ(run.FClock.Time(1e9), held);
}

}  // namespace
}  // namespace orv
