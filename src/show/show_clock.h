// The clock that drives the show. Playback follows the music player's clock; without a
// sound device that is the system's millisecond timer, and tools that render a show frame
// by frame drive it with a frame counter instead, so every run renders the same frames.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "base/ref_object.h"

namespace orv {

class TShowClock : public TRefObject {
public:
  // Milliseconds since an arbitrary origin; never steps backward.
  virtual double Milliseconds() const = 0;
  // A clock that advances only when told to: smoothing it would only blur exact times.
  virtual bool IsExact() const { return false; }
};

// The system's monotonic millisecond timer.
class TSystemClock : public TShowClock {
public:
  double Milliseconds() const override {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now() - FOrigin).count();
  }

private:
  std::chrono::steady_clock::time_point FOrigin = std::chrono::steady_clock::now();
};

// Time as frame number × frame duration. Only the thread that renders the frames moves it.
class TFrameClock : public TShowClock {
public:
  // `fps` > 0 (frames per second; fractional rates such as 29.97 are kept exactly).
  explicit TFrameClock(double fps) : FFrameMs(1000.0 / fps) {}

  double Milliseconds() const override { return double(Frame()) * FFrameMs; }
  bool IsExact() const override { return true; }

  int64_t Frame() const noexcept { return FFrame.load(std::memory_order_acquire); }
  void SetFrame(int64_t frame) noexcept { FFrame.store(frame, std::memory_order_release); }
  double FrameMs() const noexcept { return FFrameMs; }

private:
  double FFrameMs;
  std::atomic<int64_t> FFrame{0};
};

}  // namespace orv
