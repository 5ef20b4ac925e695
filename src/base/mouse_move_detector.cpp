#include "base/mouse_move_detector.h"

#include <cstdlib>

namespace orv {

bool TMouseMoveDetector::Sample(int x, int y) {
  const bool first = FSamples++ == 0;
  const bool moved = !first && std::abs(int64_t(x) - FX) + std::abs(int64_t(y) - FY) >= kThreshold;
  if (first || moved) {
    FX = x;
    FY = y;
  }
  if (moved) FLastMove = FTicks();
  return moved;
}

}  // namespace orv
