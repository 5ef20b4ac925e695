// The show source of a generated show: how long building it takes when a show opens, at
// 1,000, 10,000 and 100,000 slides (timeline.sh shows the growth), and how fast the engine
// and the navigation find slides and their times in a show of 10,000.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "show/orv_source.h"

namespace {

constexpr int kSlides = 10'000;
constexpr int kLookups = 4096;

std::string ShowText(int slides) {
  std::mt19937 random(11);
  std::string show = R"([Main]
object TheEffect:AnEffect
  time=1200
  object push:push
    checked=1
    direction=1111
  end
  object shapes:shapes
    checked=1
    action=11
    direction=111
  end
  object mosaic:mosaic
    checked=1
    cols=8
    rows=6
  end
end
)";
  const char* refs[] = {"default", "push", "quick", "defowntime", "mosaic"};
  std::string times = "[Times]\nopt_slidescount=" + std::to_string(slides) + "\n";
  int end = 0;
  for (int i = 1; i <= slides; ++i) {
    end += 1000 + int(random() % 7000);
    times += "opt_synchpos" + std::to_string(i) + "=" + std::to_string(end) + "\n";
    show += "[Slide" + std::to_string(i) + "]\nPicture=C:\\show\\pictures\\photo" + std::to_string(i) +
            ".jpg\nobject TheEffect:AnEffect\n  ref=" + refs[random() % 5] + "\n  time=900\nend\n";
  }
  return show + times;
}

orv::Ref<orv::TIniFile> ParsedShow(const std::string& text) {
  auto project = orv::MakeRef<orv::TIniFile>();
  project->LoadFromBytes(text);
  return project;
}

orv::Ref<orv::TOrvSource> MakeSource(orv::Ref<orv::TIniFile> project) {
  orv::TOrvSourceSettings settings;
  settings.ProgramFile.clear();
  settings.RandomSeed = 5;
  return orv::MakeRef<orv::TOrvSource>(std::move(project), settings);
}

void BuildSource(benchmark::State& state) {
  const std::string text = ShowText(int(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    orv::Ref<orv::TIniFile> project = ParsedShow(text);
    state.ResumeTiming();
    benchmark::DoNotOptimize(MakeSource(std::move(project)).Get());
  }
  state.counters["ms"] = benchmark::Counter(state.iterations() / 1e3, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BuildSource)->Arg(1'000)->Arg(kSlides)->Arg(100'000)->Unit(benchmark::kMillisecond);

const orv::TOrvSource& SharedSource() {
  static const orv::Ref<orv::TOrvSource> source = MakeSource(ParsedShow(ShowText(kSlides)));
  return *source;
}

void SetNsPerLookup(benchmark::State& state) {
  state.counters["ns"] =
      benchmark::Counter(double(kLookups) * state.iterations() / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Times over the lead-in, the first pass and nine later passes.
void FindSlideAt(benchmark::State& state) {
  const orv::TOrvSource& source = SharedSource();
  std::mt19937 random(3);
  std::uniform_real_distribution<double> times(-1000, source.TotalDuration() * 10);
  std::vector<double> queries(kLookups);
  for (double& time : queries) time = times(random);
  for (auto _ : state)
    for (double time : queries) benchmark::DoNotOptimize(source.FindSlideAt(time));
  SetNsPerLookup(state);
}
BENCHMARK(FindSlideAt);

void GetSlideTimes(benchmark::State& state) {
  const orv::TOrvSource& source = SharedSource();
  std::mt19937 random(4);
  std::uniform_int_distribution<int> indexes(-2, kSlides * 10);
  std::vector<int> queries(kLookups);
  for (int& index : queries) index = indexes(random);
  orv::TSlideTimes times;
  for (auto _ : state)
    for (int index : queries) {
      benchmark::DoNotOptimize(source.GetSlideTimes(index, times));
      benchmark::DoNotOptimize(times.EndTime);
    }
  SetNsPerLookup(state);
}
BENCHMARK(GetSlideTimes);

}  // namespace
