// Shared entry of our Google Benchmark programs: runs the benchmarks as usual, then
// prints one "RESULT <benchmark> <value> <unit>" line for every counter, the counter's
// name being its unit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class ResultReporter : public benchmark::ConsoleReporter {
public:
  // Plain text: the bench scripts read these lines.
  ResultReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      for (const auto& [unit, counter] : run.counters) {
        std::string name = run.benchmark_name();
        for (char& c : name)
          if (c == '/' || c == ':') c = '_';
        FResults.push_back("RESULT " + name + " " + std::to_string(counter.value) + " " + unit);
      }
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& line : FResults) std::printf("%s\n", line.c_str());
  }

private:
  std::vector<std::string> FResults;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ResultReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
