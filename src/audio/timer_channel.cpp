#include "audio/timer_channel.h"

#include <algorithm>
#include <chrono>

#include "base/orv_thread.h"

namespace orv {

namespace {

double SystemMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void TClockSmoother::Reset(double now_ms, double time_ms) {
  FTimeAt = time_ms;
  FNowAt = now_ms;
  FRate = 1;
}

double TClockSmoother::Time(double now_ms) const { return FTimeAt + std::max(0.0, now_ms - FNowAt) * FRate; }

void TClockSmoother::Follow(double now_ms, double reference_ms) {
  FTimeAt = Time(now_ms);
  FNowAt = std::max(FNowAt, now_ms);
  const double correction = std::clamp(reference_ms - FTimeAt, -kMaxCorrectionMs, kMaxCorrectionMs);
  FRate = 1 + correction / kFollowIntervalMs;
}

void TDeviceClock::Start() {
  FRunning = true;
  FAnchored = false;
  FFramesAtStart = FDevice.FramesPlayed();
}

void TDeviceClock::Poll(double now_ms) {
  if (!FRunning) return;
  const bool alive = FDevice.KeepAlive();
  if (!FAnchored) {
    if (!alive || FDevice.FramesPlayed() == FFramesAtStart) return;
    Rebase(FBase);
    FSmoother.Reset(now_ms, FBase);
    FAnchored = true;
    return;
  }
  if (!alive) {
    // No sound: the system timer alone carries the clock.
    FDeviceLost = true;
    FSmoother.Follow(now_ms, FSmoother.Time(now_ms));
    return;
  }
  if (FDeviceLost) {
    FDeviceLost = false;
    Rebase(FSmoother.Time(now_ms));
  }
  FSmoother.Follow(now_ms, AudioTime());
}

void TDeviceClock::Stop(double now_ms) {
  FBase = Time(now_ms);
  FRunning = false;
  FAnchored = false;
}

double TDeviceClock::Time(double now_ms) const { return FAnchored ? FSmoother.Time(now_ms) : FBase; }

void TDeviceClock::SetTime(double now_ms, double time_ms) {
  Rebase(time_ms);
  FSmoother.Reset(now_ms, time_ms);
}

void TDeviceClock::Rebase(double time_ms) {
  FBase = time_ms;
  FDeviceAtBase = FDevice.ClockMs();
}

class TTimerChannel::TPollThread : public TOrvThread {
 public:
  explicit TPollThread(TTimerChannel& channel) : TOrvThread("Audio clock"), FChannel(channel) {}

 protected:
  void Step() override {
    FChannel.Poll();
    WaitForEvents(std::chrono::milliseconds(int(TClockSmoother::kFollowIntervalMs)));
  }

 private:
  TTimerChannel& FChannel;
};

TTimerChannel::TTimerChannel(TAudioDevice& device) : FClock(device) {}

TTimerChannel::~TTimerChannel() { Stop(); }

double TTimerChannel::Time() const {
  std::lock_guard lock(FLock);
  return FClock.Time(SystemMs());
}

void TTimerChannel::SetTime(double ms) {
  std::lock_guard lock(FLock);
  FClock.SetTime(SystemMs(), ms);
}

void TTimerChannel::Start() {
  if (IsRunning()) return;
  {
    std::lock_guard lock(FLock);
    FClock.Start();
  }
  FThread = std::make_unique<TPollThread>(*this);
  FThread->Start();
}

bool TTimerChannel::IsRunning() const {
  std::lock_guard lock(FLock);
  return FClock.IsRunning();
}

void TTimerChannel::Stop() {
  if (FThread) FThread->Stop();
  FThread.reset();
  std::lock_guard lock(FLock);
  FClock.Stop(SystemMs());
}

void TTimerChannel::Poll() {
  std::lock_guard lock(FLock);
  FClock.Poll(SystemMs());
}

}  // namespace orv
