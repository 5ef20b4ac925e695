// Where the main window goes for a window mode: on which monitor (or over all of them),
// at which size, with or without a frame. A pure function of the monitors and switches.
#pragma once

#include <vector>

#include "base/rect.h"
#include "platform/platform_window.h"

namespace orv {

struct TPlacementSwitches {
  int Display = 0;            // "-display N": monitor N from 1; 0 when not given
  bool DesktopAlign = false;  // "-desktopalign": the area enclosing every monitor
  bool Resize = false;        // "-resize": a window with border may be resized
};

struct TWindowPlacement {
  TWindowMode Mode = TWindowMode::Borderless;
  TRect Client;  // the client area in desktop coordinates
  bool Resizable = false;
};

// The smallest client side a placement gives, whatever the size asked for.
inline constexpr int kMinClientSide = 10;

// The primary monitor: the one at the desktop's origin, searched from the last monitor
// down to the second; the first when none of those is.
int PrimaryMonitor(const std::vector<TRect>& monitors);

// Mode 0 covers the target area; modes 1 (with border) and 2 (without) take width ×
// height, shrunk uniformly when the window (its frame included) would not fit the area,
// and centre it there. A size of 0 or less takes 640 × 480; a frame larger than the area
// still leaves a client area of kMinClientSide a side. `frame` holds the thickness of the
// border and caption on each side (used for mode 1 only).
TWindowPlacement WindowPlacement(int width, int height, int mode, const std::vector<TRect>& monitors,
                                 const TPlacementSwitches& switches, const TRect& frame);

}  // namespace orv
