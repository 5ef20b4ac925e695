#include "slide/calculator.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <thread>

#include "base/assertions.h"
#include "base/text.h"
#include "slide/extended_trig.h"

namespace orv {

// ---------------------------------------------------------------------------------------
// Value stack

void TCalcStack::Widen(int depth) { FBelowTop.resize(depth); }

void TCalcStack::Grow() { FBelowTop.resize(FBelowTop.size() * 2); }

// ---------------------------------------------------------------------------------------
// Function objects

bool TCalcFunc::Optimize(std::span<const double>, Ref<TCalcFunc>&) { return false; }

void TMathWrapper2Ext::Execute(TCalcStack& stack) {
  const double second = stack.Pop();
  stack.Top() = static_cast<double>(FFn(stack.Top(), second));
}

void TMathWrapper3::Execute(TCalcStack& stack) {
  const double third = stack.Pop();
  const double second = stack.Pop();
  stack.Top() = FFn(stack.Top(), second, third);
}

namespace {

double IntPower(double base, int64_t exponent) noexcept {
  uint64_t remaining = exponent < 0 ? uint64_t(-exponent) : uint64_t(exponent);
  double result = 1;
  for (double factor = base; remaining != 0; remaining >>= 1, factor *= factor)
    if (remaining & 1) result *= factor;
  return exponent < 0 ? 1 / result : result;
}

}  // namespace

double Power(double base, double exponent) noexcept {
  if (exponent == 0) return 1;
  if (base == 0 && exponent > 0) return 0;
  if (std::trunc(exponent) == exponent && std::fabs(exponent) <= 2147483647.0)
    return IntPower(base, static_cast<int64_t>(exponent));
  return std::exp(exponent * std::log(base));
}

void TPowerOptFunc::Execute(TCalcStack& stack) {
  const double exponent = stack.Pop();
  stack.Top() = Power(stack.Top(), exponent);
}

bool TPowerOptFunc::Optimize(std::span<const double> trailing_constants, Ref<TCalcFunc>& replacement) {
  if (trailing_constants.empty() || std::fabs(trailing_constants.back() - 2) > 1e-6) return false;
  replacement = FSquare;
  return true;
}

// ---------------------------------------------------------------------------------------
// The function table: sixteen lock-free chains keyed by the case-folded name.

namespace {

constexpr double kPi = 3.141592653589793;

double Random01() {
  thread_local std::mt19937 generator{std::random_device{}()};
  // An integer below 2^31 - 1, scaled by 2^-31: never reaches 1.
  std::uniform_int_distribution<uint32_t> below(0, 0x7FFFFFFE);
  return below(generator) * (1.0 / 2147483648.0);
}

long double ArcSin(long double x) { return std::atan2(x, std::sqrt(1 - x * x)); }
long double ArcCos(long double x) { return std::atan2(std::sqrt(1 - x * x), x); }
long double Cotan(long double x) { return 1 / std::tan(x); }
long double Frac(long double x) { return x - std::trunc(x); }
long double Hypot(long double a, long double b) { return std::sqrt(a * a + b * b); }
long double ArcTan2(long double y, long double x) { return std::atan2(y, x); }
double Square(double x) { return x * x; }
double Lerp(double from, double to, double amount) { return from + (to - from) * amount; }
// The current rounding mode is the default one: ties go to the even neighbour.
double RoundEven(double x) { return std::nearbyint(x); }

class TFunctionTable {
public:
  static constexpr int kBuckets = 16;

  TFunctionTable() { RegisterBuiltIns(); }
  ~TFunctionTable() {
    for (auto& bucket : FBuckets)
      for (Entry* entry = bucket.load(); entry;) delete std::exchange(entry, entry->next);
  }

  void Register(Ref<TCalcFunc> function) {
    auto& bucket = FBuckets[FoldedHashUtf8(function->Name()) % kBuckets];
    auto* entry = new Entry{std::move(function), bucket.load(std::memory_order_acquire)};
    while (!bucket.compare_exchange_weak(entry->next, entry, std::memory_order_acq_rel))
      std::this_thread::yield();
  }

