#include "transitions/effect_readers.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "base/text.h"
#include "transitions/effect_manager.h"

namespace orv {
namespace {

// How one source of flags turns into `Flags` entries.
enum class TFlagRead : uint8_t {
  Chars,     // one flag per listed character position (1-based) of a "0"/"1" string
  Option,    // one flag, on only when the value is exactly "1"
  Checked,   // one flag, a boolean that is on unless it says "0"
};

struct TFlagSource {
  TFlagRead Read = TFlagRead::Chars;
  std::string_view Key;        // empty: an unused slot
  std::string_view Positions;  // for Chars: the positions as digits, in flag order
};

struct TKindReader {
  TEffectKind Kind;
  std::array<TFlagSource, 4> Flags;
  double Softness;  // the default of "smoothline"; negative: the kind has no soft edge
  void (*ReadParams)(const TEffectProp& prop, TOrvEffect& effect);
};

constexpr double kNoSoftness = -1;

int IntParam(const TEffectProp& prop, std::string_view key, int default_value) {
  return ReadInteger(prop.Value(key), default_value);
}

float FloatParam(const TEffectProp& prop, std::string_view key, float default_value) {
  const double value = ReadFloat(prop.Value(key), default_value);
  return std::fabs(value) <= FLT_MAX ? static_cast<float>(value) : default_value;
}

void NoParams(const TEffectProp&, TOrvEffect&) {}

void HourHandParams(const TEffectProp& prop, TOrvEffect& effect) { effect.Floats = {FloatParam(prop, "offset", 0)}; }

void ShapesParams(const TEffectProp& prop, TOrvEffect& effect) {
  effect.Ints = {IntParam(prop, "centerx", 50), IntParam(prop, "centery", 50)};
}

// Tile counts and the fade spread feed divisions and loops in the renderer: they are kept
// where a mosaic still makes sense.
void MosaicParams(const TEffectProp& prop, TOrvEffect& effect) {
  effect.Ints = {std::clamp(IntParam(prop, "cols", 1), 1, kMaxMosaicTiles),
                 std::clamp(IntParam(prop, "rows", 1), 1, kMaxMosaicTiles),
                 std::max(IntParam(prop, "appearence", 0), 0)};
}

void CurlingParams(const TEffectProp& prop, TOrvEffect& effect) {
  const TIniColor color = ReadColor(prop.Value("color"), TIniColor{});
  effect.Ints = {IntParam(prop, "pipe", 1), color.Red, color.Green, color.Blue};
  effect.Floats = {FloatParam(prop, "radius", 0), FloatParam(prop, "3dvolume", 0.125f)};
}

void FlipParams(const TEffectProp& prop, TOrvEffect& effect) { effect.Floats = {FloatParam(prop, "3dvolume", 0.5f)}; }

void SwapParams(const TEffectProp& prop, TOrvEffect& effect) {
  effect.Floats = {FloatParam(prop, "depth", 4), FloatParam(prop, "distance", 1), FloatParam(prop, "angle", 60)};
}

using enum TFlagRead;
const TKindReader kReaders[] = {
    {TEffectKind::Dissolve, {{{Checked, "checked", ""}}}, kNoSoftness, NoParams},
    {TEffectKind::HourHand, {{{Chars, "action", "12"}, {Chars, "direction", "123456789"}}}, 0.35, HourHandParams},
    {TEffectKind::Shapes, {{{Chars, "action", "12"}, {Chars, "direction", "123"}}}, 0, ShapesParams},
    {TEffectKind::Gates, {{{Chars, "direction", "12345678"}}}, 0, NoParams},
    {TEffectKind::Page, {{{Chars, "direction", "12345678"}}}, 0, NoParams},
    {TEffectKind::Mosaic, {{{Checked, "checked", ""}}}, kNoSoftness, MosaicParams},
    {TEffectKind::Push, {{{Chars, "direction", "2134"}}}, kNoSoftness, NoParams},
    {TEffectKind::Slide, {{{Chars, "direction", "2134"}}}, kNoSoftness, NoParams},
    {TEffectKind::Curling,
     {{{Chars, "action", "12"}, {Chars, "direction", "87654321"}, {Option, "usecolor", ""}, {Option, "usevolume", ""}}},
     kNoSoftness,
     CurlingParams},
    {TEffectKind::Flip,
     {{{Chars, "direction", "2134"}, {Option, "frucenter", ""}, {Option, "nonlinearspeed", ""}}},
     kNoSoftness,
     FlipParams},
    {TEffectKind::Swap, {{{Chars, "direction", "2134"}}}, kNoSoftness, SwapParams},
};

void AppendFlags(const TEffectProp& prop, const TFlagSource& source, std::vector<bool>& flags) {
  const std::string_view value = prop.ValueText(source.Key);
  switch (source.Read) {
    case Chars:
      for (char digit : source.Positions) {
        const size_t position = static_cast<size_t>(digit - '1');
        flags.push_back(position < value.size() && value[position] == '1');
      }
      break;
    case Option:
      flags.push_back(value == "1");
      break;
    case Checked:
      flags.push_back(ReadBool(prop.Value(source.Key), true));
      break;
  }
}

bool IsOneOf(std::string_view name, const std::vector<std::string>& names) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameTextUtf8(n, name); });
}

