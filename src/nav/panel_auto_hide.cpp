#include "nav/panel_auto_hide.h"

#include <algorithm>

#include "nav/nav_placement.h"

namespace orv {

TPanelAutoHide::TPanelAutoHide(TMouseMoveDetector& detector, TTickSource ticks, int64_t fade_in_ms, int64_t fade_out_ms)
    : FDetector(detector), FTicks(std::move(ticks)), FFadeInMs(std::max<int64_t>(fade_in_ms, 0)),
      FFadeOutMs(std::max<int64_t>(fade_out_ms, 0)) {
  FDetector.MakeIdle();
}

double TPanelAutoHide::FadeProgress(int64_t now) const {
  if (now >= FFadeEnd || FFadeStart >= FFadeEnd) return 100;
  return std::clamp(double(now - FFadeStart) / double(FFadeEnd - FFadeStart) * 100, 0.0, 100.0);
}

std::optional<double> TPanelAutoHide::Update(bool over) {
  const int64_t now = FTicks();
  const double progress = FadeProgress(now);
  if (over) FDetector.Touch();
  const bool idle = FDetector.Idle();
  if (idle != FHidden) {
    FHidden = idle;
    const int64_t length = FHidden ? FFadeOutMs : FFadeInMs;
    // The new fade starts as far along as the old one had come, seen from its other end.
    FFadeEnd = now + RoundEven(progress * double(length) / 100);
    FFadeStart = FFadeEnd - length;
    return std::nullopt;
  }
  return FHidden ? 100 - progress : progress;
}

}  // namespace orv