  Ref<TCalcFunc> Find(std::string_view name) const {
    const auto& bucket = FBuckets[FoldedHashUtf8(name) % kBuckets];
    for (const Entry* entry = bucket.load(std::memory_order_acquire); entry; entry = entry->next)
      if (SameTextUtf8(entry->function->Name(), name)) return entry->function;
    return nullptr;
  }

private:
  struct Entry {
    Ref<TCalcFunc> function;
    Entry* next;
  };

  template <class Wrapper, class Fn>
  void Add(const char* name, Fn fn) {
    Register(MakeRef<Wrapper>(name, fn));
  }

  void RegisterBuiltIns() {
    Register(MakeRef<TMathConst>("Pi", kPi));
    Add<TMathWrapper1Ext>("Sin", SinExtended);
    Add<TMathWrapper1Ext>("Cos", CosExtended);
    Add<TMathWrapper1Ext>("Tan", static_cast<long double (*)(long double)>(std::tan));
    Add<TMathWrapper1Ext>("Cotan", Cotan);
    Add<TMathWrapper1Ext>("ArcSin", ArcSin);
    Add<TMathWrapper1Ext>("ArcCos", ArcCos);
    Add<TMathWrapper1Ext>("ArcTan", static_cast<long double (*)(long double)>(std::atan));
    Add<TMathWrapper2Ext>("ArcTan2", ArcTan2);
    Add<TMathWrapper2Ext>("Hypot", Hypot);
    Add<TMathWrapper1Ext>("Sqrt", static_cast<long double (*)(long double)>(std::sqrt));
    auto square = MakeRef<TMathWrapper1>("Sqr", Square);
    Register(square);
    Register(MakeRef<TPowerOptFunc>("Power", square));
    Register(MakeRef<TPowerOptFunc>("Pow", square));
    Add<TMathWrapper1>("Abs", static_cast<double (*)(double)>(std::fabs));
    Add<TMathWrapper1Ext>("Frac", Frac);
    Add<TMathWrapper1>("Round", RoundEven);
    Add<TMathWrapper1>("Trunc", static_cast<double (*)(double)>(std::trunc));
    Add<TMathWrapper1>("Ceil", static_cast<double (*)(double)>(std::ceil));
    Add<TMathWrapper3>("Lerp", Lerp);
    Register(MakeRef<TMathWrapper0>("Rnd", Random01, false));
  }

