// Watches the mouse over the main window: hides the cursor at once or after a time without
// movement, shows it again when the mouse really moves, and tells the window when the
// pointer comes in or leaves. Its clock and the pointer's position are handed in, so that
// tests can drive it.
#pragma once

#include <cstdint>
#include <functional>

#include "base/ref_object.h"
#include "base/tick_count.h"

namespace orv {

struct TPointerState {
  int X = 0;  // in the window's client area
  int Y = 0;
  bool Inside = false;
};

class TMouseMonitor : public TRefObject {
 public:
  // A move of more than this many pixels, horizontally or vertically, shows the cursor.
  static constexpr int kWakeDistance = 4;
  // How often the owner calls Check while the pointer is inside.
  static constexpr int kCheckInterval = 20;

  TMouseMonitor(TTickSource ticks, std::function<TPointerState()> pointer);

  std::function<void()> OnEnter;
  std::function<void()> OnLeave;
  std::function<void()> OnCheck;
  std::function<void(bool hidden)> OnHiddenChanged;

  // 0 (or less) hides only on request and never shows again by itself.
  void SetHideInterval(int64_t ms);
  int64_t HideInterval() const noexcept { return FHideInterval; }
  void SetHidden(bool hidden);
  bool Hidden() const noexcept { return FHidden; }
  bool IsInside() const noexcept { return FInside; }
  // Whether the owner's 20 ms timer should run (the pointer is inside).
  bool TimerWanted() const noexcept { return FInside; }

  // The mouse moved over the window (client coordinates); checks afterwards.
  void MouseMoved(int x, int y);
  // On mouse events and every 20 ms while the pointer is inside.
  void Check();

 private:
  void Record();

  TTickSource FTicks;
  std::function<TPointerState()> FPointer;
  bool FInside = false;
  int64_t FHideInterval = 0;
  bool FHidden = false;
  int FLastX = 0;
  int FLastY = 0;
  int64_t FLastTick = 0;
};

}  // namespace orv
