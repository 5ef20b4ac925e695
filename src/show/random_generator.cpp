#include "show/random_generator.h"

#include <chrono>

namespace orv {

TRandomGenerator::TRandomGenerator(std::optional<uint64_t> seed)
    : FFixed(seed.has_value()), FEngine(seed.value_or(ClockSeed())) {}

uint64_t TRandomGenerator::ClockSeed() {
  return static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

void TRandomGenerator::Reseed() {
  if (!FFixed) FEngine.seed(ClockSeed());
}

// Rejection keeps the draw uniform (no modulo bias); the standard distributions are not
// used because their sequences differ between standard libraries.
uint32_t TRandomGenerator::Below(uint32_t bound) {
  if (bound == 0) return 0;
  const uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
  uint64_t value;
  do value = FEngine();
  while (value >= limit);
  return static_cast<uint32_t>(value % bound);
}

}  // namespace orv
