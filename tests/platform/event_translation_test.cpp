#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/event_loop.h"

namespace orv {
namespace {

TEST(EventTranslation, SdlKeysBecomeTheShowsKeyCodes) {
  const std::pair<SDL_Keycode, int> cases[] = {
      {SDLK_LEFT, 37},        {SDLK_UP, 38},          {SDLK_RIGHT, 39},      {SDLK_DOWN, 40},
      {SDLK_PAGEUP, 33},      {SDLK_PAGEDOWN, 34},    {SDLK_END, 35},        {SDLK_HOME, 36},
      {SDLK_SPACE, 32},       {SDLK_RETURN, 13},      {SDLK_KP_ENTER, 13},   {SDLK_ESCAPE, 27},
      {SDLK_PAUSE, 19},       {SDLK_F1, 112},         {SDLK_a, 'A'},         {SDLK_p, 'P'},
      {SDLK_z, 'Z'},          {SDLK_AC_BACK, 166},    {SDLK_AC_FORWARD, 167}, {SDLK_AUDIONEXT, 176},
      {SDLK_AUDIOPREV, 177},  {SDLK_AUDIOSTOP, 178},  {SDLK_AUDIOPLAY, 179}, {SDLK_F2, 0},
      {SDLK_LSHIFT, 0},
  };
  for (const auto& [sdl, code] : cases) EXPECT_EQ(VirtualKeyOfSdlKey(sdl), code) << SDL_GetKeyName(sdl);
}

TEST(EventTranslation, KeysCarryTheirModifiers) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.windowID = 7;
  event.key.keysym.sym = SDLK_p;
  event.key.keysym.mod = KMOD_LCTRL | KMOD_RGUI;
  const std::vector<TPlatformEvent> events = TranslateSdlEvent(&event);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].Kind, TPlatformEvent::TKind::Key);
  EXPECT_EQ(events[0].WindowId, 7u);
  EXPECT_EQ(events[0].Key, 'P');
  EXPECT_EQ(events[0].KeyEvent, kKeyDown);
  EXPECT_EQ(events[0].Modifiers, modifier::kCtrl | modifier::kWindows);
  event.type = SDL_KEYUP;
  event.key.keysym.mod = KMOD_RSHIFT | KMOD_LALT;
  EXPECT_EQ(TranslateSdlEvent(&event)[0].KeyEvent, kKeyUp);
  EXPECT_EQ(TranslateSdlEvent(&event)[0].Modifiers, modifier::kShift | modifier::kAlt);
}

TEST(EventTranslation, ADoubleClickIsAPressAndThenTheDoubleClick) {
  SDL_Event event{};
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.button = SDL_BUTTON_LEFT;
  event.button.x = 12;
  event.button.y = 34;
  for (const Uint8 clicks : {1, 2, 3, 4}) {
    event.button.clicks = clicks;
    const std::vector<TPlatformEvent> events = TranslateSdlEvent(&event);
    ASSERT_EQ(events.size(), clicks % 2 == 0 ? 2u : 1u) << int(clicks);
    EXPECT_EQ(events[0].MouseEvent, TMouseEvent::Down);
    EXPECT_EQ(events[0].Button, TMouseButton::Left);
    EXPECT_EQ(events[0].X, 12);
    EXPECT_EQ(events[0].Y, 34);
    if (events.size() == 2) {
      EXPECT_EQ(events[1].MouseEvent, TMouseEvent::DoubleClick);
    }
  }
  event.type = SDL_MOUSEBUTTONUP;
  event.button.button = SDL_BUTTON_RIGHT;
  event.button.clicks = 2;
  const std::vector<TPlatformEvent> up = TranslateSdlEvent(&event);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].MouseEvent, TMouseEvent::Up);
  EXPECT_EQ(up[0].Button, TMouseButton::Right);
}

TEST(EventTranslation, TheWheelCountsInUnitsOf120) {
  SDL_Event event{};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.y = 1;
  event.wheel.preciseY = 1.0f;
  EXPECT_EQ(TranslateSdlEvent(&event)[0].WheelDelta, 120);
  event.wheel.preciseY = -0.5f;
  EXPECT_EQ(TranslateSdlEvent(&event)[0].WheelDelta, -60);
  event.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  EXPECT_EQ(TranslateSdlEvent(&event)[0].WheelDelta, 60);
}

TEST(EventTranslation, WindowEvents) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = 3;
  const std::pair<Uint8, TPlatformEvent::TKind> cases[] = {
      {SDL_WINDOWEVENT_CLOSE, TPlatformEvent::TKind::CloseRequested},
      {SDL_WINDOWEVENT_ENTER, TPlatformEvent::TKind::MouseEntered},
      {SDL_WINDOWEVENT_LEAVE, TPlatformEvent::TKind::MouseLeft},
      {SDL_WINDOWEVENT_FOCUS_GAINED, TPlatformEvent::TKind::Activated},
  };
  for (const auto& [sdl, kind] : cases) {
    event.window.event = sdl;
    const std::vector<TPlatformEvent> events = TranslateSdlEvent(&event);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Kind, kind);
    EXPECT_EQ(events[0].WindowId, 3u);
  }
  event.window.event = SDL_WINDOWEVENT_MOVED;
  EXPECT_TRUE(TranslateSdlEvent(&event).empty());
}

}  // namespace
}  // namespace orv
