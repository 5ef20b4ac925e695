#include "app/mouse_monitor.h"

#include <algorithm>
#include <cstdlib>

namespace orv {

TMouseMonitor::TMouseMonitor(TTickSource ticks, std::function<TPointerState()> pointer)
    : FTicks(std::move(ticks)), FPointer(std::move(pointer)) {
  Record();
}

void TMouseMonitor::Record() {
  const TPointerState pointer = FPointer();
  FLastX = pointer.X;
  FLastY = pointer.Y;
  FLastTick = FTicks();
}

void TMouseMonitor::SetHideInterval(int64_t ms) {
  ms = std::max<int64_t>(ms, 0);
  if (ms == FHideInterval) return;
  FHideInterval = ms;
  Record();
}

void TMouseMonitor::SetHidden(bool hidden) {
  Record();
  if (hidden == FHidden) return;
  FHidden = hidden;
  if (OnHiddenChanged) OnHiddenChanged(hidden);
}

void TMouseMonitor::MouseMoved(int x, int y) {
  if (FHideInterval > 0 && (std::abs(x - FLastX) > kWakeDistance || std::abs(y - FLastY) > kWakeDistance))
    SetHidden(false);
  Check();
}

void TMouseMonitor::Check() {
  if (OnCheck) OnCheck();
  const bool inside = FPointer().Inside;
  if (inside != FInside) {
    FInside = inside;
    const auto& changed = inside ? OnEnter : OnLeave;
    if (changed) changed();
  }
  if (FHideInterval >= 1 && FTicks() - FLastTick > FHideInterval) SetHidden(true);
}

}  // namespace orv
