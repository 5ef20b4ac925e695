// Where a picture lands on a printed page: as large as the page allows without changing
// its proportions, centred in the other direction.
#pragma once

#include "base/rect.h"

namespace orv {

enum class TPageOrientation { Portrait, Landscape };

// Landscape only for pictures wider than high: a square one prints upright.
TPageOrientation OrientationFor(int width, int height);

// The rectangle, in page units, a w × h picture fills on a W × H page.
// Empty for an empty picture or page.
TRect FitOnPage(int width, int height, int page_width, int page_height);

}  // namespace orv
