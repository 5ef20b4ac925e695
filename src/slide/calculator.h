// The expression calculator of animation formulas: a formula is compiled once into a short
// list of stack-machine commands (with constants folded into the commands) and then run
// every frame without allocating. The commands are run from a denser copy of the list in
// which variables that live in memory are read directly and common pairs are fused.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/assertions.h"
#include "base/ref_object.h"

namespace orv {

// The value stack of one compiled formula. The top value lives outside the array so that
// the common "replace the top" operations touch one double.
class TCalcStack {
public:
  void Clear() noexcept { FCount = 0; }
  int Count() const noexcept { return FCount; }
  // Makes room for `depth` values so that runs up to that depth never allocate.
  void Reserve(int depth) {
    if (depth > static_cast<int>(FBelowTop.size())) Widen(depth);
  }

  // Inline: a formula's run is mostly these.
  void Push(double value) {
    if (FCount > 0) {
      if (FCount > static_cast<int>(FBelowTop.size())) Grow();
      FBelowTop[FCount - 1] = FTop;
    }
    FTop = value;
    ++FCount;
  }
  double Pop() {
    ORV_ASSERT(FCount > 0, "Calculator stack underflow");
    const double value = FTop;
    if (--FCount > 0) FTop = FBelowTop[FCount - 1];
    return value;
  }
  double& Top() {
    ORV_ASSERT(FCount > 0, "Calculator stack underflow");
    return FTop;
  }

private:
  friend class TCalcRunner;
  void Grow();
  void Widen(int depth);

  std::vector<double> FBelowTop = std::vector<double>(8);
  double FTop = 0;
  int FCount = 0;
};

// Anything a formula can name: a function, a constant or a variable.
class TCalcFunc : public TRefObject {
public:
  TCalcFunc(std::string name, int arg_count, bool pure)
      : FName(std::move(name)), FArgCount(arg_count), FPure(pure) {}

  const std::string& Name() const noexcept { return FName; }
  int ArgCount() const noexcept { return FArgCount; }
  // The result depends on the arguments alone, so constant calls fold while compiling.
  bool Pure() const noexcept { return FPure; }

  // Consumes ArgCount values (the last argument on top) and leaves the result on top.
  virtual void Execute(TCalcStack& stack) = 0;
  // Offered the values of the trailing arguments that are constant while compiling; may
  // name a cheaper function that takes fewer arguments (the dropped constants are folded).
  virtual bool Optimize(std::span<const double> trailing_constants, Ref<TCalcFunc>& replacement);

private:
  std::string FName;
  int FArgCount;
  bool FPure;
};

// Base of the named mathematical functions.
class TMathFunc : public TCalcFunc {
public:
  using TCalcFunc::TCalcFunc;
};

class TMathConst : public TMathFunc {
public:
  TMathConst(std::string name, double value) : TMathFunc(std::move(name), 0, true), FValue(value) {}
  void Execute(TCalcStack& stack) override { stack.Push(FValue); }

private:
  double FValue;
};

class TMathWrapper0 : public TMathFunc {
public:
  using Fn = double (*)();
  TMathWrapper0(std::string name, Fn fn, bool pure) : TMathFunc(std::move(name), 0, pure), FFn(fn) {}
  void Execute(TCalcStack& stack) override { stack.Push(FFn()); }

private:
  Fn FFn;
};

class TMathWrapper1 : public TMathFunc {
public:
  using Fn = double (*)(double);
  TMathWrapper1(std::string name, Fn fn, bool pure = true) : TMathFunc(std::move(name), 1, pure), FFn(fn) {}
  void Execute(TCalcStack& stack) override { stack.Top() = FFn(stack.Top()); }
  Fn Function() const noexcept { return FFn; }

private:
  Fn FFn;
};

// Trigonometry keeps its intermediate results in extended precision.
class TMathWrapper1Ext : public TMathFunc {
public:
  using Fn = long double (*)(long double);
  TMathWrapper1Ext(std::string name, Fn fn, bool pure = true) : TMathFunc(std::move(name), 1, pure), FFn(fn) {}
  void Execute(TCalcStack& stack) override { stack.Top() = static_cast<double>(FFn(stack.Top())); }
  Fn Function() const noexcept { return FFn; }

private:
  Fn FFn;
};

class TMathWrapper2Ext : public TMathFunc {
public:
  using Fn = long double (*)(long double, long double);
  TMathWrapper2Ext(std::string name, Fn fn, bool pure = true) : TMathFunc(std::move(name), 2, pure), FFn(fn) {}
  void Execute(TCalcStack& stack) override;

private:
  Fn FFn;
};

class TMathWrapper3 : public TMathFunc {
public:
  using Fn = double (*)(double, double, double);
  TMathWrapper3(std::string name, Fn fn, bool pure = true) : TMathFunc(std::move(name), 3, pure), FFn(fn) {}
  void Execute(TCalcStack& stack) override;

private:
  Fn FFn;
};

// Power(b, e): exact repeated multiplication for integral exponents; a constant exponent
// of 2 compiles to the cheaper "Sqr".
class TPowerOptFunc : public TMathFunc {
public:
  TPowerOptFunc(std::string name, Ref<TCalcFunc> square) : TMathFunc(std::move(name), 2, true), FSquare(std::move(square)) {}
  void Execute(TCalcStack& stack) override;
  bool Optimize(std::span<const double> trailing_constants, Ref<TCalcFunc>& replacement) override;

private:
  Ref<TCalcFunc> FSquare;
};

double Power(double base, double exponent) noexcept;

// A variable bound to some state outside the formula; never folded.
class TParamGetter : public TCalcFunc {
public:
  explicit TParamGetter(std::string name) : TCalcFunc(std::move(name), 0, false) {}
  void Execute(TCalcStack& stack) override { stack.Push(GetValue()); }
  virtual double GetValue() const = 0;
  virtual void SetValue(double value) = 0;

