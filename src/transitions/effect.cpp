#include "transitions/effect.h"

#include <array>

#include "base/assertions.h"
#include "base/text.h"

namespace orv {
namespace {

struct TKindInfo {
  TEffectKind Kind;
  std::string_view Name;
  TFlagLayout Layout;
};

// Single-flag kinds (dissolve, mosaic, custom) have one "direction": on or off.
constexpr std::array<TKindInfo, 12> kKinds{{
    {TEffectKind::Dissolve, "dissolve", {0, 1, 0}},
    {TEffectKind::HourHand, "hourhand", {2, 9, 0}},
    {TEffectKind::Shapes, "shapes", {2, 3, 0}},
    {TEffectKind::Gates, "gates", {0, 8, 0}},
    {TEffectKind::Page, "page", {0, 8, 0}},
    {TEffectKind::Mosaic, "mosaic", {0, 1, 0}},
    {TEffectKind::Push, "push", {0, 4, 0}},
    {TEffectKind::Slide, "slide", {0, 4, 0}},
    {TEffectKind::Curling, "curling", {2, 8, 2}},
    {TEffectKind::Flip, "flip", {0, 4, 2}},
    {TEffectKind::Swap, "swap", {0, 4, 0}},
    {TEffectKind::Custom, "custom", {0, 1, 0}},
}};

const TKindInfo& InfoOf(TEffectKind kind) noexcept { return kKinds[static_cast<int>(kind) - 1]; }

// Positions of the flags that are on among `count` flags starting at `first`.
std::vector<int> OnPositions(const std::vector<bool>& flags, int first, int count) {
  std::vector<int> positions;
  for (int i = first; i < first + count && i < static_cast<int>(flags.size()); ++i)
    if (flags[i]) positions.push_back(i);
  return positions;
}

}  // namespace

std::optional<TEffectKind> BuiltInKindOf(std::string_view kind_name) noexcept {
  for (const TKindInfo& info : kKinds)
    if (info.Kind != TEffectKind::Custom && SameTextAscii(info.Name, kind_name)) return info.Kind;
  return std::nullopt;
}

std::string_view KindName(TEffectKind kind) noexcept { return InfoOf(kind).Name; }

TFlagLayout FlagLayoutOf(TEffectKind kind) noexcept { return InfoOf(kind).Layout; }

double SanitizeSoftness(double softness) noexcept { return softness < 0.1 ? kMinSoftness : softness; }

Ref<TOrvEffect> TOrvEffect::Copy() const {
  auto copy = MakeRef<TOrvEffect>(Kind);
  copy->Softness = Softness;
  copy->Variants = Variants;
  copy->Ints = Ints;
  copy->Floats = Floats;
  copy->Flags = Flags;
  copy->Section = Section;
  return copy;
}

int TOrvEffect::CountVariants() const {
  const TFlagLayout layout = FlagLayoutOf(Kind);
  const int directions = static_cast<int>(OnPositions(Flags, layout.Actions, layout.Directions).size());
  if (layout.Actions == 0) return directions;
  return static_cast<int>(OnPositions(Flags, 0, layout.Actions).size()) * directions;
}

Ref<TOrvEffect> TOrvEffect::WithOnlyVariant(int variant) const {
  ORV_ASSERT(variant >= 0 && variant < CountVariants(), "Variant out of range");
  const TFlagLayout layout = FlagLayoutOf(Kind);
  const std::vector<int> actions = OnPositions(Flags, 0, layout.Actions);
  const std::vector<int> directions = OnPositions(Flags, layout.Actions, layout.Directions);
  Ref<TOrvEffect> copy = Copy();
  for (int i = 0; i < layout.Actions + layout.Directions && i < static_cast<int>(copy->Flags.size()); ++i)
    copy->Flags[i] = false;
  const int direction_count = static_cast<int>(directions.size());
  if (layout.Actions > 0) copy->Flags[actions[variant / direction_count]] = true;
  copy->Flags[directions[variant % direction_count]] = true;
  copy->Variants = 1;
  return copy;
}

}  // namespace orv
