#include "platform/screen.h"

#include <SDL.h>

#include <cstdint>
#include <limits>

#include "platform/platform_window.h"

namespace orv {

namespace {

std::int64_t DistanceSquared(const TRect& area, int x, int y) {
  const auto outside = [](int v, int lo, int hi) -> std::int64_t { return v < lo ? lo - v : v >= hi ? v - hi + 1 : 0; };
  const std::int64_t dx = outside(x, area.Left, area.Right);
  const std::int64_t dy = outside(y, area.Top, area.Bottom);
  return dx * dx + dy * dy;
}

}  // namespace

std::vector<TRect> TScreen::Monitors() {
  TVideoSubsystem video;
  std::vector<TRect> result;
  const int count = SDL_GetNumVideoDisplays();
  for (int i = 0; i < count; ++i) {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(i, &r) == 0) result.push_back(TRect{r.x, r.y, r.x + r.w, r.y + r.h});
  }
  return result;
}

int TScreen::MonitorOf(const TRect& area) {
  const int cx = area.Left + area.Width() / 2;
  const int cy = area.Top + area.Height() / 2;
  const std::vector<TRect> monitors = Monitors();
  int best = 0;
  std::int64_t best_distance = std::numeric_limits<std::int64_t>::max();
  for (int i = 0; i < static_cast<int>(monitors.size()); ++i) {
    const std::int64_t d = DistanceSquared(monitors[i], cx, cy);
    if (d < best_distance) {
      best = i;
      best_distance = d;
    }
  }
  return best;
}

}  // namespace orv
