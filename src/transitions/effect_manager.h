// The transition catalogue of a show: the show-wide transition object "TheEffect" of the
// "Main" section, whose child objects are the catalogue entries, plus the special entries
// "default", "defowntime" and "quick" that every show has, and the per-slide references.
//
// Durations of references by name: "default" lasts the show-wide "time" when any entry is
// enabled; "quick" never lasts; "defowntime" lasts its own "time" (given the show-wide one
// when it has none) when any entry is enabled; any other reference lasts its own "time".
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ref_object.h"
#include "project/ini_file.h"
#include "transitions/effect_prop.h"

namespace orv {

class TORVEffectManager : public TRefObject {
public:
  // The show-wide object is created (with "time" = 2000) when the project has none.
  TORVEffectManager(Ref<TIniFile> project, int frame_width, int frame_height);

  // Catalogue entries: the real children first, then the special entries the show does not
  // define itself.
  int Count() const noexcept { return static_cast<int>(FEntries.size()); }
  TEffectProp* EntryAt(int index) const { return FEntries.at(index).Get(); }
  // A real child of that name (any case), else a special entry, else null.
  TEffectProp* FindEntry(std::string_view name) const;

  // The reference of slide `slide` (0-based): its section's "TheEffect" object, created with
  // "ref" = "default" when missing. A slide without a section gets a "default" reference
  // that is not part of the project.
  TEffectProp* SlideReference(int slide);
  int EffectTime(int slide) { return SlideReference(slide)->Duration(); }

  bool AnyEnabled() const noexcept { return FAnyEnabled; }
  const TIniItem* GlobalTimeItem() const { return FShowWide->FindKey("time"); }
  std::string_view GlobalTimeText() const { return ReadUtf8(GlobalTimeItem()); }
  int GlobalTime() const { return ReadInteger(GlobalTimeItem(), 0); }

  TIniObject& ShowWideObject() const noexcept { return *FShowWide; }
  TIniFile& Project() const noexcept { return *FProject; }
  int FrameWidth() const noexcept { return FFrameWidth; }
  int FrameHeight() const noexcept { return FFrameHeight; }

private:
  static Ref<TIniObject> FindOrAddShowWideObject(TIniFile& project);
  void AddEntries();
  Ref<TEffectProp> MakeReference(Ref<TIniObject> object) const;

  Ref<TIniFile> FProject;
  Ref<TIniObject> FShowWide;
  int FFrameWidth;
  int FFrameHeight;
  std::vector<Ref<TEffectProp>> FEntries;
  size_t FRealEntryCount = 0;
  bool FAnyEnabled = false;
  std::unordered_map<int, Ref<TEffectProp>> FSlideReferences;
  Ref<TEffectProp> FSectionlessReference;
};

// The section that describes slide `slide` (0-based): "Slide" + its 1-based number, any case.
TIniSection* FindSlideSection(const TIniFile& project, int slide);

}  // namespace orv