  std::atomic<Entry*> FBuckets[kBuckets] = {};
};

// Built on first use; the static's initialisation is the lock that makes it happen once.
TFunctionTable& FunctionTable() {
  static TFunctionTable table;
  return table;
}

}  // namespace

void TCalculator::Register(Ref<TCalcFunc> function) { FunctionTable().Register(std::move(function)); }

Ref<TCalcFunc> TCalculator::FindFunction(std::string_view name) { return FunctionTable().Find(name); }

const char* CalcErrorWord(TCalcError code) noexcept {
  switch (code) {
    case TCalcError::None: return "No Error";
    case TCalcError::Expected: return "Expected";
    case TCalcError::InvalidNumberFormat: return "Invalid Number Format";
    case TCalcError::DivisionByZero: return "Division by Zerro";
    case TCalcError::UnknownName: return "Unknown Function or Variable";
    case TCalcError::FunctionCallError: return "Function Call Error";
    case TCalcError::NestingTooDeep: return "Nesting Too Deep";
  }
  return "";
}

std::string TCalculator::ErrorMessage() const {
  std::string message = CalcErrorWord(FError);
  if (!FErrorDetail.empty()) message += " " + FErrorDetail;
  return message;
}

// ---------------------------------------------------------------------------------------
// Tokens and the recursive-descent compiler

namespace {

enum class TTokenKind { Operator, Number, Identifier, End, Invalid };

struct TToken {
  TTokenKind kind = TTokenKind::End;
  size_t start = 0;
  size_t end = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsOperator(char c) {
  return c == '(' || c == ')' || c == '*' || c == '+' || c == ',' || c == '-' || c == '/';
}

// Where the first significant digit of a decimal mantissa sits: 3 for "123.4", -2 for
// "0.001"; decides whether an out-of-range number overflowed or underflowed.
long LeadingDigitPosition(std::string_view mantissa) {
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  for (size_t i = 0; i < mantissa.size(); ++i) {
    if (mantissa[i] == '.' || mantissa[i] == '0') continue;
    return i < point ? long(point - i) : -long(i - point - 1);
  }
  return std::numeric_limits<long>::min() / 2;  // all zeros
}

long SaturatedExponent(std::string_view digits) {
  long value = 0;
  const bool negative = !digits.empty() && digits[0] == '-';
  for (char c : digits)
    if (IsDigit(c)) value = std::min(value * 10 + (c - '0'), 1000000L);
  return negative ? -value : value;
}

// Decimal text to double with "." as the point, whatever the locale; magnitudes beyond the
// double range become infinity or zero instead of failing.
double ParseDecimal(std::string_view text) {
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc::result_out_of_range) return value;
  const size_t marker = std::min(text.find_first_of("eE"), text.size());
  const long exponent = marker < text.size() ? SaturatedExponent(text.substr(marker + 1)) : 0;
  return LeadingDigitPosition(text.substr(0, marker)) + exponent > 0 ? HUGE_VAL : 0.0;
}

}  // namespace

class TCalcCompiler {
public:
  TCalcCompiler(TCalculator& target, std::string_view text, TCalcResolver resolver, void* owner)
      : FOut(target), FCode(target.FCommands), FText(text), FResolver(resolver), FOwner(owner) {}

  bool CompileAll() {
    if (!Next() || !ParseExpression()) return false;
    if (FToken.kind != TTokenKind::End) return Expected("Operator");
    return true;
  }

private:
  // --- errors
  bool Fail(TCalcError code, std::string detail = {}) {
    FOut.FError = code;
    FOut.FErrorDetail = std::move(detail);
    return false;
  }
  bool Expected(std::string detail) { return Fail(TCalcError::Expected, std::move(detail)); }

  // --- tokens
  std::string_view TokenText() const { return FText.substr(FToken.start, FToken.end - FToken.start); }
  bool IsOperatorToken(char op) const {
    return FToken.kind == TTokenKind::Operator && FText[FToken.start] == op;
  }

  bool Next() {
    size_t pos = FToken.end;
    while (pos < FText.size() && static_cast<unsigned char>(FText[pos]) < '!') ++pos;
    FToken = {TTokenKind::End, pos, pos};
    if (pos >= FText.size()) return true;
    const char c = FText[pos];
    if (IsOperator(c)) {
      FToken = {TTokenKind::Operator, pos, pos + 1};
    } else if (IsDigit(c)) {
      return ScanNumber(pos);
    } else if (IsLetter(c)) {
      size_t end = pos + 1;
      while (end < FText.size() && (IsLetter(FText[end]) || IsDigit(FText[end]) || FText[end] == '.')) ++end;
      FToken = {TTokenKind::Identifier, pos, end};
    } else {
      FToken = {TTokenKind::Invalid, pos, pos + 1};
    }
    return true;
  }

  size_t SkipDigits(size_t pos) const {
    while (pos < FText.size() && IsDigit(FText[pos])) ++pos;
    return pos;
  }

  bool ScanNumber(size_t start) {
    size_t end = SkipDigits(start);
    if (end < FText.size() && FText[end] == '.') end = SkipDigits(end + 1);
    if (end < FText.size() && (FText[end] == 'e' || FText[end] == 'E')) {
      size_t digits = end + 1;
      if (digits < FText.size() && (FText[digits] == '+' || FText[digits] == '-')) ++digits;
      if (digits >= FText.size() || !IsDigit(FText[digits])) return Fail(TCalcError::InvalidNumberFormat);
      end = SkipDigits(digits);
    }
    FToken = {TTokenKind::Number, start, end};
    return true;
  }

