// The show time the engine publishes to the slide loader and to every live slide. Only the
// engine thread writes it; each value is read and written as one indivisible value.
#pragma once

#include <atomic>

#include "base/ref_object.h"

namespace orv {

class TTiming : public TRefObject {
public:
  // The show time slides, the loader and the producer see.
  double Current() const noexcept { return FCurrent.load(std::memory_order_relaxed); }
  void SetCurrent(double time) noexcept { FCurrent.store(time, std::memory_order_relaxed); }
  // The time computed for the frame under way, before end actions are applied.
  double Requested() const noexcept { return FRequested.load(std::memory_order_relaxed); }
  void SetRequested(double time) noexcept { FRequested.store(time, std::memory_order_relaxed); }

private:
  std::atomic<double> FCurrent{0};
  std::atomic<double> FRequested{0};
};

}  // namespace orv
