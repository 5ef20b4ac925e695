#include "slide/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "base/exceptions.h"

namespace orv {
namespace {

// A variable the formulas of these tests can read: "x" (or "Pos.X") holds Value.
class TTestVariable : public TParamGetter {
public:
  explicit TTestVariable(std::string name) : TParamGetter(std::move(name)) {}
  double GetValue() const override { return Value; }
  void SetValue(double value) override { Value = value; }
  double Value = 0;
};

struct TFormulaScope {
  Ref<TTestVariable> x = MakeRef<TTestVariable>("x");
  Ref<TTestVariable> pos_x = MakeRef<TTestVariable>("Pos.X");
};

Ref<TCalcFunc> ResolveTestVariables(void* owner, std::string_view name) {
  auto& scope = *static_cast<TFormulaScope*>(owner);
  if (name == "x") return scope.x;
  if (name == "Pos.X") return scope.pos_x;
  return nullptr;
}

// The compiled commands as text, e.g. "call(0) x; addc 6".
std::string Listing(const TCalculator& calculator) {
  static const char* const kNames[] = {"load", "neg", "add", "sub", "mul", "div", "addc", "mulc", "csub", "cdiv"};
  std::string text;
  for (const TCalcCommand& command : calculator.Commands()) {
    if (!text.empty()) text += "; ";
    if (command.Kind >= kCalcCall) {
      text += "call(" + std::to_string(command.Kind - kCalcCall) + ") " + command.Func->Name();
      continue;
    }
    text += kNames[command.Kind];
    if (command.Kind == kCalcLoad || command.Kind >= kCalcAddC) {
      char number[32];
      std::snprintf(number, sizeof number, " %g", command.Constant);
      text += number;
    }
  }
  return text;
}

class CalculatorTest : public ::testing::Test {
protected:
  bool Compile(std::string_view text) { return FCalc.Compile(text, ResolveTestVariables, &FScope); }

  std::string CompiledListing(std::string_view text) {
    EXPECT_TRUE(Compile(text)) << text << ": " << FCalc.ErrorMessage();
    return Listing(FCalc);
  }

  double Evaluate(std::string_view text, double x = 0) {
    EXPECT_TRUE(Compile(text)) << text << ": " << FCalc.ErrorMessage();
    FScope.x->Value = x;
    TCalcStack stack;
    EXPECT_TRUE(FCalc.Run(stack));
    EXPECT_EQ(stack.Count(), 1) << text;
    return stack.Count() == 1 ? stack.Top() : NAN;
  }

