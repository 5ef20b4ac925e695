// The one source of random choices of a show (transition picks, their order, mosaic tile
// orders). The player seeds it from the clock; tests and tools give it a fixed seed so
// that every choice can be replayed.
#pragma once

#include <cstdint>
#include <optional>
#include <random>

namespace orv {

class TRandomGenerator {
public:
  // Without a seed: seeded from the clock now and again at every Reseed.
  explicit TRandomGenerator(std::optional<uint64_t> seed = std::nullopt);

  // Takes a fresh seed from the clock; a generator with a fixed seed keeps its sequence.
  void Reseed();
  // Uniform in 0 … bound − 1; 0 when `bound` is 0.
  uint32_t Below(uint32_t bound);

private:
  static uint64_t ClockSeed();

  bool FFixed;
  std::mt19937_64 FEngine;
};

}  // namespace orv