  // --- grammar
  bool ParseExpression() {
    if (++FDepth > kMaxCalcNesting) return Fail(TCalcError::NestingTooDeep);
    const size_t left = FCode.size();
    if (!ParseTerm()) return false;
    while (IsOperatorToken('+') || IsOperatorToken('-')) {
      const char op = FText[FToken.start];
      const size_t right = FCode.size();
      if (!Next() || !ParseTerm() || !EmitBinary(op, left, right)) return false;
    }
    --FDepth;
    return true;
  }

  bool ParseTerm() {
    const size_t left = FCode.size();
    if (!ParseUnary()) return false;
    while (IsOperatorToken('*') || IsOperatorToken('/')) {
      const char op = FText[FToken.start];
      const size_t right = FCode.size();
      if (!Next() || !ParseUnary() || !EmitBinary(op, left, right)) return false;
    }
    return true;
  }

  bool ParseUnary() {
    bool negate = false;
    while (IsOperatorToken('+') || IsOperatorToken('-')) {
      negate ^= FText[FToken.start] == '-';
      if (!Next()) return false;
    }
    if (IsOperatorToken('(')) {
      if (!Next() || !ParseExpression()) return false;
      if (!IsOperatorToken(')')) return Expected("Operator or \")\"");
      if (!Next()) return false;
    } else if (!ParsePrimary()) {
      return false;
    }
    if (negate) EmitNeg();
    return true;
  }

  bool ParsePrimary() {
    if (FToken.kind == TTokenKind::Number) {
      Append(kCalcLoad, ParseDecimal(TokenText()));
      return Next();
    }
    if (FToken.kind == TTokenKind::Identifier) return ParseCall();
    return Expected("Expression");
  }

  Ref<TCalcFunc> Resolve(std::string_view name) const {
    if (FResolver)
      if (auto function = FResolver(FOwner, name)) return function;
    return TCalculator::FindFunction(name);
  }

  bool ParseCall() {
    const std::string name(TokenText());
    Ref<TCalcFunc> function = Resolve(name);
    if (!function) return Fail(TCalcError::UnknownName, name);
    if (!Next()) return false;
    const int arg_count = function->ArgCount();
    std::vector<size_t> arg_starts;
    if (arg_count > 0) {
      if (!IsOperatorToken('(')) return Expected("(");
      for (int i = 0; i < arg_count; ++i) {
        if (i > 0 && !IsOperatorToken(',')) return Expected(",");
        arg_starts.push_back(FCode.size());
        if (!Next() || !ParseExpression()) return false;
      }
      if (!IsOperatorToken(')')) return Expected(")");
      if (!Next()) return false;
    }
    return EmitCall(function, arg_starts, name);
  }

  // --- code generation with folding
  void Append(int kind, double constant = 0, Ref<TCalcFunc> function = nullptr) {
    FCode.push_back(TCalcCommand{kind, std::move(function), constant});
  }

  // The code in [start, end) is a single constant.
  bool IsConstant(size_t start, size_t end) const { return end == start + 1 && FCode[start].Kind == kCalcLoad; }

  // Operands: [left, right) and [right, end of list).
  bool EmitBinary(char op, size_t left, size_t right) {
    const bool left_constant = IsConstant(left, right);
    const bool right_constant = IsConstant(right, FCode.size());
    if (left_constant && right_constant) return FoldBinary(op);
    if (right_constant) {
      const double b = FCode.back().Constant;
      FCode.pop_back();
      if (op == '/' && b == 0) return Fail(TCalcError::DivisionByZero);
      switch (op) {
        case '+': EmitAddC(b); break;
        case '-': EmitAddC(-b); break;
        case '*': EmitMulC(b); break;
        default: EmitMulC(1 / b); break;
      }
      return true;
    }
    if (left_constant) {
      const double a = FCode[left].Constant;
      FCode.erase(FCode.begin() + static_cast<ptrdiff_t>(left));
      switch (op) {
        case '+': EmitAddC(a); break;
        case '*': EmitMulC(a); break;
        case '-': Append(kCalcCSub, a); break;
        default: Append(kCalcCDiv, a); break;
      }
      return true;
    }
    Append(op == '+' ? kCalcAdd : op == '-' ? kCalcSub : op == '*' ? kCalcMul : kCalcDiv);
    return true;
  }

