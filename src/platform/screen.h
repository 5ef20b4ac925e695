// The monitors of the desktop.
#pragma once

#include <vector>

#include "base/rect.h"

namespace orv {

class TScreen {
public:
  // The desktop rectangle of every display, in the platform's order (0 is the primary).
  static std::vector<TRect> Monitors();
  // The display that holds the centre of `area` (or is nearest to it); 0 without displays.
  static int MonitorOf(const TRect& area);
};

}  // namespace orv
