// Text throughput on one million generated names: UTF-8 to UTF-16 conversion and
// case-insensitive hashing, the work every document lookup and every file name does.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "base/text.h"

namespace {

// Names like those of a project: mostly ASCII keys, some with accents and Cyrillic. They
// sit back to back in one buffer, as they do in a loaded document.
const std::vector<std::string_view>& Names() {
  static std::string buffer;
  static const std::vector<std::string_view> names = [] {
    std::mt19937 random(7);
    const char* pieces[] = {"Slide", "opt_scr_", "Image", "\xC3\x84rger", "\xD0\x9C\xD0\xB8\xD1\x80", "Pos.X",
                            "Frame", "caf\xC3\xA9", "Music", "_", "Text", "0", "1", "Time"};
    std::vector<std::pair<size_t, size_t>> spans;
    for (int i = 0; i < 1'000'000; ++i) {
      const size_t start = buffer.size();
      const int parts = 1 + int(random() % 4);
      for (int p = 0; p < parts; ++p) buffer += pieces[random() % std::size(pieces)];
      spans.emplace_back(start, buffer.size() - start);
    }
    std::vector<std::string_view> out;
    out.reserve(spans.size());
    for (auto [start, length] : spans) out.emplace_back(buffer.data() + start, length);
    return out;
  }();
  return names;
}

size_t TotalBytes() {
  size_t bytes = 0;
  for (const auto& name : Names()) bytes += name.size();
  return bytes;
}

void Utf8ToUtf16Names(benchmark::State& state) {
  const auto& names = Names();
  orv::WideString out;
  for (auto _ : state)
    for (const auto& name : names) {
      orv::TryUtf8ToUtf16(name, out);
      benchmark::DoNotOptimize(out.data());
    }
  state.counters["MB/s"] = benchmark::Counter(double(TotalBytes()) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["Mnames/s"] = benchmark::Counter(double(names.size()) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(Utf8ToUtf16Names)->Unit(benchmark::kMillisecond);

void FoldedHashNames(benchmark::State& state) {
  const auto& names = Names();
  for (auto _ : state) {
    uint32_t sum = 0;
    for (const auto& name : names) sum += orv::FoldedHashUtf8(name);
    benchmark::DoNotOptimize(sum);
  }
  state.counters["MB/s"] = benchmark::Counter(double(TotalBytes()) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
  state.counters["Mnames/s"] = benchmark::Counter(double(names.size()) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(FoldedHashNames)->Unit(benchmark::kMillisecond);

}  // namespace
