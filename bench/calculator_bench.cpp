// Formulas and key points are evaluated for every animated object on every frame. Reports
// ns per formula evaluation for typical modifier formulas (the shared ones run beside
// muParser when it is built in, see calculator.sh), and ns per object for a slide of 1,000
// animated objects evaluated at successive frame times.
#include <benchmark/benchmark.h>

#include <string>

#include "calculator_formulas.h"
#include "project/ini_file.h"
#include "slide/calculator.h"
#include "slide/curves.h"
#include "slide/key_frames.h"

namespace {

// "t" as modifiers see it: a variable whose value lives in a double of the animation state.
class TBenchVariable : public orv::TParamGetter {
public:
  TBenchVariable() : TParamGetter("t", Value) {}
  double GetValue() const override { return Value; }
  void SetValue(double value) override { Value = value; }
  double Value = 0;
};

orv::Ref<orv::TCalcFunc> ResolveT(void* owner, std::string_view name) {
  if (name != "t") return nullptr;
  return orv::Ref<orv::TCalcFunc>::Share(static_cast<TBenchVariable*>(owner));
}

// Time per unit of work, in ns: the rate of `units` inverted.
benchmark::Counter NsPer(double units) {
  return benchmark::Counter(units * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void EvaluateFormula(benchmark::State& state, const char* formula) {
  orv::RegisterCurveFunctions();
  auto t = orv::MakeRef<TBenchVariable>();
  orv::TCalculator calculator;
  if (!calculator.Compile(formula, ResolveT, t.Get())) {
    state.SkipWithError(calculator.ErrorMessage().c_str());
    return;
  }
  orv::TCalcStack stack;
  double sum = 0;
  for (auto _ : state) {
    t->Value = NextT(t->Value);
    calculator.Run(stack);
    sum += stack.Top();
  }
  benchmark::DoNotOptimize(sum);
  state.counters["ns/eval"] = NsPer(double(state.iterations()));
}
const bool kSharedRegistered = [] {
  for (const TBenchFormula& formula : kSharedFormulas)
    benchmark::RegisterBenchmark((std::string("EvaluateFormula/") + formula.Name).c_str(), EvaluateFormula, formula.Text);
  return true;
}();
BENCHMARK_CAPTURE(EvaluateFormula, ease_prepared, "QSplineGraph(t, 26/100, 0/100, 1-26/100, 1-0/100)");
BENCHMARK_CAPTURE(EvaluateFormula, ease_solved, "QSplineGraph(t, 0.26+t*0, 0, 0.74, 1)");

// A slide of 1,000 objects, each with three key points; every other object eases its
// position and every third one modifies a field.
std::string SlideText(int objects) {
  std::string text = "[Slide1]\nobject Container:Root\n";
  for (int i = 0; i < objects; ++i) {
    const std::string n = std::to_string(i);
    text += "object Obj" + n + ":Image\nGUID={" + n + "}\n";
    for (int k = 0; k < 3; ++k) {
      text += "object Key:KeyPoint\nTime=" + std::to_string(k * 2000 + i % 100) + "\nOpacity=" + std::to_string(k * 40) +
              "\nPosition=" + std::to_string(i % 50) + "," + std::to_string(k * 10) + "\nZoom=" + std::to_string(100 + k * 50) +
              "\nOffsX=" + std::to_string(k * 5) + "\nAngle=" + std::to_string(k * 30) + "\n";
      if (i % 2 == 0)
        text += "object Ease:Mod\ndst=Pos.T\nfn=QSplineGraph(value, x1/100, y1/100, 1-x2/100, 1-y2/100)\n"
                "x1=26\ny1=0\nx2=26\ny2=0\nend\n";
      if (i % 3 == 0) text += "object Spin:Mod\ndst=Angle\nfn=value+Sin(t*Pi)*10\nend\n";
      text += "end\n";
    }
    text += "end\n";
  }
  return text + "end\n";
}

void EvaluateSlide(benchmark::State& state) {
  constexpr int kObjects = 1000;
  auto file = orv::MakeRef<orv::TIniFile>();
  file->LoadFromBytes(SlideText(kObjects));
  auto root = orv::MakeRef<orv::TOrvObjectProps>();
  root->LoadProps(*file->FindSection("Slide1")->FindObject("Container"), {6000, 500, 500});
  double time = 0;
  for (auto _ : state) {
    time += 1000.0 / 60;  // one frame at 60 frames per second
    if (time > 6000) time = 0;
    root->Evaluate(time, true);
  }
  benchmark::DoNotOptimize(root->Children()[0]->Values().data());
  state.counters["ns/object"] = NsPer(double(state.iterations()) * kObjects);
  state.counters["us/frame"] = benchmark::Counter(double(state.iterations()) * 1e-6,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(EvaluateSlide)->Unit(benchmark::kMicrosecond);

}  // namespace