  bool FoldBinary(char op) {
    const double b = FCode.back().Constant;
    FCode.pop_back();
    double& a = FCode.back().Constant;
    switch (op) {
      case '+': a += b; break;
      case '-': a -= b; break;
      case '*': a *= b; break;
      default:
        if (b == 0) return Fail(TCalcError::DivisionByZero);
        a /= b;
        break;
    }
    return true;
  }

  void EmitNeg() {
    TCalcCommand& last = FCode.back();
    if (last.Kind == kCalcLoad) {
      last.Constant = -last.Constant;
    } else if (last.Kind == kCalcNeg) {
      FCode.pop_back();
    } else {
      Append(kCalcNeg);
    }
  }

  void EmitAddC(double c) {
    TCalcCommand& last = FCode.back();
    if (last.Kind == kCalcNeg) {
      last = TCalcCommand{kCalcCSub, nullptr, c};
    } else if (last.Kind == kCalcAddC || last.Kind == kCalcCSub) {
      last.Constant += c;
    } else {
      Append(kCalcAddC, c);
    }
    TCalcCommand& result = FCode.back();
    if (std::fabs(result.Constant) >= 1e-8) return;
    if (result.Kind == kCalcAddC) {
      FCode.pop_back();
    } else {
      result = TCalcCommand{kCalcNeg, nullptr, 0};
    }
  }

  void EmitMulC(double c) {
    TCalcCommand& last = FCode.back();
    if (last.Kind == kCalcNeg) {
      last = TCalcCommand{kCalcMulC, nullptr, -c};
    } else if (last.Kind == kCalcMulC || last.Kind == kCalcCDiv) {
      last.Constant *= c;
    } else {
      Append(kCalcMulC, c);
    }
    TCalcCommand& result = FCode.back();
    if (result.Kind != kCalcMulC) return;
    if (std::fabs(result.Constant - 1) < 1e-8) {
      FCode.pop_back();
    } else if (std::fabs(result.Constant + 1) < 1e-8) {
      result = TCalcCommand{kCalcNeg, nullptr, 0};
    }
  }

  // How many of the last arguments are plain constants (each argument is one load).
  size_t TrailingConstants(const std::vector<size_t>& arg_starts) const {
    size_t count = 0;
    size_t end = FCode.size();
    for (auto start = arg_starts.rbegin(); start != arg_starts.rend() && IsConstant(*start, end); ++start) {
      ++count;
      end = *start;
    }
    return count;
  }

  bool EmitCall(const Ref<TCalcFunc>& function, const std::vector<size_t>& arg_starts, const std::string& name) {
    const size_t constants = TrailingConstants(arg_starts);
    if (function->Pure() && constants == arg_starts.size()) return FoldCall(function, name);
    if (function->Pure() && constants > 0) {
      std::vector<double> values;
      for (size_t i = FCode.size() - constants; i < FCode.size(); ++i) values.push_back(FCode[i].Constant);
      Ref<TCalcFunc> replacement;
      if (function->Optimize(values, replacement) && replacement) {
        const int dropped = function->ArgCount() - replacement->ArgCount();
        ORV_ASSERT(dropped > 0 && static_cast<size_t>(dropped) <= constants, "Invalid calculator optimisation");
        FCode.resize(FCode.size() - dropped);
        Append(kCalcCall + replacement->ArgCount(), 0, replacement);
        return true;
      }
    }
    Append(kCalcCall + function->ArgCount(), 0, function);
    return true;
  }

