// Smooths the music clock for the frames: the clock moves in steps (audio buffers, timer
// ticks), the frames should move evenly. After a warm-up it predicts each sample from the
// average step of the last 32 and moves a sixth of the way towards the real value.
#pragma once

#include <array>

#include "base/ref_object.h"

namespace orv {

class TFrameInterpolator : public TRefObject {
public:
  static constexpr int kRing = 32;
  static constexpr int kWarmUp = 16;

  double Smooth(double x);
  // Holding passes the input through; a release takes effect after the next sample.
  void SetHold(bool hold);
  bool Holding() const noexcept { return FHold; }
  // Starts over: the next kWarmUp samples pass through, the history is forgotten.
  void Reset();

private:
  double FOutput = 0;
  double FLastInput = 0;
  int FWarmUp = kWarmUp;
  std::array<double, kRing> FDeltas{};
  int FCount = 0;
  int FIndex = 0;
  double FSum = 0;
  bool FHold = false;
  bool FReleasePending = false;
};

}  // namespace orv
