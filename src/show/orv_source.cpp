#include "show/orv_source.h"

#include <algorithm>
#include <string>

#include "base/assertions.h"
#include "base/log.h"
#include "transitions/effect_readers.h"

namespace orv {
namespace {

Ref<TIniFile> RequireProject(Ref<TIniFile> project) {
  ORV_ASSERT(project, "There is no project for the show source");
  return project;
}

// Text that is not UTF-8 cannot name anything: it reads as empty, and the log says so.
WideString ReadText(const TIniItem* item) {
  WideString text;
  if (!TryUtf8ToUtf16(ReadUtf8(item), text)) {
    Log().Write("Show source: the value of " + std::string(item->Name()) + " is not UTF-8 and is ignored");
    text.clear();
  }
  return text;
}

// The last component of a Windows path (a trailing backslash ignored) without its extension.
std::string_view PictureStem(std::string_view path) {
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
  if (const size_t slash = path.find_last_of("\\/"); slash != std::string_view::npos) path.remove_prefix(slash + 1);
  if (const size_t dot = path.rfind('.'); dot != std::string_view::npos) path = path.substr(0, dot);
  return path;
}

WideString ReadSlideId(const TIniSection* section) {
  if (!section) return {};
  WideString id = ReadText(section->FindKey("slideid"));
  if (!id.empty()) return id;
  const TIniItem* picture = section->FindKey("Picture");
  WideString stem;
  return TryUtf8ToUtf16(PictureStem(ReadUtf8(picture)), stem) ? stem : ReadText(picture);
}

}  // namespace

bool IsScreenSaverFile(std::string_view path) {
  const std::string_view extension = ".scr";
  return path.size() > extension.size() && SameTextAscii(path.substr(path.size() - extension.size()), extension);
}

TOrvSource::TOrvSource(Ref<TIniFile> project, const TOrvSourceSettings& settings)
    : FProject(RequireProject(std::move(project))),
      FScreenSaver(IsScreenSaverFile(settings.ProgramFile)),
      FOptions(ReadOptions(*FProject, FScreenSaver)),
      FEffects(MakeRef<TORVEffectManager>(FProject, FOptions.FrameSize.First, FOptions.FrameSize.Second)),
      FDefaultEffectTime(FEffects->GlobalTime()),
      FRandom(settings.RandomSeed),
      FPool(*FEffects, FRandom) {
  BuildTimeTable(SlideCountOption());
}

// Everything the source and the rest of the player read sees the screen-saver overrides.
TShowOptions TOrvSource::ReadOptions(TIniFile& project, bool screen_saver) {
  ApplyScreenSaverOverrides(project, screen_saver);
  return TShowOptions::Read(project);
}

TIniColor TOrvSource::BorderColor() const noexcept {
  const uint32_t color = static_cast<uint32_t>(FOptions.HiderColor);
  return TIniColor{uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16), 255};
}

int TOrvSource::SlideCountOption() const {
  const int count = FOptions.SlideCount;
  if (count > kMaxSlideCount)
    Log().Write("Show source: " + std::to_string(count) + " slides announced, the first " +
                std::to_string(kMaxSlideCount) + " are played");
  return std::clamp(count, 0, kMaxSlideCount);
}

double TOrvSource::GetEffectTime(int index, int slide_count) {
  if (slide_count == 0 || index < 0 || (index >= slide_count && RepeatMode() != TRepeatMode::Repeat)) return 0;
  return std::max(FEffects->EffectTime(index % slide_count), 0);
}

