// One catalogue entry (a child of the show-wide transition object, its class the kind name)
// or one slide's reference to an entry (an object of class "AnEffect" in the slide's
// section, naming the entry in its "ref" key). A reference reads its own keys first and
// falls back to the entry it names, so a slide can override any parameter of an entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/ref_object.h"
#include "project/ini_file.h"

namespace orv {

class TORVEffectManager;

class TEffectProp : public TRefObject {
public:
  // Whether `enabled` variants are none, some or all of them.
  enum TEnabledState { esNone = 0, esSome = 1, esAll = 2 };

  // `manager` owns the prop and outlives it. `named_entry` is the entry a reference names.
  TEffectProp(const TORVEffectManager& manager, Ref<TIniObject> object, const TEffectProp* named_entry);

  bool IsReference() const noexcept { return FIsReference; }
  const TORVEffectManager& Manager() const noexcept { return FManager; }
  TIniObject& Object() const noexcept { return *FObject; }
  // The entry's object name, or for a reference its "ref" value; lower-cased.
  std::string Name() const;
  // The entry's class name; for a reference that of the entry it names, else its "ref" value.
  std::string KindName() const;
  // For a reference, the entry that finally answers for it (references may name entries
  // that are references themselves); null when there is none. An entry answers for itself.
  const TEffectProp* ResolvedEntry() const;

  // The item holding `key` for this prop: for a reference its own key, else the named
  // entry's (its "caption" always comes from the entry), else the show-wide object's; for
  // an entry its own key, except "time", which all entries share with the show-wide object.
  // Null when nobody has the key.
  const TIniItem* Value(std::string_view key) const;
  // Value's text, or `default_text` when no item has the key.
  std::string_view ValueText(std::string_view key, std::string_view default_text = {}) const;

  // The names listed in "key": the keys whose digit strings enable the variants.
  std::vector<std::string> KeyList() const;
  TEnabledState EnabledState() const;
  // The transition's duration in ms (see the manager for the special names).
  int Duration() const;

  // Variants of a custom transition, enumerated by the keys listed in "sectionfield".
  int VariantCount() const;
  bool VariantEnabled(int variant) const;
  // The "effect_…" section holding the variant's slide description; empty when the
  // variant's "slide_…" key names none.
  std::string VariantSection(int variant) const;
  // Writes the entry's background choice and the frame size into a copied effect section.
  void AddBackground(TIniSection& section) const;

private:
  // Walking references stops after this many hops, so that a catalogue whose references
  // name each other in a circle still answers.
  static constexpr int kMaxReferenceHops = 8;

  const TIniItem* ValueAtHop(std::string_view key, int hop) const;
  // "sectionfield"'s keys with their digit strings; empty when variants are not enumerated.
  std::vector<std::pair<std::string, std::string>> SectionFields() const;

  const TORVEffectManager& FManager;
  Ref<TIniObject> FObject;
  const TEffectProp* FNamedEntry;
  bool FIsReference;

  friend class TORVEffectManager;
};

// Splits a comma-separated list of names, blanks around each name removed, empty names dropped.
std::vector<std::string> SplitNames(std::string_view list);

}  // namespace orv
