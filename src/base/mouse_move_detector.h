// Tells a real movement of the mouse from the jitter of a hand resting on it, and whether
// the mouse has rested for longer than an idle interval. The input mapping and the overlay
// (its auto-hiding panel) both keep one.
#pragma once

#include <cstdint>

#include "base/ref_object.h"
#include "base/tick_count.h"

namespace orv {

class TMouseMoveDetector : public TRefObject {
 public:
  // A movement: at least this many pixels (|dx| + |dy|) from the last recorded point.
  static constexpr int kThreshold = 6;

  explicit TMouseMoveDetector(TTickSource ticks, int64_t idle_interval = 0)
      : FTicks(std::move(ticks)), FIdleInterval(idle_interval) {}

  // The first sample only records its point; a later one that moved far enough records
  // its point and time and is a movement.
  bool Sample(int x, int y);
  // More than the idle interval has passed since the last movement.
  bool Idle() const { return FTicks() - FLastMove > FIdleInterval; }
  void SetIdleInterval(int64_t interval) { FIdleInterval = interval; }
  // Counts as a movement now: the idle interval starts again.
  void Touch() { FLastMove = FTicks(); }
  // Idle from now on, until the next movement.
  void MakeIdle() { FLastMove = FTicks() - FIdleInterval - 1; }

 private:
  TTickSource FTicks;
  int64_t FIdleInterval;
  int FSamples = 0;
  int FX = 0;
  int FY = 0;
  int64_t FLastMove = 0;
};

}  // namespace orv