  // A pure function of constants runs now; its result becomes one constant.
  bool FoldCall(const Ref<TCalcFunc>& function, const std::string& name) {
    TCalcStack scratch;
    const size_t first = FCode.size() - function->ArgCount();
    for (size_t i = first; i < FCode.size(); ++i) scratch.Push(FCode[i].Constant);
    try {
      function->Execute(scratch);
    } catch (...) {
      return Fail(TCalcError::FunctionCallError, name);
    }
    if (scratch.Count() != 1) return Fail(TCalcError::FunctionCallError, name);
    FCode.resize(first);
    Append(kCalcLoad, scratch.Top());
    return true;
  }

  TCalculator& FOut;
  std::vector<TCalcCommand>& FCode;
  std::string_view FText;
  TCalcResolver FResolver;
  void* FOwner;
  TToken FToken;
  int FDepth = 0;
};

namespace {

// How deep the stack gets while the commands run.
int StackDepthOf(const std::vector<TCalcCommand>& commands) {
  int depth = 0;
  int deepest = 0;
  for (const TCalcCommand& command : commands) {
    if (command.Kind == kCalcLoad) {
      ++depth;
    } else if (command.Kind >= kCalcAdd && command.Kind <= kCalcDiv) {
      --depth;
    } else if (command.Kind >= kCalcCall) {
      depth += 1 - (command.Kind - kCalcCall);
    }
    deepest = std::max(deepest, depth);
  }
  return deepest;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The run-time form of the commands

namespace {

// Steps beyond the commands' own kinds: a variable read in place, a variable as the right
// operand of the two-operand kinds, a multiply-then-add pair (rounded after each, as the
// two commands are) and calls of plain one-argument functions without a virtual call.
enum TCalcStepOp : int {
  kStepVar = kCalcCall,
  kStepAddVar,
  kStepSubVar,
  kStepMulVar,
  kStepDivVar,
  kStepMulAddC,
  kStepFunction,
  kStepExtFunction,
  kStepCall,
};

TCalcStep StepOf(const TCalcCommand& command) {
  TCalcStep step{.Op = command.Kind, .Constant = command.Constant, .Func = command.Func.Get()};
  if (command.Kind < kCalcCall) return step;
  step.Op = kStepCall;
  if (const auto* variable = dynamic_cast<const TParamGetter*>(step.Func)) {
    step.DoubleSource = variable->DoubleSource();
    step.FloatSource = variable->FloatSource();
    if (step.DoubleSource || step.FloatSource) step.Op = kStepVar;
  } else if (const auto* wrapper = dynamic_cast<const TMathWrapper1*>(step.Func)) {
    step.Function = wrapper->Function();
    step.Op = kStepFunction;
  } else if (const auto* wrapper = dynamic_cast<const TMathWrapper1Ext*>(step.Func)) {
    step.ExtFunction = wrapper->Function();
    step.Op = kStepExtFunction;
  }
  return step;
}

// Merges `next` into `last` when the pair has a fused step.
bool Fuse(TCalcStep& last, const TCalcStep& next) {
  if (last.Op == kStepVar && next.Op >= kCalcAdd && next.Op <= kCalcDiv) {
    last.Op = kStepAddVar + (next.Op - kCalcAdd);
    return true;
  }
  if (last.Op == kCalcMulC && next.Op == kCalcAddC) {
    last.Op = kStepMulAddC;
    last.Addend = next.Constant;
    return true;
  }
  return false;
}

}  // namespace

void TCalculator::BuildSteps() {
  FSteps.clear();
  for (const TCalcCommand& command : FCommands) {
    const TCalcStep step = StepOf(command);
    if (!FSteps.empty() && Fuse(FSteps.back(), step)) continue;
    FSteps.push_back(step);
  }
}

bool TCalculator::Compile(std::string_view text, size_t start, size_t length, TCalcResolver resolver, void* owner) {
  FCommands.clear();
  FSteps.clear();
  FCommands.reserve(16);
  FError = TCalcError::None;
  FErrorDetail.clear();
  start = std::min(start, text.size());
  TCalcCompiler compiler(*this, text.substr(start, length), resolver, owner);
  if (!compiler.CompileAll()) {
    FCommands.clear();
    FStackDepth = 0;
    return false;
  }
  FStackDepth = StackDepthOf(FCommands);
  BuildSteps();
  return true;
}

// The stack's top and count are kept in locals while the steps run (the runner is built
// into Run whole, so they stay in registers); a general call sees the stack as the
// commands would have left it. After a failing step the stack's content does not matter.
class TCalcRunner {
public:
  explicit TCalcRunner(TCalcStack& stack) : FStack(stack) { Load(); }

  [[gnu::always_inline]] void Run(std::span<const TCalcStep> steps) {
    for (const TCalcStep& step : steps) {
      switch (step.Op) {
        case kCalcLoad: Push(step.Constant); break;
        case kCalcNeg: FTop = -FTop; break;
        case kCalcAdd: { const double b = Pop(); FTop += b; break; }
        case kCalcSub: { const double b = Pop(); FTop -= b; break; }
        case kCalcMul: { const double b = Pop(); FTop *= b; break; }
        case kCalcDiv: { const double b = Pop(); FTop /= b; break; }
        case kCalcAddC: FTop += step.Constant; break;
        case kCalcMulC: FTop *= step.Constant; break;
        case kCalcCSub: FTop = step.Constant - FTop; break;
        case kCalcCDiv: FTop = step.Constant / FTop; break;
        case kStepVar: Push(Variable(step)); break;
        case kStepAddVar: NeedTop(); FTop += Variable(step); break;
        case kStepSubVar: NeedTop(); FTop -= Variable(step); break;
        case kStepMulVar: NeedTop(); FTop *= Variable(step); break;
        case kStepDivVar: NeedTop(); FTop /= Variable(step); break;
        case kStepMulAddC: FTop = FTop * step.Constant + step.Addend; break;
        case kStepFunction: NeedTop(); FTop = step.Function(FTop); break;
        case kStepExtFunction: NeedTop(); FTop = static_cast<double>(step.ExtFunction(FTop)); break;
        default: Call(*step.Func); break;
      }
    }
    Store();
  }

private:
  static double Variable(const TCalcStep& step) {
    return step.DoubleSource ? *step.DoubleSource : double(*step.FloatSource);
  }

  void Load() {
    FBelowTop = FStack.FBelowTop.data();
    FCapacity = static_cast<int>(FStack.FBelowTop.size());
    FTop = FStack.FTop;
    FCount = FStack.FCount;
  }
  void Store() {
    FStack.FTop = FTop;
    FStack.FCount = FCount;
  }

  void Push(double value) {
    if (FCount > 0) {
      if (FCount > FCapacity) [[unlikely]] {
        Store();
        FStack.Grow();
        Load();
      }
      FBelowTop[FCount - 1] = FTop;
    }
    FTop = value;
    ++FCount;
  }
  void NeedTop() const { ORV_ASSERT(FCount > 0, "Calculator stack underflow"); }
  double Pop() {
    ORV_ASSERT(FCount > 1, "Calculator stack underflow");
    const double value = FTop;
    FTop = FBelowTop[--FCount - 1];
    return value;
  }

  void Call(TCalcFunc& function) {
    Store();
    function.Execute(FStack);
    Load();
  }

  TCalcStack& FStack;
  double* FBelowTop = nullptr;
  int FCapacity = 0;
  double FTop = 0;
  int FCount = 0;
};

bool TCalculator::Run(TCalcStack& stack) const {
  stack.Clear();
  stack.Reserve(FStackDepth);
  try {
    TCalcRunner(stack).Run(FSteps);
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace orv
