#include "show/frame_interpolator.h"

namespace orv {

double TFrameInterpolator::Smooth(double x) {
  if (FHold || FWarmUp > 0) {
    if (!FHold) --FWarmUp;
    FOutput = x;
  } else {
    ++FCount;
    if (FCount > kRing) FSum -= FDeltas[FIndex];
    const double delta = x - FLastInput;
    FSum += delta;
    FDeltas[FIndex] = delta;
    FIndex = (FIndex + 1) % kRing;
    if (FCount > kRing) {
      const double predicted = FOutput + FSum / kRing;
      FOutput = predicted + (x - predicted) / 6;
    } else {
      FOutput = x;
    }
  }
  FLastInput = x;
  if (FReleasePending) {
    FReleasePending = false;
    FHold = false;
  }
  return FOutput;
}

void TFrameInterpolator::SetHold(bool hold) {
  if (hold) {
    FHold = true;
    FReleasePending = false;
  } else if (FHold) {
    FReleasePending = true;
  }
}

void TFrameInterpolator::Reset() {
  FWarmUp = kWarmUp;
  FCount = 0;
  FIndex = 0;
  FSum = 0;
  FDeltas.fill(0);
}

}  // namespace orv
