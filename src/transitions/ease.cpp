#include "transitions/ease.h"

namespace orv {

const std::array<TEasePoint, 15>& EaseBand() {
  static const std::array<TEasePoint, 15> band = [] {
    std::array<TEasePoint, 15> points{};
    for (int i = 0; i < 15; ++i) {
      const float x = float(i) * 255.0f / 14.0f;
      const float y = x < 127.5f ? x * x / 128.0f : 255.0f - (255.0f - x) * (255.0f - x) / 128.0f;
      points[i] = {x, y};
    }
    return points;
  }();
  return band;
}

const std::array<std::uint8_t, 256>& EaseTable() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> steps{};
    for (int i = 0; i < 128; ++i) {
      steps[i] = std::uint8_t(i * i / 128);
      steps[255 - i] = std::uint8_t(255 - steps[i]);
    }
    return steps;
  }();
  return table;
}

double EaseInOut(double f) { return f < 0.5 ? 2 * f * f : 1 - 2 * (1 - f) * (1 - f); }

}  // namespace orv