void TOrvSource::BuildTimeTable(int slide_count) {
  FSlideActions.resize(slide_count);
  std::vector<TSlideInfo> slides(slide_count);
  double previous_end = 0;
  for (int i = 0; i < slide_count; ++i) {
    TSlideInfo& slide = slides[i];
    slide.StartTime = previous_end;
    slide.EndTime = FOptions.SlideEndTime(i + 1);
    if (slide.EndTime < previous_end) {
      // A slide cannot end before it starts: it is kept, without length.
      Log().Write("Show source: Incorrect time: slide " + std::to_string(i + 1) + " ends before it starts");
      slide.EndTime = previous_end;
    }
    slide.EffectIn = std::min(GetEffectTime(i, slide_count), slide.EndTime - slide.StartTime);
    slide.EffectNext = GetEffectTime(i + 1, slide_count);
    slide.VisibleUntil = slide.EndTime + slide.EffectNext;
    const TIniSection* section = FindSlideSection(*FProject, i);
    slide.SlideId = ReadSlideId(section);
    FSlideActions[i] = ReadSlideActions(section);
    previous_end = slide.EndTime;
  }
  FTimeline = TSlideTimeline(std::move(slides));
}

TOrvSource::TSlideActions TOrvSource::ReadSlideActions(const TIniSection* section) const {
  TSlideActions actions;
  if (!section) return actions;
  // "" (present but empty) pauses only a manual show.
  switch (ReadChoice(section->FindKey("Pers_EndAction"), {"pause", "loop", ""}, -1, true)) {
    case 0:
      actions.EndAction = TEndAction::Pause;
      break;
    case 1:
      actions.EndAction = TEndAction::Loop;
      break;
    case 2:
      if (FOptions.ManualShow) actions.EndAction = TEndAction::Pause;
      break;
    default:
      break;
  }
  if (ReadInteger(section->FindKey("Pers_RunApp"), 0) == 1) actions.RunApp = ReadText(section->FindKey("RunAppFN"));
  return actions;
}

int TOrvSource::SlideOf(int index) const noexcept {
  const int count = SlideCount();
  return index < 0 || count == 0 ? -1 : index % count;
}

WideString TOrvSource::SlideId(int index) const {
  const int slide = SlideOf(index);
  return slide < 0 ? WideString() : FTimeline.At(slide).SlideId;
}

TOrvSource::TEndAction TOrvSource::EndActionOf(int index) const {
  const int slide = SlideOf(index);
  return slide < 0 ? TEndAction::None : FSlideActions[slide].EndAction;
}

bool TOrvSource::GetEndAction(int index, double& loop_length) const {
  loop_length = 0;
  const TEndAction action = EndActionOf(index);
  if (action == TEndAction::Loop) {
    const TSlideInfo& slide = FTimeline.At(SlideOf(index));
    loop_length = slide.EndTime - slide.StartTime - slide.EffectIn;
  }
  return action != TEndAction::None;
}

bool TOrvSource::GetRunApp(int index, WideString& file_name) const {
  const int slide = SlideOf(index);
  file_name = slide < 0 ? WideString() : FSlideActions[slide].RunApp;
  return !file_name.empty();
}

Ref<TOrvEffect> TOrvSource::CreateSlideEffect(int index, double& duration, double& smoothness) {
  duration = 0;
  smoothness = 0;
  const int slide = SlideOf(index);
  if (slide < 0) return nullptr;
  Ref<TOrvEffect> effect = SlideEffect(*FEffects->SlideReference(slide), duration, smoothness);
  if (!effect || !(duration > 0)) {
    duration = 0;
    return nullptr;
  }
  if (effect->Kind == TEffectKind::Mosaic) {
    effect->Ints.resize(effect_param::kTileSeed);
    effect->Ints.push_back(static_cast<int>(FRandom.Below(4096) * 4096 + FRandom.Below(4096)));
  }
  return effect;
}

Ref<TOrvEffect> TOrvSource::SlideEffect(const TEffectProp& reference, double& duration, double& smoothness) {
  duration = ReadFloat(reference.Object().FindKey("time"), 0);
  smoothness = ReadFloat(reference.Value("smoothline"), 0);
  const std::string name = reference.Name();
  if (name == "quick") return nullptr;
  if (name == "default" || name == "defowntime") {
    if (name == "default") duration = FDefaultEffectTime;
    Ref<TOrvEffect> picked = FPool.Pick();
    smoothness = picked ? picked->Softness : 0;
    return picked;
  }
  if (const auto kind = BuiltInKindOf(reference.KindName())) return ReadBuiltInEffect(*kind, reference);
  return MakeFirstCustomEffect(reference);
}

}  // namespace orv
