// The show clock when there is sound: it follows the frames the sound card has taken, so
// pictures keep step with the sound. The system timer carries it between readings and the
// difference is taken up by at most 1 ms per 10 ms, so it never jumps and never steps
// backward.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "audio/audio_device.h"

namespace orv {

// A clock running on the system timer, slewed toward a reference time.
class TClockSmoother {
 public:
  static constexpr double kFollowIntervalMs = 10;
  static constexpr double kMaxCorrectionMs = 1;

  // From `now_ms` on the clock reads `time_ms` and runs at the timer's rate.
  void Reset(double now_ms, double time_ms);
  double Time(double now_ms) const;
  // Over the next 10 ms the clock gains or loses up to 1 ms toward `reference_ms`. Its rate
  // stays between 0.9 and 1.1 of the timer's, so it is continuous and never goes back.
  void Follow(double now_ms, double reference_ms);

 private:
  double FTimeAt = 0;
  double FNowAt = 0;
  double FRate = 1;
};

// The clock's reckoning, driven by a caller that tells it the system time.
class TDeviceClock {
 public:
  explicit TDeviceClock(TAudioDevice& device) : FDevice(device) {}

  // The clock anchors on the device once the device has taken its first block.
  void Start();
  // Every 10 ms: follows the device, or the system timer while the device is gone.
  void Poll(double now_ms);
  // Holds the clock at its current time.
  void Stop(double now_ms);
  bool IsRunning() const noexcept { return FRunning; }
  // The clock's time, the last time while stopped (0 at first).
  double Time(double now_ms) const;
  void SetTime(double now_ms, double time_ms);

 private:
  double AudioTime() const { return FBase + FDevice.ClockMs() - FDeviceAtBase; }
  void Rebase(double time_ms);

  TAudioDevice& FDevice;
  TClockSmoother FSmoother;
  bool FRunning = false;
  bool FAnchored = false;
  bool FDeviceLost = false;
  uint64_t FFramesAtStart = 0;
  double FBase = 0;  // the clock's time when the device's clock read FDeviceAtBase
  double FDeviceAtBase = 0;
};

// The clock channel: a TDeviceClock polled every 10 ms on a thread of its own.
class TTimerChannel {
 public:
  explicit TTimerChannel(TAudioDevice& device);
  ~TTimerChannel();

  double Time() const;
  void SetTime(double ms);
  void Start();
  bool IsRunning() const;
  void Stop();

 private:
  class TPollThread;
  void Poll();

  mutable std::mutex FLock;
  TDeviceClock FClock;
  std::unique_ptr<TPollThread> FThread;
};

}  // namespace orv
