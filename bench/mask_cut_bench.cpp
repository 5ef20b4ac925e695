// Cutting transition masks along the tile grid: the soft band of a circle drawn as 14
// rings of 256 segments, the heaviest mask a shape transition draws per frame, over one
// tile (the grid the draw manager uses) and over 8 × 8 tiles.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "transitions/effect_tiles.h"

namespace orv {
namespace {

constexpr float kWidth = 1920;
constexpr float kHeight = 1080;

// Counts what reaches the tiles, so that nothing is optimised away.
class TCountingTile : public TEffTile {
public:
  void Begin() override {}
  void AddMaskTriangles(std::span<const TMaskVertex> fan) override { Triangles += int(fan.size()) - 2; }
  void End() override {}
  long Triangles = 0;
};

class TCountingGrid : public TEffController {
public:
  long Triangles() const {
    long sum = 0;
    for (const auto& tile : FMade) sum += tile->Triangles;
    return sum;
  }

protected:
  Ref<TEffTile> CreateTile(const TRect& /*rect*/) override {
    FMade.push_back(MakeRef<TCountingTile>());
    return FMade.back();
  }

private:
  std::vector<Ref<TCountingTile>> FMade;
};

// Quads of 14 rings round the frame centre, the outer ones reaching past its corners.
std::vector<std::vector<TMaskVertex>> SoftBand() {
  std::vector<std::vector<TMaskVertex>> quads;
  const float cx = kWidth / 2;
  const float cy = kHeight / 2;
  const auto at = [&](float r, int segment, float alpha) {
    const double angle = 2 * std::numbers::pi * segment / 256;
    return TMaskVertex{cx + r * float(std::cos(angle)), cy + r * float(std::sin(angle)), alpha};
  };
  for (int ring = 0; ring < 14; ++ring) {
    const float inner = 800 + 20.0f * float(ring);
    const float outer = inner + 20;
    const float a0 = 255 - 18.0f * float(ring);
    const float a1 = a0 - 18;
    for (int s = 0; s < 256; ++s)
      quads.push_back({at(inner, s, a0), at(outer, s, a1), at(outer, s + 1, a1), at(inner, s + 1, a0)});
  }
  return quads;
}

std::vector<float> Edges(float length, int parts) {
  std::vector<float> edges;
  for (int i = 0; i <= parts; ++i) edges.push_back(length * float(i) / float(parts));
  return edges;
}

void BM_CutSoftBand(benchmark::State& state) {
  const int tiles = int(state.range(0));
  const auto band = SoftBand();
  TCountingGrid grid;
  grid.SetGrid(Edges(kWidth, tiles), Edges(kHeight, tiles));
  for (auto _ : state) {
    TMultiTile canvas(grid);
    canvas.Begin();
    for (const auto& quad : band) canvas.AddMaskTriangles(quad);
    canvas.End();
  }
  benchmark::DoNotOptimize(grid.Triangles());
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["polygons/s"] =
      benchmark::Counter(double(state.iterations()) * double(band.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CutSoftBand)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv
