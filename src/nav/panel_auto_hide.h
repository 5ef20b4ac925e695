// The navigation panel's auto-hide: hidden → fading in → shown → fading out → hidden, driven
// by whether the mouse has rested for longer than the idle interval. A reversal in the middle
// of a fade goes on from the opacity reached rather than jumping to an end.
#pragma once

#include <cstdint>
#include <optional>

#include "base/mouse_move_detector.h"

namespace orv {

class TPanelAutoHide {
public:
  // The panel starts hidden and `detector` idle. `detector` outlives this.
  TPanelAutoHide(TMouseMoveDetector& detector, TTickSource ticks, int64_t fade_in_ms, int64_t fade_out_ms);

  // One step: the panel's opacity (percent) now, or nothing when this step started a fade
  // (the opacity then stays as it was until the next step). `over`: the pointer rests on
  // the panel, which keeps it shown.
  std::optional<double> Update(bool over);
  bool Hidden() const noexcept { return FHidden; }

private:
  // How far the current fade has come, 0..100; 100 when none runs.
  double FadeProgress(int64_t now) const;

  TMouseMoveDetector& FDetector;
  TTickSource FTicks;
  int64_t FFadeInMs;
  int64_t FFadeOutMs;
  bool FHidden = true;
  int64_t FFadeStart = 0;
  int64_t FFadeEnd = 0;
};

}  // namespace orv
