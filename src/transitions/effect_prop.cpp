#include "transitions/effect_prop.h"

#include <algorithm>

#include "base/text.h"
#include "transitions/effect_manager.h"

namespace orv {
namespace {

constexpr std::string_view kReferenceClass = "AnEffect";

// A custom transition enumerates its variants as the product of its digit strings' lengths;
// past this many the rest are ignored rather than walked one by one.
constexpr int kMaxCustomVariants = 1024;

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

TEffectProp::TEnabledState DigitState(std::string_view digits) noexcept {
  const auto ones = std::count(digits.begin(), digits.end(), '1');
  if (ones == 0) return TEffectProp::esNone;
  return static_cast<size_t>(ones) == digits.size() ? TEffectProp::esAll : TEffectProp::esSome;
}

// "1" at `digit` in a string of `length` zeros.
std::string OneHot(size_t length, size_t digit) {
  std::string text(length, '0');
  if (digit < length) text[digit] = '1';
  return text;
}

void SetKey(TIniList& list, std::string_view key, std::string_view value) {
  list.FindOrAddKey(key)->SetValue(value);
}

}  // namespace

std::vector<std::string> SplitNames(std::string_view list) {
  std::vector<std::string> names;
  for (std::string_view part : SplitList(list, ','))
    if (std::string_view name = Trim(part); !name.empty()) names.emplace_back(name);
  return names;
}

TEffectProp::TEffectProp(const TORVEffectManager& manager, Ref<TIniObject> object, const TEffectProp* named_entry)
    : FManager(manager),
      FObject(std::move(object)),
      FNamedEntry(named_entry),
      FIsReference(SameTextAscii(FObject->ObjectClass(), kReferenceClass)) {}

std::string TEffectProp::Name() const {
  return LowerUtf8(FIsReference ? ReadUtf8(FObject->FindKey("ref")) : FObject->Name());
}

const TEffectProp* TEffectProp::ResolvedEntry() const {
  const TEffectProp* prop = this;
  for (int hop = 0; prop && prop->FIsReference; ++hop) {
    if (hop == kMaxReferenceHops) return nullptr;
    prop = prop->FNamedEntry;
  }
  return prop;
}

std::string TEffectProp::KindName() const {
  if (const TEffectProp* entry = ResolvedEntry()) return std::string(entry->FObject->ObjectClass());
  return std::string(ReadUtf8(FObject->FindKey("ref")));
}

const TIniItem* TEffectProp::Value(std::string_view key) const { return ValueAtHop(key, 0); }

const TIniItem* TEffectProp::ValueAtHop(std::string_view key, int hop) const {
  if (!FIsReference) return SameTextAscii(key, "time") ? FManager.GlobalTimeItem() : FObject->FindKey(key);
  if (!SameTextAscii(key, "caption"))
    if (const TIniItem* own = FObject->FindKey(key)) return own;
  if (FNamedEntry && hop < kMaxReferenceHops) return FNamedEntry->ValueAtHop(key, hop + 1);
  return FManager.ShowWideObject().FindKey(key);
}

std::string_view TEffectProp::ValueText(std::string_view key, std::string_view default_text) const {
  return ReadUtf8(Value(key), default_text);
}

std::vector<std::string> TEffectProp::KeyList() const {
  const TEffectProp* entry = ResolvedEntry();
  return entry ? SplitNames(ReadUtf8(entry->FObject->FindKey("key"))) : std::vector<std::string>{};
}

TEffectProp::TEnabledState TEffectProp::EnabledState() const {
  const std::vector<std::string> keys = KeyList();
  if (keys.empty()) return ReadBool(Value("checked"), false) ? esAll : esNone;
  TEnabledState state = esAll;
  for (const std::string& key : keys) state = std::min(state, DigitState(ValueText(key)));
  return state;
}

int TEffectProp::Duration() const {
  if (!FIsReference) return ReadInteger(Value("time"), 0);
  const std::string name = Name();
  if (name == "quick") return 0;
  if (name == "default") return FManager.AnyEnabled() ? FManager.GlobalTime() : 0;
  if (name == "defowntime") {
    if (!FManager.AnyEnabled()) return 0;
    // The slide keeps the show-wide duration it was given, whatever changes later.
    if (!FObject->FindKey("time")) FObject->AddKey("time", FManager.GlobalTimeText());
  }
  return ReadInteger(FObject->FindKey("time"), 0);
}

std::vector<std::pair<std::string, std::string>> TEffectProp::SectionFields() const {
  std::vector<std::pair<std::string, std::string>> fields;
  const std::vector<std::string> names = SplitNames(ValueText("sectionfield"));
  if (names.size() == 1 && SameTextAscii(names[0], "checked")) return fields;
  for (const std::string& name : names) fields.emplace_back(name, std::string(ValueText(name)));
  return fields;
}

int TEffectProp::VariantCount() const {
  int count = 1;
  for (const auto& [name, digits] : SectionFields()) {
    const size_t length = std::max<size_t>(digits.size(), 1);
    if (length > size_t(kMaxCustomVariants / count)) return kMaxCustomVariants;
    count *= static_cast<int>(length);
  }
  return count;
}

bool TEffectProp::VariantEnabled(int variant) const {
  const auto fields = SectionFields();
  if (fields.empty()) return variant == 0;
  size_t rest = static_cast<size_t>(variant);
  for (auto field = fields.rbegin(); field != fields.rend(); ++field) {
    const std::string& digits = field->second;
    if (digits.empty()) {
      if (rest != 0) return false;
      continue;
    }
    const size_t digit = rest % digits.size();
    rest /= digits.size();
    if (digits[digit] != '1') return false;
  }
  return true;
}

std::string TEffectProp::VariantSection(int variant) const {
  const auto fields = SectionFields();
  std::string key = "slide_1";
  if (!fields.empty()) {
    std::vector<std::string> parts(fields.size());
    size_t rest = static_cast<size_t>(variant);
    for (size_t i = fields.size(); i-- > 0;) {
      const size_t length = fields[i].second.size();
      parts[i] = OneHot(length, length ? rest % length : 0);
      if (length) rest /= length;
    }
    key = "slide";
    for (const std::string& part : parts) key += "_" + part;
  }
  std::string_view target = ValueText(key);
  // An entry without enumerated variants plays the section named after itself.
  const TEffectProp* entry = ResolvedEntry();
  if (target.empty() && fields.empty() && entry) target = entry->FObject->Name();
  return target.empty() ? std::string() : "effect_" + std::string(target);
}

void TEffectProp::AddBackground(TIniSection& section) const {
  SetKey(section, "CustomEffBg", "0");
  switch (ReadInteger(Value("bstyle"), 0)) {
    case 1:
      SetKey(section, "bstyle", "1");
      SetKey(section, "bcolor", ValueText("bcolor", "0"));
      break;
    case 2:
      SetKey(section, "bstyle", "2");
      if (const TIniItem* picture = Value("bfn")) SetKey(section, "bfn", picture->Value());
      SetKey(section, "bsize", ValueText("bsize", "100"));
      break;
    case 3:
      SetKey(section, "bstyle", "3");
      SetKey(section, "bcolor1", ValueText("bcolor1", "16711680"));
      SetKey(section, "bcolor2", ValueText("bcolor2", "0"));
      SetKey(section, "bcolorStyle", ValueText("bcolorStyle", "1"));
      break;
    case 4:
      SetKey(section, "bstyle", "4");
      SetKey(section, "CustomEffBg", ValueText("CustomEffBg", "3"));
      break;
    default:
      break;
  }
  SetKey(section, "TransparentBg", ValueText("TransparentBg", "0"));
  SetKey(section, "CoverMode", "1");
  SetKey(section, "opt_scr_width", std::to_string(FManager.FrameWidth()));
  SetKey(section, "opt_scr_height", std::to_string(FManager.FrameHeight()));
}

}  // namespace orv
