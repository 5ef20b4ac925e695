// The main thread's message loop: the platform's events, and the tasks other threads post
// to the main thread (main_thread.h), handled one by one in order.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/platform_window.h"

namespace orv {

struct TPlatformEvent {
  enum class TKind {
    Quit,            // the system or a signal (SIGINT, SIGTERM) asks the program to end
    CloseRequested,  // the user closes a window
    Exposed,         // a window must be painted again
    Activated,       // a window has the keyboard focus: the user works with it
    Deactivated,     // a window lost the keyboard focus to another window or program
  };
  TKind Kind;
  std::uint32_t WindowId = 0;
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
  void Run(const std::function<void(const TPlatformEvent&)>& handler, const std::function<bool()>& keep_running);

  // The desktop's colour depth in bits per pixel (of the first display); 0 when it
  // cannot be told.
  int DesktopBitsPerPixel() const;

 private:
  TVideoSubsystem FVideo;
  std::uint32_t FWakeEvent;
};

}  // namespace orv
