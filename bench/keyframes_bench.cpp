// The key-point evaluation of a large slide: 1,000 objects with 10 key points each, all
// fields animated, every other object easing its motion and every third one turning by a
// formula, evaluated at 10,000 successive frame times, as the drawing thread does
// once per frame. Reports ms per evaluation of the whole slide; keyframes.sh compares it
// with the 0.1 ms the frame budget leaves for it.
#include <benchmark/benchmark.h>

#include <string>

#include "project/ini_file.h"
#include "slide/key_frames.h"

namespace {

constexpr int kObjects = 1000;
constexpr int kKeys = 10;
constexpr int kTimes = 10'000;
constexpr int kSlideLength = 20'000;

std::string Modifiers(int i) {
  std::string text;
  if (i % 2 == 0)
    text += "object Ease:Mod\ndst=Pos.T\nfn=QSplineGraph(value, x1/100, y1/100, 1-x2/100, 1-y2/100)\n"
            "x1=26\ny1=0\nx2=26\ny2=0\nend\n";
  if (i % 3 == 0) text += "object Spin:Mod\ndst=Angle\nfn=value+Sin(t*Pi)*10\nend\n";
  return text;
}

// Key point k of object i: every group animated, the times spread over the slide and
// shifted per object so that the objects change segments on different frames.
std::string KeyPoint(int i, int k) {
  const auto n = [](int value) { return std::to_string(value); };
  return "object Key:KeyPoint\nTime=" + n(k * (kSlideLength / kKeys) + i % 97) + "\nOpacity=" + n(40 + (i + k) % 60) +
         "\nPosition=" + n((i * 7 + k * 13) % 100 - 50) + "," + n((i * 11 + k * 5) % 100 - 50) + "\nZPos=" + n(k % 3) +
         "\nScaleX=" + n(80 + k * 5) + "\nScaleY=" + n(80 + k * 4) + "\nAngle=" + n(k * 36) +
         "\nCenterPos=" + n(k % 4) + "," + n(k % 5) + "\nZoom=" + n(100 + k * 10) + "\nOffsX=" + n(k * 3) +
         "\nOffsY=" + n(k * 2) + "\n" + Modifiers(i) + "end\n";
}

std::string SlideText() {
  std::string text = "[Slide1]\nobject Container:Root\n";
  for (int i = 0; i < kObjects; ++i) {
    text += "object Obj" + std::to_string(i) + ":Image\nGUID={" + std::to_string(i) + "}\n";
    for (int k = 0; k < kKeys; ++k) text += KeyPoint(i, k);
    text += "end\n";
  }
  return text + "end\n";
}

void EvaluateKeyFrames(benchmark::State& state) {
  auto file = orv::MakeRef<orv::TIniFile>();
  file->LoadFromBytes(SlideText());
  auto root = orv::MakeRef<orv::TOrvObjectProps>();
  root->LoadProps(*file->FindSection("Slide1")->FindObject("Container"), {kSlideLength, 500, 500});
  if (root->Children().size() != kObjects || root->Children()[0]->KeyCount() != kKeys) {
    state.SkipWithError("the slide is not built whole");
    return;
  }
  int64_t evaluations = 0;
  for (auto _ : state) {
    for (int frame = 0; frame < kTimes; ++frame) root->Evaluate(frame * (double(kSlideLength) / kTimes), true);
    evaluations += kTimes;
  }
  benchmark::DoNotOptimize(root->Children()[0]->Values().data());
  state.counters["ms"] =
      benchmark::Counter(double(evaluations) / 1e3, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(EvaluateKeyFrames)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
