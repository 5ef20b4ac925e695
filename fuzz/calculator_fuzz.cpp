// The expression calculator on arbitrary formula text: compiling never raises, and a formula
// that compiles always runs to exactly one value.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "slide/calculator.h"
#include "slide/curves.h"

namespace {

class TFuzzVariable : public orv::TParamGetter {
public:
  TFuzzVariable(std::string name, double value) : TParamGetter(std::move(name)), FValue(value) {}
  double GetValue() const override { return FValue; }
  void SetValue(double value) override { FValue = value; }

private:
  double FValue;
};

orv::Ref<orv::TCalcFunc> ResolveFuzzVariables(void*, std::string_view name) {
  static const auto t = orv::MakeRef<TFuzzVariable>("t", 0.25);
  static const auto x = orv::MakeRef<TFuzzVariable>("Pos.X", -40);
  if (name == "t" || name == "T") return t;
  if (name == "Pos.X") return x;
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::RegisterCurveFunctions();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  orv::TCalculator calculator;
  if (!calculator.Compile(text, ResolveFuzzVariables, nullptr)) {
    if (!calculator.Commands().empty() || calculator.ErrorCode() == orv::TCalcError::None) std::abort();
    return 0;
  }
  orv::TCalcStack stack;
  for (int run = 0; run < 2; ++run)
    if (calculator.Run(stack) && stack.Count() != 1) std::abort();
  return 0;
}
