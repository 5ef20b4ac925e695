#include "platform/event_loop.h"

#include <SDL.h>

#include <optional>

#include "platform/main_thread.h"

namespace orv {
namespace {

std::optional<TPlatformEvent> Translate(const SDL_Event& event) {
  using TKind = TPlatformEvent::TKind;
  if (event.type == SDL_QUIT) return TPlatformEvent{TKind::Quit};
  if (event.type != SDL_WINDOWEVENT) return std::nullopt;
  switch (event.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
      return TPlatformEvent{TKind::CloseRequested, event.window.windowID};
    case SDL_WINDOWEVENT_EXPOSED:
      return TPlatformEvent{TKind::Exposed, event.window.windowID};
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      return TPlatformEvent{TKind::Activated, event.window.windowID};
    case SDL_WINDOWEVENT_FOCUS_LOST:
      return TPlatformEvent{TKind::Deactivated, event.window.windowID};
  }
  return std::nullopt;
}

}  // namespace

TEventLoop::TEventLoop() : FWakeEvent(SDL_RegisterEvents(1)) {
  if (FWakeEvent == std::uint32_t(-1)) throw EPlatformError(std::string("Can't register an event: ") + SDL_GetError());
  MarkMainThread();
  const std::uint32_t wake = FWakeEvent;
  SetMainThreadWaker([wake] {
    SDL_Event event{};
    event.type = wake;
    SDL_PushEvent(&event);
  });
}

TEventLoop::~TEventLoop() { SetMainThreadWaker(nullptr); }

void TEventLoop::Run(const std::function<void(const TPlatformEvent&)>& handler,
                     const std::function<bool()>& keep_running) {
  // Tasks posted before the loop started have woken nobody yet.
  RunMainThreadTasks();
  SDL_Event event;
  while (keep_running() && SDL_WaitEvent(&event)) {
    if (event.type == FWakeEvent) {
      RunMainThreadTasks();
    } else if (const std::optional<TPlatformEvent> translated = Translate(event)) {
      handler(*translated);
    }
  }
}

int TEventLoop::DesktopBitsPerPixel() const {
  SDL_DisplayMode mode;
  return SDL_GetDesktopDisplayMode(0, &mode) == 0 ? int(SDL_BITSPERPIXEL(mode.format)) : 0;
}

}  // namespace orv
