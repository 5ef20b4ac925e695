#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/platform_window.h"

namespace orv {
namespace {

// "\r\n" and a lone "\r" become "\n".
std::string WithNewLines(std::string_view text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      result += text[i];
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      result += '\n';
    }
  }
  return result;
}

// Drivers that have no screen a person could look at.
bool HasVisibleDisplay() {
  const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
  return driver && std::string_view(driver) != "offscreen" && std::string_view(driver) != "dummy";
}

Uint32 FlagsOf(TMessageIcon icon) {
  return icon == TMessageIcon::Exclamation ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
}

}  // namespace

void ShowMessageBox(const TPlatformWindow* owner, std::string_view text, std::string_view caption, TMessageIcon icon) {
  const std::string body = WithNewLines(text);
  const std::string title(caption);
  SDL_Window* parent = owner ? SDL_GetWindowFromID(owner->Id()) : nullptr;
  if (HasVisibleDisplay() && SDL_ShowSimpleMessageBox(FlagsOf(icon), title.c_str(), body.c_str(), parent) == 0) return;
  std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
  std::fflush(stderr);
}

}  // namespace orv
