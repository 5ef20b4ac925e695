// Shadow and mask pictures are made while a slide is prepared, so they delay its first
// frame. Reports ms per shadow for a photo-sized plain rectangle at a light and a heavy blur
// and for a picture with its own alpha, and ms per 1024 × 1024 preset mask.
#include <benchmark/benchmark.h>

#include "image/bitmap_store.h"
#include "slide/mask_pictures.h"
#include "slide/shadow_generator.h"

namespace {

// Time per unit of work, in ms.
benchmark::Counter MsPer(double units) {
  return benchmark::Counter(units * 1e-3, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Generate(benchmark::State& state, const orv::TShadowGenerator& generator) {
  for (auto _ : state) benchmark::DoNotOptimize(generator.Generate());
  state.counters["ms/shadow"] = MsPer(double(state.iterations()));
  state.counters["picture_px"] = double(generator.Layout().PictureWidth()) * generator.Layout().PictureHeight();
}

void RectangleShadow(benchmark::State& state, float blur) {
  orv::TShadowParams params;
  params.Source = {0, 0, 4000, 3000};
  params.BlurSize = blur;
  Generate(state, orv::TShadowGenerator(params, nullptr));
}
BENCHMARK_CAPTURE(RectangleShadow, blur_16, 16.0f)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RectangleShadow, blur_800, 800.0f)->Unit(benchmark::kMillisecond);

void PictureShadow(benchmark::State& state) {
  orv::Ref<orv::TBitmap> pixels = orv::TBitmap::Create(1600, 1200, orv::pf::A8R8G8B8);
  for (int y = 0; y < pixels->Height(); ++y)
    for (int x = 0; x < pixels->Width(); ++x)
      reinterpret_cast<uint32_t*>(pixels->Row(y))[x] = ((x / 40 + y / 40) % 2 ? 0xFFu : 0x40u) << 24;
  auto picture = orv::MakeRef<orv::TImage>(orv::MakeRef<orv::TWrapperBitmapStore>(u"checks.png", pixels));
  orv::TShadowParams params;
  params.SourceName = u"checks.png";
  params.Source = {0, 0, 1600, 1200};
  params.BlurSize = 40;
  params.SpreadIndex = 5;
  Generate(state, orv::TShadowGenerator(params, picture));
}
BENCHMARK(PictureShadow)->Unit(benchmark::kMillisecond);

void PresetMask(benchmark::State& state) {
  const orv::TMaskGenerator generator(*orv::ParsePresetMaskName(u"PresetedMask:1024:1024:1:50:50"));
  for (auto _ : state) benchmark::DoNotOptimize(generator.Generate());
  state.counters["ms/mask"] = MsPer(double(state.iterations()));
}
BENCHMARK(PresetMask)->Unit(benchmark::kMillisecond);

}  // namespace
