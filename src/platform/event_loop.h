// The main thread's message loop: the platform's events, and the tasks other threads post
// to the main thread (main_thread.h), handled one by one in order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/input_codes.h"
#include "platform/platform_window.h"

namespace orv {

struct TPlatformEvent {
  enum class TKind {
    Quit,            // the system or a signal (SIGINT, SIGTERM) asks the program to end
    CloseRequested,  // the user closes a window
    Exposed,         // a window must be painted again
    Activated,       // a window has the keyboard focus: the user works with it
    Deactivated,     // a window lost the keyboard focus to another window or program
    Key,             // a key went down (again, while held) or up: Key, KeyEvent, Modifiers
    Mouse,           // the mouse moved or a button changed: X, Y, MouseEvent, Button, Modifiers
    Wheel,           // the wheel turned: WheelDelta, Modifiers
    MouseEntered,    // the pointer came over a window
    MouseLeft,       // the pointer left it
    Text,            // text typed on the keyboard: Text
  };
  TKind Kind;
  std::uint32_t WindowId = 0;
  int Key = 0;  // a virtual-key code (input_codes.h); 0 for keys without one
  int KeyEvent = 0;  // kKeyDown or kKeyUp
  std::uint8_t Modifiers = 0;  // modifier:: bits, the mouse buttons held included
  int X = 0;  // in the window's client area
  int Y = 0;
  TMouseEvent MouseEvent = TMouseEvent::Move;
  TMouseButton Button = TMouseButton::None;
  int WheelDelta = 0;  // 120 a notch; positive away from the user
  std::string Text = {};  // UTF-8
};

// The virtual-key code of an SDL key code; 0 for keys that have none.
int VirtualKeyOfSdlKey(std::int32_t sdl_key);

// How the player sees one of the platform's events (SDL_Event): none, one, or two (a
// double click is a press and then the double click). `sdl_event` points to an SDL_Event.
std::vector<TPlatformEvent> TranslateSdlEvent(const void* sdl_event);

// A task the loop runs every `Interval` ms while it waits.
struct TLoopTimer {
  int Interval = 0;
  std::function<void()> OnTick;
};

class TEventLoop {
 public:
  // Starts the platform's video and events (and with them its handling of SIGINT and
  // SIGTERM as a quit request) and wakes the loop for posted tasks. Raises EPlatformError
  // when the platform cannot start.
  TEventLoop();
  ~TEventLoop();
  TEventLoop(const TEventLoop&) = delete;
  TEventLoop& operator=(const TEventLoop&) = delete;

  // Hands every event to `handler` and runs posted tasks, until `keep_running` says no.
  void Run(const std::function<void(const TPlatformEvent&)>& handler, const std::function<bool()>& keep_running,
           const TLoopTimer& timer = {});

  // The desktop's colour depth in bits per pixel (of the first display); 0 when it
  // cannot be told.
  int DesktopBitsPerPixel() const;

 private:
  TVideoSubsystem FVideo;
  std::uint32_t FWakeEvent;
};

}  // namespace orv
