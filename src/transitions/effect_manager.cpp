#include "transitions/effect_manager.h"

#include <array>
#include <string>

#include "base/assertions.h"
#include "base/text.h"

namespace orv {
namespace {

constexpr std::string_view kShowWideObjectName = "TheEffect";
constexpr std::string_view kReferenceClass = "AnEffect";
constexpr std::string_view kDefaultGlobalTime = "2000";

struct TSpecialEntry {
  std::string_view Name;
  std::string_view Group;
};
// Every show offers these, in this order, after its own entries.
constexpr std::array<TSpecialEntry, 3> kSpecialEntries{{
    {"default", "GroupFromProjectOptions"},
    {"defowntime", "GroupFromProjectOptions"},
    {"quick", "GroupBasic"},
}};

// A special entry is not part of the project; its class is its own name.
Ref<TIniObject> MakeSpecialObject(const TSpecialEntry& special) {
  auto object = MakeRef<TIniObject>(special.Name, special.Name);
  object->AddKey("caption", special.Name);
  object->AddKey("group", special.Group);
  object->AddKey("islocal", "1");
  return object;
}

Ref<TIniObject> MakeDefaultReference() {
  auto object = MakeRef<TIniObject>(kShowWideObjectName, kReferenceClass);
  object->AddKey("ref", "default");
  return object;
}

}  // namespace

TIniSection* FindSlideSection(const TIniFile& project, int slide) {
  return project.FindSection("Slide" + std::to_string(int64_t(slide) + 1));
}

TORVEffectManager::TORVEffectManager(Ref<TIniFile> project, int frame_width, int frame_height)
    : FProject(std::move(project)), FFrameWidth(frame_width), FFrameHeight(frame_height) {
  ORV_ASSERT(FProject, "There is no IniFile for EffectRuller");
  FShowWide = FindOrAddShowWideObject(*FProject);
  AddEntries();
  FSectionlessReference = MakeReference(MakeDefaultReference());
}

Ref<TIniObject> TORVEffectManager::FindOrAddShowWideObject(TIniFile& project) {
  TIniSection* main = project.FindOrAddSection("Main");
  if (TIniObject* found = main->FindObjectOfClass(kShowWideObjectName, kReferenceClass))
    return Ref<TIniObject>::Share(found);
  TIniObject* added = main->AddObject(kShowWideObjectName, kReferenceClass);
  added->AddKey("time", kDefaultGlobalTime);
  return Ref<TIniObject>::Share(added);
}

void TORVEffectManager::AddEntries() {
  for (TIniObject* child = FShowWide->FirstObject(); child; child = FShowWide->NextObject(child))
    FEntries.push_back(MakeRef<TEffectProp>(*this, Ref<TIniObject>::Share(child), nullptr));
  FRealEntryCount = FEntries.size();
  for (const TSpecialEntry& special : kSpecialEntries)
    if (!FShowWide->FindObject(special.Name))
      FEntries.push_back(MakeRef<TEffectProp>(*this, MakeSpecialObject(special), nullptr));
  // Entries that are references themselves can name any entry, so they are resolved last.
  for (const Ref<TEffectProp>& entry : FEntries)
    if (entry->IsReference()) entry->FNamedEntry = FindEntry(ReadUtf8(entry->Object().FindKey("ref")));
  for (const Ref<TEffectProp>& entry : FEntries)
    if (entry->EnabledState() != TEffectProp::esNone) FAnyEnabled = true;
}

TEffectProp* TORVEffectManager::FindEntry(std::string_view name) const {
  if (const TIniObject* real = FShowWide->FindObject(name)) {
    for (size_t i = 0; i < FRealEntryCount; ++i)
      if (&FEntries[i]->Object() == real) return FEntries[i].Get();
  }
  for (size_t i = FRealEntryCount; i < FEntries.size(); ++i)
    if (SameTextUtf8(FEntries[i]->Object().Name(), name)) return FEntries[i].Get();
  return nullptr;
}

Ref<TEffectProp> TORVEffectManager::MakeReference(Ref<TIniObject> object) const {
  const TEffectProp* named = FindEntry(ReadUtf8(object->FindKey("ref")));
  return MakeRef<TEffectProp>(*this, std::move(object), named);
}

TEffectProp* TORVEffectManager::SlideReference(int slide) {
  ORV_ASSERT(slide >= 0, "Negative slide index");
  if (auto cached = FSlideReferences.find(slide); cached != FSlideReferences.end()) return cached->second.Get();
  TIniSection* section = FindSlideSection(*FProject, slide);
  if (!section) return FSectionlessReference.Get();
  TIniObject* object = section->FindObjectOfClass(kShowWideObjectName, kReferenceClass);
  if (!object) {
    object = section->AddObject(kShowWideObjectName, kReferenceClass);
    object->AddKey("ref", "default");
  }
  Ref<TEffectProp>& reference = FSlideReferences[slide];
  reference = MakeReference(Ref<TIniObject>::Share(object));
  return reference.Get();
}

}  // namespace orv
