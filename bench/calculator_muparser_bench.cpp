// muParser (Debian's libmuparser) on the shared formulas, the peer of our calculator in
// `bench/run calculator`. Its bytecode is built by the first Eval, outside the timing.
#include <benchmark/benchmark.h>
#include <muParser.h>

#include <numbers>
#include <string>

#include "calculator_formulas.h"

namespace {

void MuParserFormula(benchmark::State& state, const char* formula) {
  double t = 0;
  mu::Parser parser;
  try {
    parser.DefineConst("Pi", std::numbers::pi);
    parser.DefineVar("t", &t);
    parser.SetExpr(formula);
    parser.Eval();
  } catch (const mu::Parser::exception_type& error) {
    state.SkipWithError(error.GetMsg().c_str());
    return;
  }
  double sum = 0;
  for (auto _ : state) {
    t = NextT(t);
    sum += parser.Eval();
  }
  benchmark::DoNotOptimize(sum);
  state.counters["ns/eval"] =
      benchmark::Counter(double(state.iterations()) * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

const bool kRegistered = [] {
  for (const TBenchFormula& formula : kSharedFormulas)
    benchmark::RegisterBenchmark((std::string("MuParser/") + formula.Name).c_str(), MuParserFormula, formula.Text);
  return true;
}();

}  // namespace
