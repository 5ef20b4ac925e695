#include "platform/event_loop.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/tick_count.h"
#include "platform/main_thread.h"

namespace orv {
namespace {

// SDL's key codes to the virtual-key codes the shows' bindings use.
constexpr std::pair<SDL_Keycode, int> kKeys[] = {
    {SDLK_BACKSPACE, vk::kBack},
    {SDLK_TAB, vk::kTab},
    {SDLK_RETURN, vk::kReturn},
    {SDLK_KP_ENTER, vk::kReturn},
    {SDLK_PAUSE, vk::kPause},
    {SDLK_ESCAPE, vk::kEscape},
    {SDLK_SPACE, vk::kSpace},
    {SDLK_PAGEUP, vk::kPageUp},
    {SDLK_PAGEDOWN, vk::kPageDown},
    {SDLK_END, vk::kEnd},
    {SDLK_HOME, vk::kHome},
    {SDLK_LEFT, vk::kLeft},
    {SDLK_UP, vk::kUp},
    {SDLK_RIGHT, vk::kRight},
    {SDLK_DOWN, vk::kDown},
    {SDLK_DELETE, vk::kDelete},
    {SDLK_F1, vk::kF1},
    {SDLK_AC_BACK, vk::kBrowserBack},
    {SDLK_AC_FORWARD, vk::kBrowserForward},
    {SDLK_AUDIONEXT, vk::kMediaNextTrack},
    {SDLK_AUDIOPREV, vk::kMediaPrevTrack},
    {SDLK_AUDIOSTOP, vk::kMediaStop},
    {SDLK_AUDIOPLAY, vk::kMediaPlayPause},
};

std::uint8_t KeyModifiers(Uint16 mod) {
  std::uint8_t modifiers = 0;
  if (mod & KMOD_GUI) modifiers |= modifier::kWindows;
  if (mod & KMOD_SHIFT) modifiers |= modifier::kShift;
  if (mod & KMOD_ALT) modifiers |= modifier::kAlt;
  if (mod & KMOD_CTRL) modifiers |= modifier::kCtrl;
  return modifiers;
}

std::uint8_t ButtonModifiers(Uint32 buttons) {
  std::uint8_t modifiers = 0;
  if (buttons & SDL_BUTTON_LMASK) modifiers |= modifier::kLeftButton;
  if (buttons & SDL_BUTTON_RMASK) modifiers |= modifier::kRightButton;
  if (buttons & SDL_BUTTON_MMASK) modifiers |= modifier::kMiddleButton;
  return modifiers;
}

// The keys and buttons held now (the state after the event being translated).
std::uint8_t HeldModifiers() { return KeyModifiers(SDL_GetModState()) | ButtonModifiers(SDL_GetMouseState(nullptr, nullptr)); }

TMouseButton ButtonOf(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return TMouseButton::Left;
    case SDL_BUTTON_RIGHT:
      return TMouseButton::Right;
    case SDL_BUTTON_MIDDLE:
      return TMouseButton::Middle;
  }
  return TMouseButton::None;
}

std::vector<TPlatformEvent> WindowEvent(const SDL_WindowEvent& event) {
  using TKind = TPlatformEvent::TKind;
  const auto one = [&event](TKind kind) { return std::vector{TPlatformEvent{kind, event.windowID}}; };
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      return one(TKind::CloseRequested);
    case SDL_WINDOWEVENT_EXPOSED:
      return one(TKind::Exposed);
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      return one(TKind::Activated);
    case SDL_WINDOWEVENT_FOCUS_LOST:
      return one(TKind::Deactivated);
    case SDL_WINDOWEVENT_ENTER:
      return one(TKind::MouseEntered);
    case SDL_WINDOWEVENT_LEAVE:
      return one(TKind::MouseLeft);
  }
  return {};
}

TPlatformEvent KeyEvent(const SDL_KeyboardEvent& event) {
  TPlatformEvent result{TPlatformEvent::TKind::Key, event.windowID};
  result.Key = VirtualKeyOfSdlKey(event.keysym.sym);
  result.KeyEvent = event.type == SDL_KEYDOWN ? kKeyDown : kKeyUp;
  result.Modifiers = KeyModifiers(event.keysym.mod);
  return result;
}

