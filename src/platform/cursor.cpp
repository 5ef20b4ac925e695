#include "platform/cursor.h"

#include <SDL.h>

#include <optional>

namespace orv {
namespace {

// The system cursors, made once and kept for the life of the process.
SDL_Cursor* SystemCursor(SDL_SystemCursor id) {
  static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  static SDL_Cursor* hand = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
  return id == SDL_SYSTEM_CURSOR_HAND ? hand : arrow;
}

std::optional<TCursorShape> gShape;

}  // namespace

void SetCursorShape(TCursorShape shape) {
  if (gShape == shape) return;
  gShape = shape;
  if (shape == TCursorShape::Hidden) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  if (SDL_Cursor* cursor = SystemCursor(shape == TCursorShape::Hand ? SDL_SYSTEM_CURSOR_HAND : SDL_SYSTEM_CURSOR_ARROW))
    SDL_SetCursor(cursor);
  SDL_ShowCursor(SDL_ENABLE);
}

void GlobalCursorPosition(int& x, int& y) { SDL_GetGlobalMouseState(&x, &y); }

}  // namespace orv
