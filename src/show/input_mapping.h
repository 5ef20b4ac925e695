// The input mapping of an opened show: which key, click or double click does what, as the
// show's options bind them, and in a screen saver that any input ends the show. The main
// window and the navigation panel both ask it.
#pragma once

#include <array>
#include <cstdint>

#include "base/action_info.h"
#include "base/input_codes.h"
#include "base/ref_object.h"
#include "base/tick_count.h"
#include "project/show_options.h"

namespace orv {

// One binding of a key; bindings of the same key form a chain, the later one first.
class TKeyMap : public TRefObject {
 public:
  TKeyMap(Ref<TKeyMap> next, std::uint8_t mask, std::uint8_t value, std::uint8_t key_event, TOrvActionInfo action)
      : Next(std::move(next)), Mask(mask), Value(value), KeyEvent(key_event), Action(std::move(action)) {}

  // The event kind is the binding's and the modifiers under the mask are its value.
  bool Matches(std::uint8_t modifiers, int event) const noexcept {
    return event == KeyEvent && (modifiers & Mask) == Value;
  }

  Ref<TKeyMap> Next;
  std::uint8_t Mask;
  std::uint8_t Value;
  std::uint8_t KeyEvent;
  TOrvActionInfo Action;
};

// Tells a real movement of the mouse from the jitter of a hand resting on it.
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

 private:
  TTickSource FTicks;
  int64_t FIdleInterval;
  int FSamples = 0;
  int FX = 0;
  int FY = 0;
  int64_t FLastMove = 0;
};

class TInputMappingClass : public TRefObject {
 public:
  explicit TInputMappingClass(const TShowOptions& options, TTickSource ticks = TickCount);

  // The first binding of `key` that matches; in a screen saver every key event exits.
  // Nothing for codes of vk::kCount and above.
  const TKeyMap* KeyAction(std::uint8_t modifiers, int key, int event) const;
  // In a screen saver any button or modifier exits, and with the movement detector (a
  // screen saver, or "opt_exitonmove") a real movement exits; otherwise the release of the
  // left or right button and the left double click give their options' actions.
  TOrvActionInfo MouseAction(std::uint8_t modifiers, int x, int y, TMouseEvent event, TMouseButton button);

  bool ScreenSaver() const noexcept { return FScreenSaver; }
  bool PermitControl() const noexcept { return FPermitControl; }
  TMouseMoveDetector* MoveDetector() const noexcept { return FMoveDetector.Get(); }

 private:
  void Bind(int key, TOrvActionInfo action, std::uint8_t value = 0);
  void BindAll(std::initializer_list<int> keys, const TOrvActionInfo& action);

  std::array<Ref<TKeyMap>, vk::kCount> FKeys;
  TOrvActionInfo FLeftClick;
  TOrvActionInfo FRightClick;
  TOrvActionInfo FDoubleClick;
  bool FScreenSaver;
  bool FPermitControl;
  Ref<TKeyMap> FExitMap;
  Ref<TMouseMoveDetector> FMoveDetector;
};

}  // namespace orv