  // Where GetValue reads from, when the value is a plain double or float that lives as long
  // as the getter: compiled formulas then read it without a call. At most one is set.
  const double* DoubleSource() const noexcept { return FDoubleSource; }
  const float* FloatSource() const noexcept { return FFloatSource; }

protected:
  TParamGetter(std::string name, const double& source) : TParamGetter(std::move(name)) { FDoubleSource = &source; }
  TParamGetter(std::string name, const float& source) : TParamGetter(std::move(name)) { FFloatSource = &source; }

private:
  const double* FDoubleSource = nullptr;
  const float* FFloatSource = nullptr;
};

// Compile errors; Word() gives the text of each.
enum class TCalcError {
  None = 0,
  Expected = 1,
  InvalidNumberFormat = 2,
  DivisionByZero = 3,
  UnknownName = 4,
  FunctionCallError = 5,
  // Parentheses or calls nested beyond kMaxCalcNesting: refused rather than risking the
  // machine stack on hostile text.
  NestingTooDeep = 6,
};
const char* CalcErrorWord(TCalcError code) noexcept;
constexpr int kMaxCalcNesting = 256;

enum TCalcCommandKind : int {
  kCalcLoad = 0,
  kCalcNeg = 1,
  kCalcAdd = 2,
  kCalcSub = 3,
  kCalcMul = 4,
  kCalcDiv = 5,
  kCalcAddC = 6,
  kCalcMulC = 7,
  kCalcCSub = 8,
  kCalcCDiv = 9,
  kCalcCall = 10,  // + the number of arguments
};

struct TCalcCommand {
  int Kind = kCalcLoad;
  Ref<TCalcFunc> Func;
  double Constant = 0;
};

// One step of the run-time form of a command list (see TCalculator::Run).
struct TCalcStep {
  int Op = 0;
  double Constant = 0;
  double Addend = 0;  // of a fused multiply-then-add
  const double* DoubleSource = nullptr;
  const float* FloatSource = nullptr;
  TMathWrapper1::Fn Function = nullptr;
  TMathWrapper1Ext::Fn ExtFunction = nullptr;
  TCalcFunc* Func = nullptr;  // kept alive by the command list
};

// Asked for every identifier of a formula before the function table; answers none when
// it does not know the name. `owner` is the value given to Compile.
using TCalcResolver = Ref<TCalcFunc> (*)(void* owner, std::string_view name);

class TCalculator {
public:
  // Compiles at most `length` characters of `text` from `start` (clamped to the text).
  // On failure the command list is empty and ErrorCode/ErrorDetail tell why.
  bool Compile(std::string_view text, size_t start, size_t length, TCalcResolver resolver, void* owner);
  bool Compile(std::string_view text, TCalcResolver resolver = nullptr, void* owner = nullptr) {
    return Compile(text, 0, text.size(), resolver, owner);
  }

  // Runs the commands on `stack` (emptied first). False when a command raised; the result
  // is the top value, valid when exactly one value is left.
  bool Run(TCalcStack& stack) const;

  TCalcError ErrorCode() const noexcept { return FError; }
  const std::string& ErrorDetail() const noexcept { return FErrorDetail; }
  // The error word followed by its detail, e.g. "Expected Operator".
  std::string ErrorMessage() const;
  const std::vector<TCalcCommand>& Commands() const noexcept { return FCommands; }
  // The most values the commands ever hold on the stack.
  int StackDepth() const noexcept { return FStackDepth; }

  // The process-wide table of named functions: built-ins first, later registrations with
  // the same name shadow earlier ones. Look-ups take no lock.
  static void Register(Ref<TCalcFunc> function);
  static Ref<TCalcFunc> FindFunction(std::string_view name);

private:
  friend class TCalcCompiler;
  void BuildSteps();

  std::vector<TCalcCommand> FCommands;
  std::vector<TCalcStep> FSteps;  // the commands as run
  int FStackDepth = 0;
  TCalcError FError = TCalcError::None;
  std::string FErrorDetail;
};

}  // namespace orv
