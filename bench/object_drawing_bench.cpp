// What a slide costs the drawing thread per frame before any GL work: placing 200 moving
// pictures and handing them to a drawer that draws nothing, with and without colour grading
// from key-point filters, over a tiled picture background.
#include <benchmark/benchmark.h>

#include <string>

#include "image/bitmap_store.h"
#include "package/file_accessor.h"
#include "package/file_source.h"
#include "null_drawer.h"
#include "slide/orv_slide.h"

namespace orv {
namespace {

constexpr int kObjects = 200;

// Counts what it is asked to draw and draws nothing.
class TCountingDrawer : public test::TNullDrawer {
public:
  int64_t Quads = 0;

  TCountingDrawer() : TNullDrawer({0, 0, 1920, 1080}) {}
  void DrawImage(TImage&, const TQuadFrame&, const TRectF&, const TImageDrawParams&) override { ++Quads; }
  void DrawBox(const TQuadFrame&, const TBoxDrawParams&) override { ++Quads; }
  void DrawBorder(const TQuadFrame&, float, float, TColor32, float, bool) override { ++Quads; }
};

Ref<TBitmapStore> ProvidePicture(void*, const WideString& name) {
  return MakeRef<TWrapperBitmapStore>(name, TBitmap::Create(64, 48, pf::A8R8G8B8));
}

std::string Block(const std::string& head, const std::string& lines) { return "object " + head + "\n" + lines + "end\n"; }

// Pictures panning and zooming between two key points, each with a border; graded ones
// invert their colours at the first key point.
std::string SlideText(bool graded) {
  std::string objects;
  for (int i = 0; i < kObjects; ++i) {
    const std::string filter = graded ? Block("Invert:Filter", "") : "";
    objects += Block("P" + std::to_string(i) + ":Image",
                     "GUID={" + std::to_string(i) + "}\nImageName=photo" + std::to_string(i) +
                         ".jpg\nEnableBorder=1\nFitMode=None\n" +
                         Block("K:KeyPoint", "Time=0\nPosition=-50,-50\nZoom=100\n" + filter) +
                         Block("K:KeyPoint", "Time=10000\nPosition=50,50\nZoom=150\n"));
  }
  return "[Main]\n[Slide1]\nbstyle=2\nbfn=background.jpg\nbsize=20\n" + Block("Container:Root", "\n" + objects);
}

void DrawSlide(benchmark::State& state, bool graded) {
  auto accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), u"");
  const Ref<TCallbackHandle> provider = accessor->AddPictureProvider({&ProvidePicture, nullptr});
  TSlideHostCallbacks callbacks;
  callbacks.EffectBufferSize = [] { return TIntPair{1920, 1080}; };
  callbacks.CameraPosition = [] { return TPoint3F{960, 540, -2000}; };
  auto host = MakeRef<TOrvSlideHost>(accessor, callbacks);
  auto project = MakeRef<TIniFile>();
  project->LoadFromBytes(SlideText(graded));
  auto slide = MakeRef<TOrvSlide>(host);
  slide->SetGeometry({960, 540}, {1920, 1080}, {1920, 1080});
  const TSlideLists lists{Ref<TIniSection>::Share(project->FindSection("Main")),
                          Ref<TIniSection>::Share(project->FindSection("Slide1")), nullptr, nullptr};
  if (!slide->LoadSlide(lists, {0, 10000, 0, 0}, false)) {
    state.SkipWithError("slide not built");
    return;
  }
  auto drawer = MakeRef<TCountingDrawer>();
  slide->PrepareSizes(0);
  slide->PrepareResources(*drawer);
  double time = 0;
  for (auto _ : state) {
    time = time >= 10000 ? 0 : time + 40;
    slide->UpdateAt(true, time);
    slide->Draw(*drawer);
  }
  benchmark::DoNotOptimize(drawer->Quads);
  slide->ReleaseResources();
  state.counters["objects_per_s"] = benchmark::Counter(kObjects, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DrawSlide(benchmark::State& state) { DrawSlide(state, false); }
void BM_DrawGradedSlide(benchmark::State& state) { DrawSlide(state, true); }

BENCHMARK(BM_DrawSlide)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawGradedSlide)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orv
