// Animation modifiers ("Mod" blocks of key points): a formula that replaces a field group's
// interpolation parameter t (easing) or one field's value while the key's segment plays.
#pragma once

#include <string>
#include <string_view>

#include "slide/calculator.h"
#include "slide/object_filter.h"

namespace orv {

// Gives formulas access to the animation state of one object: a group's t by the group's
// name ("Pos"), or a field's current value by its full name ("Scale.Y"). Answers none for a
// name it does not know.
class TVariableResolver {
public:
  virtual Ref<TCalcFunc> ResolveVariable(std::string_view name, bool group_time) = 0;

protected:
  ~TVariableResolver() = default;
};

// Formulas longer than this are refused.
constexpr size_t kMaxModifierFormula = 256;

class TOrvObjectMod final : public TObjectFilter {
public:
  // The resolver (the object's props node) outlives the modifier: it owns the key point that
  // owns the modifier.
  explicit TOrvObjectMod(TVariableResolver& resolver) : FResolver(resolver) {}

  int GetKind() const override { return kFilterModifier; }
  // The formula's value; 0 when it is invalid or its run fails. Allocates nothing.
  double Evaluate() override;

  // Whether the result may change while the key points stand still: the formula reads the
  // animation state or calls a function that is not pure. A disabled modifier, or one whose
  // formula folded to a constant or did not compile, never does.
  bool IsTimeDependent() const;

  // "dst" as read by the last rebuild.
  const std::string& Target() const noexcept { return FTarget; }
  const TCalculator& Code() const noexcept { return FCode; }

protected:
  // Compiles "fn"; false (and a modifier that yields 0) when the formula or target is invalid.
  bool Rebuild() override;

private:
  static Ref<TCalcFunc> ResolveName(void* self, std::string_view name);
  Ref<TCalcFunc> Resolve(std::string_view name, bool allow_value);
  Ref<TCalcFunc> GroupTime(std::string_view group_name);

  TVariableResolver& FResolver;
  TCalculator FCode;
  TCalcStack FStack;
  std::string FTarget;
  Ref<TCalcFunc> FOwnGroupTime;  // what "t" names
};

}  // namespace orv