  TFormulaScope FScope;
  TCalculator FCalc;
};

TEST_F(CalculatorTest, FoldsConstantsIntoTheCommands) {
  const struct {
    const char* formula;
    const char* listing;
  } cases[] = {
      {"2*3+x", "call(0) x; addc 6"},
      {"x*1", "call(0) x"},
      {"0+x", "call(0) x"},
      {"x+0", "call(0) x"},
      {"x*-1", "call(0) x; neg"},
      {"-x", "call(0) x; neg"},
      {"1-x", "call(0) x; csub 1"},
      {"1/x", "call(0) x; cdiv 1"},
      {"x/4", "call(0) x; mulc 0.25"},
      {"x-3", "call(0) x; addc -3"},
      {"2*x", "call(0) x; mulc 2"},
      {"Sin(Pi/2)", "load 1"},
      {"Power(x,2)", "call(0) x; call(1) Sqr"},
      {"Pow(x,3)", "call(0) x; load 3; call(2) Pow"},
      {"--x", "call(0) x"},
      {"-(-(x))", "call(0) x"},
      {"-x+1", "call(0) x; csub 1"},
      {"(x+1)-1", "call(0) x"},
      {"(1-x)-1", "call(0) x; neg"},
      {"(x*2)*3", "call(0) x; mulc 6"},
      {"(2/x)*3", "call(0) x; cdiv 6"},
      {"-x*-1", "call(0) x"},
      {"x+x", "call(0) x; call(0) x; add"},
      {"x/x", "call(0) x; call(0) x; div"},
      {"1+(2-x)", "call(0) x; csub 3"},
      {"Pos.X*2", "call(0) Pos.X; mulc 2"},
      {"Rnd", "call(0) Rnd"},
  };
  for (const auto& c : cases) EXPECT_EQ(CompiledListing(c.formula), c.listing) << c.formula;
}

TEST_F(CalculatorTest, HonoursPrecedenceAndAssociativity) {
  const struct {
    const char* formula;
    double x;
    double result;
  } cases[] = {
      {"1+2*3", 0, 7},       {"(1+2)*3", 0, 9},      {"x-1-1", 5, 3},         {"x/2/2", 8, 2},
      {"2*x+3*x", 2, 10},    {"x-(x-1)", 7, 1},      {"-x*x", 3, -9},         {"8/x/2", 2, 2},
      {"1.5e+3", 0, 1500},   {"2E2+x", 1, 201},      {"1.", 0, 1},            {"x - - 2", 1, 3},
      {"Lerp(10,20,0.25)", 0, 12.5}, {"Lerp(x,20,0.25)", 10, 12.5}, {"Round(2.5)", 0, 2},
      {"Round(3.5)", 0, 4},  {"Round(x)", -2.5, -2}, {"Trunc(-2.7)", 0, -2},  {"Ceil(x)", 2.1, 3},
      {"sin(0)", 0, 0},      {"SQRT(x)", 16, 4},     {"Hypot(3,x)", 4, 5},    {"ArcTan2(1,0)*2", 0, M_PI},
      {"Frac(x)", -2.25, -0.25}, {"Abs(x)", -3, 3},  {"Power(x,-2)", 2, 0.25}, {"Power(0,x)", 3, 0},
      {"Power(x,0)", 0, 1},  {"Power(x,0.5)", 9, 3}, {"Sqr(x)", -3, 9},       {"ArcSin(1)*2", 0, M_PI},
      {"ArcCos(x)", 1, 0},   {"Cotan(Pi/4)", 0, 1},  {"Pow(2,x)", 10, 1024},  {"x\t*\n2", 3, 6},
  };
  for (const auto& c : cases) EXPECT_NEAR(Evaluate(c.formula, c.x), c.result, 1e-12) << c.formula;
}

// Variables whose value lives in memory, which compiled formulas read without a call.
class TDoubleVariable : public TParamGetter {
public:
  TDoubleVariable() : TParamGetter("d", Value) {}
  double GetValue() const override { return Value; }
  void SetValue(double value) override { Value = value; }
  double Value = 0;
};

class TFloatVariable : public TParamGetter {
public:
  TFloatVariable() : TParamGetter("f", Value) {}
  double GetValue() const override { return Value; }
  void SetValue(double value) override { Value = static_cast<float>(value); }
  float Value = 0;
};

// The commands run one by one, as their table describes them: what the faster run-time
// form must reproduce bit for bit.
double RunCommandsOneByOne(const TCalculator& calculator) {
  TCalcStack stack;
  for (const TCalcCommand& command : calculator.Commands()) {
    if (command.Kind >= kCalcCall) {
      command.Func->Execute(stack);
      continue;
    }
    const double c = command.Constant;
    double& top = stack.Top();
    switch (command.Kind) {
      case kCalcLoad: stack.Push(c); break;
      case kCalcNeg: top = -top; break;
      case kCalcAddC: top += c; break;
      case kCalcMulC: top *= c; break;
      case kCalcCSub: top = c - top; break;
      case kCalcCDiv: top = c / top; break;
      default: {
        const double b = stack.Pop();
        double& a = stack.Top();
        a = command.Kind == kCalcAdd ? a + b : command.Kind == kCalcSub ? a - b : command.Kind == kCalcMul ? a * b : a / b;
      }
    }
  }
  return stack.Top();
}

TEST_F(CalculatorTest, FusedRunGivesTheBitsOfTheCommandsRunOneByOne) {
  auto d = MakeRef<TDoubleVariable>();
  auto f = MakeRef<TFloatVariable>();
  struct TScope {
    TFormulaScope* tests;
    TDoubleVariable* d;
    TFloatVariable* f;
  } scope{&FScope, d.Get(), f.Get()};
  const TCalcResolver resolve = [](void* owner, std::string_view name) -> Ref<TCalcFunc> {
    const auto& s = *static_cast<TScope*>(owner);
    if (name == "d") return Ref<TCalcFunc>::Share(s.d);
    if (name == "f") return Ref<TCalcFunc>::Share(s.f);
    return ResolveTestVariables(s.tests, name);
  };
  const char* const formulas[] = {
      "d", "f", "x", "d*d*(3-2*d)", "f*f*(3-2*f)", "sin(d*Pi-Pi/2)*0.5+0.5", "1-abs(cos(f*Pi*3))*(1-f)",
      "x+d-f*x/d", "d/f-x", "(d*3+1)*(x*0.1-7)", "Sqr(d)+Round(f*10)/7", "Lerp(d,f,x)+Power(d,3)", "Hypot(d,f)*x",
      "-d*-f+-x", "1/(d-0.5)", "d*1e300*1e10", "Tan(d)+ArcSin(f/2)",
  };
  const double values[] = {0, 0.1, 0.5, 1.0 / 3, 0.999, -2.75, 1e-9, 123456.789};
  TCalcStack stack;
  for (const char* formula : formulas) {
    TCalculator calculator;
    ASSERT_TRUE(calculator.Compile(formula, resolve, &scope)) << formula;
    for (const double value : values) {
      d->Value = value;
      f->Value = static_cast<float>(value * 1.7);
      FScope.x->Value = value - 0.25;
      ASSERT_TRUE(calculator.Run(stack)) << formula;
      ASSERT_EQ(stack.Count(), 1) << formula;
      const double expected = RunCommandsOneByOne(calculator);
      EXPECT_TRUE(std::memcmp(&expected, &stack.Top(), sizeof expected) == 0 || (std::isnan(expected) && std::isnan(stack.Top())))
          << formula << " at " << value << ": " << stack.Top() << " instead of " << expected;
    }
  }
}

TEST_F(CalculatorTest, ReportsErrorsWithTheirWords) {
  const struct {
    const char* formula;
    TCalcError code;
    const char* message;
  } cases[] = {
      {"x/0", TCalcError::DivisionByZero, "Division by Zerro"},
      {"1/(2-2)", TCalcError::DivisionByZero, "Division by Zerro"},
      {"1e", TCalcError::InvalidNumberFormat, "Invalid Number Format"},
      {"1e+", TCalcError::InvalidNumberFormat, "Invalid Number Format"},
      {".5", TCalcError::Expected, "Expected Expression"},
      {"", TCalcError::Expected, "Expected Expression"},
      {"x+", TCalcError::Expected, "Expected Expression"},
      {"Hypot(3)", TCalcError::Expected, "Expected ,"},
      {"Hypot(3,4", TCalcError::Expected, "Expected )"},
      {"Sin x", TCalcError::Expected, "Expected ("},
      {"x y", TCalcError::Expected, "Expected Operator"},
      {"x $", TCalcError::Expected, "Expected Operator"},
      {"(x", TCalcError::Expected, "Expected Operator or \")\""},
      {"(x y)", TCalcError::Expected, "Expected Operator or \")\""},
      {"y", TCalcError::UnknownName, "Unknown Function or Variable y"},
      {"Pi(1)", TCalcError::Expected, "Expected Operator"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Compile(c.formula)) << c.formula;
    EXPECT_EQ(FCalc.ErrorCode(), c.code) << c.formula;
    EXPECT_EQ(FCalc.ErrorMessage(), c.message) << c.formula;
    EXPECT_TRUE(FCalc.Commands().empty());
  }
}

TEST_F(CalculatorTest, StartAndLengthSelectThePartCompiled) {
  EXPECT_TRUE(FCalc.Compile("fn=x*2;", 3, 3, ResolveTestVariables, &FScope));
  EXPECT_EQ(Listing(FCalc), "call(0) x; mulc 2");
  EXPECT_FALSE(FCalc.Compile("x*2", 10, 5, ResolveTestVariables, &FScope));
  EXPECT_EQ(FCalc.ErrorMessage(), "Expected Expression");
}

TEST_F(CalculatorTest, ExtremeInputsHaveDefinedResults) {
  // Run-time division by zero is IEEE arithmetic, huge numbers saturate.
  EXPECT_EQ(Evaluate("1/x", 0), HUGE_VAL);
  EXPECT_TRUE(std::isnan(Evaluate("x/x", 0)));
  EXPECT_EQ(Evaluate("1e999999999999"), HUGE_VAL);
  EXPECT_EQ(Evaluate("1e-999999"), 0);
  EXPECT_EQ(Evaluate("Power(10,400)"), HUGE_VAL);
  EXPECT_EQ(Evaluate("Power(x,2147483647)", 1), 1);
  EXPECT_EQ(Evaluate("Power(2,-1100)"), 0);
  EXPECT_TRUE(std::isnan(Evaluate("Sqrt(-1)")));
  // Nesting beyond the limit is refused instead of exhausting the machine stack.
  std::string deep(100000, '(');
  deep += "x";
  EXPECT_FALSE(Compile(deep));
  EXPECT_EQ(FCalc.ErrorCode(), TCalcError::NestingTooDeep);
  std::string nested_ok = std::string(200, '(') + "x" + std::string(200, ')');
  EXPECT_EQ(Evaluate(nested_ok, 4), 4);
  // Unary signs repeat without nesting.
  EXPECT_EQ(Evaluate(std::string(100001, '-') + "x", 2), -2);
}

// A pure function that fails while being folded is reported with its name.
class TFailingFunc : public TMathFunc {
public:
  TFailingFunc() : TMathFunc("FailTest", 1, true) {}
  void Execute(TCalcStack&) override { throw std::runtime_error("no"); }
};

TEST_F(CalculatorTest, FailingFunctionsAreReportedWhenFoldedAndAtRunTime) {
  TCalculator::Register(MakeRef<TFailingFunc>());
  EXPECT_FALSE(Compile("FailTest(1)"));
  EXPECT_EQ(FCalc.ErrorCode(), TCalcError::FunctionCallError);
  EXPECT_EQ(FCalc.ErrorDetail(), "FailTest");
  ASSERT_TRUE(Compile("FailTest(x)+1"));
  TCalcStack stack;
  EXPECT_FALSE(FCalc.Run(stack));
}

TEST_F(CalculatorTest, LaterRegistrationsShadowEarlierOnesWithoutRegardToCase) {
  TCalculator::Register(MakeRef<TMathConst>("ShadowTest", 1));
  TCalculator::Register(MakeRef<TMathConst>("SHADOWTEST", 2));
  EXPECT_EQ(Evaluate("shadowtest"), 2);
  // The caller's resolver is asked before the table.
  EXPECT_EQ(TCalculator::FindFunction("sqrt")->Name(), "Sqrt");
  EXPECT_EQ(TCalculator::FindFunction("nothing"), nullptr);
}

TEST_F(CalculatorTest, RndStaysInTheUnitIntervalAndIsNeverFolded) {
  for (int i = 0; i < 1000; ++i) {
    const double value = Evaluate("Rnd");
    ASSERT_GE(value, 0);
    ASSERT_LT(value, 1);
  }
}

TEST(CalcStackTest, KeepsTheTopApartAndGrowsOnDemand) {
  TCalcStack stack;
  for (int i = 0; i < 100; ++i) stack.Push(i);
  EXPECT_EQ(stack.Count(), 100);
  for (int i = 99; i >= 0; --i) EXPECT_EQ(stack.Pop(), i);
  EXPECT_EQ(stack.Count(), 0);
  EXPECT_THROW(stack.Pop(), EAssertionFailed);
}

}  // namespace
}  // namespace orv