// A property description is a ";"-separated list; the field after "id" is the name.
std::string_view PropertyName(std::string_view description) {
  const std::vector<std::string_view> fields = SplitList(description, ';');
  for (size_t i = 0; i + 1 < fields.size(); ++i)
    if (fields[i] == "id") return fields[i + 1];
  return {};
}

// More user properties than this are not read: each one is a key the entry must hold.
constexpr int kMaxUserProperties = 4096;

// The entry's own values of the user properties the transition slide reads, except those
// that only choose the variant.
void CopyUserProperties(const TEffectProp& prop, TIniList& container) {
  const std::vector<std::string> variant_keys = SplitNames(prop.ValueText("sectionfield"));
  const int count = std::clamp(IntParam(prop, "userprops", 0), 0, kMaxUserProperties);
  for (int n = 1; n <= count; ++n) {
    const std::string_view name = PropertyName(prop.ValueText("prop" + std::to_string(n)));
    if (name.empty() || IsOneOf(name, variant_keys)) continue;
    if (const TIniItem* value = prop.Value(name)) container.FindOrAddKey(name)->SetValue(value->Value());
  }
}

// Copies without recursion: object blocks may nest as deep as the text allows.
void CopyItems(const TIniList& from, TIniList& to) {
  std::vector<std::pair<const TIniList*, TIniList*>> pending{{&from, &to}};
  while (!pending.empty()) {
    const auto [source, target] = pending.back();
    pending.pop_back();
    for (const TIniItem* item : source->Items()) {
      if (item->IsObject()) {
        const auto* object = static_cast<const TIniObject*>(item);
        pending.emplace_back(object, target->AddObject(object->Name(), object->ObjectClass()));
      } else if (item->IsKey()) {
        target->AddKey(item->Name(), item->Value());
      } else {
        target->AddText(item->Value());
      }
    }
  }
}

Ref<TIniSection> CompletedSectionCopy(const TEffectProp& prop, const TIniSection& source) {
  auto copy = MakeRef<TIniSection>(source.Name());
  CopyItems(source, *copy);
  TIniObject* container = copy->FindObject("Container");
  if (!container) container = copy->AddObject("Container", "Root");
  CopyUserProperties(prop, *container);
  prop.AddBackground(*copy);
  return copy;
}

Ref<TOrvEffect> BareCustomEffect() {
  auto effect = MakeRef<TOrvEffect>(TEffectKind::Custom);
  effect->Flags = {true};
  effect->Variants = 1;
  return effect;
}

}  // namespace

Ref<TOrvEffect> ReadBuiltInEffect(TEffectKind kind, const TEffectProp& prop) {
  const auto reader =
      std::find_if(std::begin(kReaders), std::end(kReaders), [&](const TKindReader& r) { return r.Kind == kind; });
  if (reader == std::end(kReaders)) return nullptr;
  auto effect = MakeRef<TOrvEffect>(kind);
  for (const TFlagSource& source : reader->Flags)
    if (!source.Key.empty()) AppendFlags(prop, source, effect->Flags);
  reader->ReadParams(prop, *effect);
  if (reader->Softness != kNoSoftness)
    effect->Softness = SanitizeSoftness(ReadFloat(prop.Value("smoothline"), reader->Softness));
  effect->Variants = effect->CountVariants();
  return effect->Variants > 0 ? effect : nullptr;
}

Ref<TOrvEffect> MakeCustomEffect(const TEffectProp& prop, int variant) {
  Ref<TOrvEffect> effect = BareCustomEffect();
  const std::string name = prop.VariantSection(variant);
  if (const TIniSection* source = name.empty() ? nullptr : prop.Manager().Project().FindSection(name))
    effect->Section = CompletedSectionCopy(prop, *source);
  return effect;
}

Ref<TOrvEffect> MakeFirstCustomEffect(const TEffectProp& prop) {
  const int count = prop.VariantCount();
  for (int variant = 0; variant < count; ++variant)
    if (prop.VariantEnabled(variant)) return MakeCustomEffect(prop, variant);
  return BareCustomEffect();
}

}  // namespace orv
