// The input mapping of an opened show: which key, click or double click does what, as the
// show's options bind them, and in a screen saver that any input ends the show. The main
// window and the navigation panel both ask it.
#pragma once

#include <array>
#include <cstdint>

#include "base/action_info.h"
#include "base/input_codes.h"
#include "base/mouse_move_detector.h"
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
