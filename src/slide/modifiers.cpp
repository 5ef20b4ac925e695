#include "slide/modifiers.h"

#include <algorithm>

#include "slide/curves.h"

namespace orv {

namespace {

size_t CharacterCount(std::string_view utf8) {
  size_t count = 0;
  for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

bool IsLetterT(std::string_view name) { return name == "t" || name == "T"; }

// "Pos.T" and the like: a group name, a dot and the letter T.
bool EndsWithGroupTime(std::string_view name) {
  return name.size() > 2 && name[name.size() - 2] == '.' && IsLetterT(name.substr(name.size() - 1));
}

}  // namespace

double TOrvObjectMod::Evaluate() {
  if (!FCode.Run(FStack) || FStack.Count() != 1) return 0;
  return FStack.Top();
}

bool TOrvObjectMod::IsTimeDependent() const {
  if (Disabled()) return false;
  const auto& commands = FCode.Commands();
  return std::any_of(commands.begin(), commands.end(),
                     [](const TCalcCommand& command) { return command.Func && !command.Func->Pure(); });
}

bool TOrvObjectMod::Rebuild() {
  RegisterCurveFunctions();
  FCode = TCalculator();
  FOwnGroupTime = nullptr;
  FTarget = ReadUtf8(Block().FindKey("dst"));
  const std::string_view formula = ReadUtf8(Block().FindKey("fn"));
  if (FTarget.empty() || formula.empty() || CharacterCount(formula) > kMaxModifierFormula) return false;
  if (!FCode.Compile(formula, ResolveName, this)) return false;
  FStack.Reserve(FCode.StackDepth());
  return true;
}

Ref<TCalcFunc> TOrvObjectMod::ResolveName(void* self, std::string_view name) {
  return static_cast<TOrvObjectMod*>(self)->Resolve(name, true);
}

Ref<TCalcFunc> TOrvObjectMod::GroupTime(std::string_view group_name) {
  return FResolver.ResolveVariable(group_name, true);
}

// First match wins: a function, "t" (the target's group time), "<group>.t", "value" (the
// target itself), a key of the block (a constant, so parameters fold), a field of the object.
Ref<TCalcFunc> TOrvObjectMod::Resolve(std::string_view name, bool allow_value) {
  if (auto function = TCalculator::FindFunction(name)) return function;
  if (IsLetterT(name)) {
    if (!FOwnGroupTime) FOwnGroupTime = GroupTime(std::string_view(FTarget).substr(0, FTarget.rfind('.')));
    return FOwnGroupTime;
  }
  if (EndsWithGroupTime(name)) return GroupTime(name.substr(0, name.size() - 2));
  if (allow_value && SameTextAscii(name, "value")) return Resolve(FTarget, false);
  if (const TIniItem* key = Block().FindKey(name))
    return MakeRef<TMathConst>(std::string(name), ReadFloat(key, 0));
  return FResolver.ResolveVariable(name, false);
}

}  // namespace orv
