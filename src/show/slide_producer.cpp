#include "show/slide_producer.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

#include "base/assertions.h"
#include "base/log.h"
#include "slide/slide_props.h"
#include "transitions/effect_manager.h"

namespace orv {
namespace {

// Beyond this many slides from the last window, the search starts again from the slide
// at the time instead of walking there.
constexpr int kMaxWalk = 64;
constexpr int kDefaultEffectSlideTime = 2000;

int RoundMs(double time) {
  return std::isfinite(time) ? int(std::clamp(std::nearbyint(time), -2147483647.0, 2147483647.0)) : 0;
}

Ref<TIniSection> SectionOrEmpty(const TIniFile& project, std::string_view name) {
  TIniSection* section = project.FindSection(name);
  return section ? Ref<TIniSection>::Share(section) : MakeRef<TIniSection>(name);
}

std::string DialogSectionName(int number) { return "dialog_" + std::to_string(number) + "_"; }

}  // namespace

TSlideProducer::TSlideProducer(Ref<TOrvSource> source, Ref<TOrvSlideHost> host)
    : FSource(std::move(source)), FHost(std::move(host)) {
  ORV_ASSERT(FSource && FHost, "TSlideProducer: Source or Host not Assigned");
  TIniFile& project = FSource->Project();
  FOptions = TShowOptions::Read(project);
  FMain = SectionOrEmpty(project, "Main");
  FTimes = SectionOrEmpty(project, "Times");
  FTracks = SectionOrEmpty(project, "Tracks");
  FGeometry.Project = FOptions.ProducerProjectSize;
  FGeometry.Screen = FOptions.WindowSize;
  RecomputeFrame();
}

// ---- the frame

void TSlideProducer::SetGeometry(TIntPair screen_size, bool cover, double scale_x, double scale_y) {
  std::lock_guard lock(FGeometryLock);
  FGeometry.Screen = screen_size;
  FGeometry.Cover = cover;
  FGeometry.ScaleX = scale_x;
  FGeometry.ScaleY = scale_y;
  RecomputeFrame();
}

void TSlideProducer::SetProjectSize(TIntPair project_size) {
  std::lock_guard lock(FGeometryLock);
  FGeometry.Project = project_size;
  RecomputeFrame();
}

void TSlideProducer::RecomputeFrame() {
  TGeometry& g = FGeometry;
  TFrameRequest request;
  request.Screen = g.Screen;
  request.Project = g.Project;
  request.Aspect = SlideAspect(FOptions, g.Project, g.Screen);
  request.Fixed = FOptions.FullFixedSize;
  request.Cover = g.Cover;
  request.ScaleX = g.ScaleX;
  request.ScaleY = g.ScaleY;
  g.Frame = FrameSize(request);
}

TRect TSlideProducer::GetFrameRect() const {
  std::lock_guard lock(FGeometryLock);
  return FrameRect(FGeometry.Screen, FGeometry.Frame);
}

TIntPair TSlideProducer::GetScreenSize() const {
  std::lock_guard lock(FGeometryLock);
  return FGeometry.Screen;
}

TIntPair TSlideProducer::GetFrameSize() const {
  std::lock_guard lock(FGeometryLock);
  return FGeometry.Frame;
}

// A slide's design size fills the frame, centred on the screen. Without a project size the
// slide is designed at the frame's own size.
void TSlideProducer::SizeSlide(TOrvSlide& slide) const {
  std::lock_guard lock(FGeometryLock);
  const TGeometry& g = FGeometry;
  const TPointF centre{g.Screen.First / 2.0f, g.Screen.Second / 2.0f};
  const TSizeF frame{float(g.Frame.First), float(g.Frame.Second)};
  slide.SetGeometry(centre, {float(g.Project.First), float(g.Project.Second)}, frame);
}

// ---- the window of needed slides

int TSlideProducer::VisibleUntil(int index) const {
  TSlideTimes times;
  FSource->GetSlideTimes(index, times);
  return RoundMs(times.VisibleUntil);
}

int TSlideProducer::LastWindowIndex(int capacity) const {
  const bool repeating = FSource->RepeatMode() == TRepeatMode::Repeat && FSource->TotalDuration() > 0;
  return repeating ? TSlideTimeline::kLastIndex - capacity : FSource->SlideCount() - 1;
}

TSlideWindow TSlideProducer::NeededWindow(double time, int capacity) {
  const int last = std::max(-1, LastWindowIndex(capacity));
  const int x = RoundMs(time);
  int r = std::clamp(FSlideHint, -1, last);
  if (const int at = std::clamp(FSource->FindSlideAt(x), -1, last); std::abs(at - r) > kMaxWalk) r = at;
  while (r > -1 && x < VisibleUntil(r - 1)) --r;
  while (r < last && VisibleUntil(r) < x) ++r;
  FSlideHint = r;
  return {r, std::min(last, r + capacity - 1)};
}

// ---- building

Ref<TDrawContainer> TSlideProducer::BuildContainer(int index) {
  ORV_ASSERT(bool(FTiming), "TSlideProducer.CurrentTiming not Assigned");
  Ref<TDrawContainer> container = MakeRef<TDrawContainer>();
  container->SlideIndex = index;
  container->Timing = FTiming;
  FSource->GetSlideTimes(index, container->Times);
  Log().Write("....................................... " + std::to_string(index));
  const int count = FSource->SlideCount();
  const int pass = index >= count && count > 0 ? index / count : 0;
  container->PassOffset = pass * FSource->TotalDuration();
  container->Slide = BuildSlide(index < 0 ? -1 : index - pass * count);
  if (container->Slide && index >= 0) container->Filter = BuildTransition(index, container->Times.EffectIn);
  return container;
}

Ref<TOrvSlide> TSlideProducer::BuildSlide(int index) { return index < 0 ? BuildLeadIn() : BuildShowSlide(index); }

Ref<TOrvSlide> TSlideProducer::NewSlide() const {
  Ref<TOrvSlide> slide = MakeRef<TOrvSlide>(FHost);
  SizeSlide(*slide);
  return slide;
}

bool TSlideProducer::LoadInto(TOrvSlide& slide, const TSlideLists& lists, const TSlidePlace& place) const {
  try {
    if (slide.LoadSlide(lists, place, true)) return true;
    Log().Write("Slide not built: its section has no Container of class Root");
  } catch (const std::exception& e) {
    Log().Write(std::string("Slide not built: ") + e.what());
  }
  return false;
}

Ref<TOrvSlide> TSlideProducer::BuildShowSlide(int index) {
  ORV_ASSERT(FSource->SlideCount() > 0, "No Slides in Presentation");
  TIniSection* section = FindSlideSection(FSource->Project(), index);
  if (!section) return nullptr;
  TSlideTimes times;
  FSource->GetSlideTimes(index, times);
  TSlidePlace place = SlidePlaceInTimes(FTimes.Get(), index);
  place.EffectIn = times.EffectIn;
  place.EffectNext = times.EffectNext;
  place.Index = index;
  place.Count = FSource->SlideCount();
  Ref<TOrvSlide> slide = NewSlide();
  if (!LoadInto(*slide, {FMain, Ref<TIniSection>::Share(section), FTimes, FTracks}, place)) return nullptr;
  slide->PrepareSizes(times.StartTime);
  if (slide->DecodePictures()) slide->PrepareSizes(times.StartTime);
  return slide;
}

Ref<TOrvSlide> TSlideProducer::BuildLeadIn() {
  TSlideTimes times;
  FSource->GetSlideTimes(-1, times);
  Ref<TOrvSlide> slide = NewSlide();
  const TSlideBackground background = ReadSlideBackground(*FMain, FindSlideSection(FSource->Project(), 0));
  slide->LoadEmpty(background, times.StartTime, SlideKeyTimes(times.StartTime, times.EndTime, 0, times.EffectNext));
  slide->UpdateAt(true, times.StartTime);
  return slide;
}

Ref<TOrvFilter> TSlideProducer::BuildTransition(int index, double effect_in) {
  try {
    double duration = 0;
    double smoothness = 0;
    Ref<TOrvEffect> effect = FSource->CreateSlideEffect(index, duration, smoothness);
    // The time table may have cut the transition to the slide's length: it runs in that.
    duration = std::min(duration, effect_in);
    if (!effect || !(duration > 0)) return nullptr;
    Ref<TOrvSlide> effect_slide = effect->Kind == TEffectKind::Custom ? BuildCustomSlide(*effect) : nullptr;
    return MakeRef<TOrvFilter>(std::move(effect), duration, float(smoothness), std::move(effect_slide));
  } catch (const std::exception& e) {
    Log().Write(std::string("Transition not built: ") + e.what());
    return nullptr;
  }
}

Ref<TOrvSlide> TSlideProducer::BuildCustomSlide(const TOrvEffect& effect) {
  if (!effect.Section) {
    Log().Write("Custom transition without its section: drawn as a cross-fade");
    return nullptr;
  }
  if (!FEffectProducer) FEffectProducer = MakeRef<TSlideProducer>(FSource, FHost);
  FEffectProducer->SetGeometry(GetScreenSize(), true);
  try {
    // A slide that could not be built has said why; its transition is a cross-fade.
    Ref<TOrvSlide> slide = FEffectProducer->BuildEffectSlide(effect.Section);
    if (slide) slide->DecodePictures();
    return slide;
  } catch (const std::exception& e) {
    Log().Write(std::string("Custom transition not built, drawn as a cross-fade: ") + e.what());
    return nullptr;
  }
}

TIniSection* TSlideProducer::FindSection(std::string_view name) const { return FSource->Project().FindSection(name); }

TIniSection* TSlideProducer::DialogSection(WideView name) const {
  if (name == u"help") {
    for (int i = 1;; ++i) {
      TIniSection* section = FindSection(DialogSectionName(i));
      if (!section || ReadInteger(section->FindKey("help"), 0) == 1) return section;
    }
  }
  // No more names can match than "Main" has keys.
  const int count = std::min<int64_t>(FOptions.CustomDialogsCount, int64_t(FMain->Count()));
  for (int i = 1; i <= count; ++i)
    if (ReadObjectText(FMain->FindKey("custom_dialog" + std::to_string(i))) == name) return FindSection(DialogSectionName(i));
  return FindSection("dialog_" + Utf16ToUtf8(name));
}

Ref<TOrvDialog> TSlideProducer::BuildDialog(WideView name) {
  TIniSection* section = DialogSection(name);
  if (!section) return nullptr;
  const bool pause = ReadBool(section->FindKey("DialogPause"), true);
  Ref<TOrvDialog> dialog = MakeRef<TOrvDialog>(FHost, WideString(name), pause);
  SizeSlide(*dialog);
  if (!LoadInto(*dialog, {FMain, Ref<TIniSection>::Share(section), nullptr, FTracks}, {})) return nullptr;
  dialog->UpdateAt(true, 0);
  return dialog;
}

Ref<TOrvSlide> TSlideProducer::BuildEffectSlide(Ref<TIniSection> section) {
  ORV_ASSERT(bool(section), "TSlideProducer: no section for the transition slide");
  SetProjectSize({ReadInteger(section->FindKey("opt_scr_width"), 1920), ReadInteger(section->FindKey("opt_scr_height"), 1080)});
  SetGeometry(GetScreenSize(), ReadBool(section->FindKey("CoverMode"), true));
  Ref<TOrvSlide> slide = NewSlide();
  slide->SetEffectSlide(true);
  TSlidePlace place;
  place.NextStart = std::max(0, ReadInteger(section->FindKey("CustomEffTime"), kDefaultEffectSlideTime));
  if (!LoadInto(*slide, {FMain, std::move(section), nullptr, FTracks}, place)) return nullptr;
  slide->PrepareSizes(0);
  return slide;
}

}  // namespace orv