TPlatformEvent MouseEvent(std::uint32_t window, int x, int y, TMouseEvent kind, TMouseButton button) {
  TPlatformEvent result{TPlatformEvent::TKind::Mouse, window};
  result.X = x;
  result.Y = y;
  result.MouseEvent = kind;
  result.Button = button;
  result.Modifiers = HeldModifiers();
  return result;
}

std::vector<TPlatformEvent> ButtonEvents(const SDL_MouseButtonEvent& event) {
  const bool down = event.type == SDL_MOUSEBUTTONDOWN;
  const TMouseButton button = ButtonOf(event.button);
  std::vector events{
      MouseEvent(event.windowID, event.x, event.y, down ? TMouseEvent::Down : TMouseEvent::Up, button)};
  // Every second click in a row is a double click, as the show's platform counts them.
  if (down && event.clicks >= 2 && event.clicks % 2 == 0)
    events.push_back(MouseEvent(event.windowID, event.x, event.y, TMouseEvent::DoubleClick, button));
  return events;
}

TPlatformEvent WheelEvent(const SDL_MouseWheelEvent& event) {
  TPlatformEvent result{TPlatformEvent::TKind::Wheel, event.windowID};
  const float notches = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.preciseY : event.preciseY;
  result.WheelDelta = int(std::lround(notches * 120));
  result.Modifiers = HeldModifiers();
  return result;
}

}  // namespace

int VirtualKeyOfSdlKey(std::int32_t sdl_key) {
  // Letters are their capitals, as the shows' key numbering has them.
  if (sdl_key >= SDLK_a && sdl_key <= SDLK_z) return vk::kLetterA + (sdl_key - SDLK_a);
  for (const auto& [key, code] : kKeys)
    if (key == sdl_key) return code;
  return 0;
}

std::vector<TPlatformEvent> TranslateSdlEvent(const void* sdl_event) {
  const SDL_Event& event = *static_cast<const SDL_Event*>(sdl_event);
  switch (event.type) {
    case SDL_QUIT:
      return {TPlatformEvent{TPlatformEvent::TKind::Quit}};
    case SDL_WINDOWEVENT:
      return WindowEvent(event.window);
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return {KeyEvent(event.key)};
    case SDL_TEXTINPUT: {
      TPlatformEvent text{TPlatformEvent::TKind::Text, event.text.windowID};
      text.Text = event.text.text;
      return {text};
    }
    case SDL_MOUSEMOTION:
      return {MouseEvent(event.motion.windowID, event.motion.x, event.motion.y, TMouseEvent::Move,
                         TMouseButton::None)};
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return ButtonEvents(event.button);
    case SDL_MOUSEWHEEL:
      return {WheelEvent(event.wheel)};
  }
  return {};
}

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
                     const std::function<bool()>& keep_running, const TLoopTimer& timer) {
  // Tasks posted before the loop started have woken nobody yet.
  RunMainThreadTasks();
  int64_t next_tick = TickCount() + timer.Interval;
  while (keep_running()) {
    SDL_Event event;
    bool got = false;
    if (timer.Interval > 0) {
      got = SDL_WaitEventTimeout(&event, int(std::max<int64_t>(next_tick - TickCount(), 1))) != 0;
      if (TickCount() >= next_tick) {
        next_tick = TickCount() + timer.Interval;
        timer.OnTick();
      }
    } else if (!SDL_WaitEvent(&event)) {
      break;
    } else {
      got = true;
    }
    if (!got) continue;
    if (event.type == FWakeEvent) {
      RunMainThreadTasks();
    } else {
      for (const TPlatformEvent& translated : TranslateSdlEvent(&event)) handler(translated);
    }
  }
}

int TEventLoop::DesktopBitsPerPixel() const {
  SDL_DisplayMode mode;
  return SDL_GetDesktopDisplayMode(0, &mode) == 0 ? int(SDL_BITSPERPIXEL(mode.format)) : 0;
}

}  // namespace orv
