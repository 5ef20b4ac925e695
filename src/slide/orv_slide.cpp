#include "slide/orv_slide.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <numbers>
#include <typeinfo>

#include "base/assertions.h"
#include "base/log.h"
#include "package/load_pacing.h"
#include "project/text_saver.h"
#include "slide/orv_image.h"
#include "slide/slide_props.h"

namespace orv {
namespace {

uint64_t NextIdentity() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

Ref<TOrvSlideHost> RequireHost(Ref<TOrvSlideHost> host) {
  ORV_ASSERT(bool(host), "TOrvSlide: Host not Assigned");
  return host;
}

int ReadTimesKey(const TIniSection& times, int number, int default_value) {
  return ReadInteger(times.FindKey("opt_synchpos" + std::to_string(number)), default_value);
}

void CopyItems(const TIniList& from, TIniList& to) {
  for (const TIniItem* item : from.Items()) {
    if (item->IsObject()) CopyItems(static_cast<const TIniList&>(*item), *to.AddObject(item->Name(), item->Value()));
    else if (item->IsKey()) to.AddKey(item->Name(), item->Value());
    else to.AddText(item->Value());
  }
}

// The lists copied item by item, for sections whose names do not survive being written out
// and read back.
TSlideLists CopyListsInMemory(const TSlideLists& lists) {
  TSlideLists copied;
  for (auto member : {&TSlideLists::Main, &TSlideLists::Slide, &TSlideLists::Times, &TSlideLists::Tracks}) {
    const TIniSection* original = (lists.*member).Get();
    if (!original) continue;
    copied.*member = MakeRef<TIniSection>(original->Name());
    CopyItems(*original, *(copied.*member));
  }
  return copied;
}

}  // namespace

TSlideLists CopySlideLists(const TSlideLists& lists) {
  Ref<TIniSection> TSlideLists::*const members[] = {&TSlideLists::Main, &TSlideLists::Slide, &TSlideLists::Times,
                                                    &TSlideLists::Tracks};
  TTextSaver saver;
  saver.Write("\xEF\xBB\xBF");  // the text is UTF-8, whatever it holds
  for (auto member : members)
    if (const TIniSection* section = (lists.*member).Get()) section->WriteText(saver, 0);
  Ref<TIniFile> copy = MakeRef<TIniFile>();
  copy->LoadFromBuffer(saver.TakeText());
  TSlideLists copied;
  size_t next = 0;
  for (auto member : members) {
    const TIniSection* original = (lists.*member).Get();
    if (!original) continue;
    // The loader writes into its copy (text objects correct their key points): a text that
    // does not read back as the same sections is copied item by item instead, never shared.
    if (next >= copy->SectionCount() || copy->SectionAt(next)->Name() != original->Name()) return CopyListsInMemory(lists);
    copied.*member = Ref<TIniSection>::Share(copy->SectionAt(next++));
  }
  return copied;
}

TSlidePlace SlidePlaceInTimes(const TIniSection* times, int index) {
  TSlidePlace place;
  if (!times) return place;
  const int count = ReadInteger(times->FindKey("opt_slidescount"), 0);
  place.Offset = index <= 0 || index > count ? 0 : ReadTimesKey(*times, index, 0);
  place.NextStart = index < 0 || index >= count ? place.Offset : ReadTimesKey(*times, index + 1, int(place.Offset));
  return place;
}

// ---- TOrvSlide

TOrvSlide::TOrvSlide(Ref<TOrvSlideHost> host)
    : TOrvObject(nullptr, MakeRef<TOrvObjectProps>()), FHost(RequireHost(std::move(host))), FIdentity(NextIdentity()) {
  SetRoot(*this);
}

bool TOrvSlide::LoadSlide(const TSlideLists& lists, const TSlidePlace& place, bool copy_lists) {
  ORV_ASSERT(lists.Main && lists.Slide, "TOrvSlide: slide lists not Assigned");
  FLists = copy_lists ? CopySlideLists(lists) : lists;
  FPlace = place;
  FSlideOffset = place.Offset;
  FBackground = ReadSlideBackground(*FLists.Main, FLists.Slide.Get());
  // A table whose times run backwards gives the slide no length rather than a negative one.
  const double next_start = std::max(place.NextStart, place.Offset);
  FKeyTimes = SlideKeyTimes(FSlideOffset, next_start, place.EffectIn, place.EffectNext);
  if (!LoadSlideProps(Props(), *FLists.Slide, FKeyTimes)) return false;
  CreateChildren();
  ParamsChanged = true;
  return true;
}

void TOrvSlide::LoadEmpty(const TSlideBackground& background, double offset, const TKeyTimes& times) {
  FBackground = background;
  FSlideOffset = offset;
  FKeyTimes = times;
  ParamsChanged = true;
}

void TOrvSlide::SetGeometry(TPointF centre, TSizeF design_size, TSizeF frame_size) {
  FCentre = centre;
  FBaseFrame.Origin = {centre.X, centre.Y, 0};
  const bool designed = design_size.Width > 0 && design_size.Height > 0;
  FDesignSize = designed ? design_size : frame_size;
  FScale = {FDesignSize.Width > 0 ? frame_size.Width * 100 / FDesignSize.Width : 100,
            FDesignSize.Height > 0 ? frame_size.Height * 100 / FDesignSize.Height : 100};
  ParamsChanged = true;
}

TSizeF TOrvSlide::ScreenSize() const {
  return {FDesignSize.Width * FScale.Width / 100, FDesignSize.Height * FScale.Height / 100};
}

const TMatrix3& TOrvSlide::GetParentMatrix() const {
  static const TMatrix3 identity;
  return identity;
}

void TOrvSlide::PreparePlacement() {
  const double distance = -FHost->CameraPosition().Z;
  const double height = ScreenSize().Height;
  const double tan30 = std::tan(std::numbers::pi / 6);
  FDepthFactor = distance > 0 && height > 0 ? distance * tan30 / height : tan30;
}

double TOrvSlide::GetAnchorTime(TKeyOrigin kind) const {
  const TKeyTimes& t = FKeyTimes;
  switch (kind) {
    case kOriginSlideBegin:
      return FSlideOffset;
    case kOriginPrevEffectEnd:
      return FSlideOffset + t.PrevEffectEnd;
    case kOriginNextEffectBegin:
      return FSlideOffset + t.SlideLength - t.NextEffectTime;
    case kOriginSlideEnd:
      break;
  }
  return FSlideOffset + t.SlideLength;
}

void TOrvSlide::SetNeighbours(Ref<TOrvSlide> previous, Ref<TOrvSlide> next) {
  FPrevious = std::move(previous);
  FNext = std::move(next);
  StateChanged = true;
}

void TOrvSlide::SetBackground(const TSlideBackground& background) {
  if (background == FBackground) return;
  FBackground = background;
  StateChanged = true;
}

void TOrvSlide::SetSecondBackground(const TSlideBackground& background, double blend) {
  FSecond = background;
  FSecondBlend = blend;
  FHasSecond = true;
  StateChanged = true;
}

// ---- drawing

Ref<TImage> TOrvSlide::LayerPicture(const TSlideBackground& background, TLayerPicture& layer) const {
  if (background.Kind != TBackgroundKind::Picture) return nullptr;
  if (layer.Name != background.FileName) {
    layer.Picture = FHost->GetPicture(background.FileName);
    layer.Name = background.FileName;
  }
  return layer.Picture;
}

TBackgroundTarget TOrvSlide::BackgroundTarget(int alpha) const {
  const TObjectFrame& frame = Placement().Frame;
  return {frame, LocalRect(), {std::hypot(frame.X.X, frame.X.Y), std::hypot(frame.Y.X, frame.Y.Y)}, alpha};
}

void TOrvSlide::PrepareResources(TDeviceDrawer& drawer) {
  PrepareSlideBackground(drawer, FBackground, BackgroundTarget(255), LayerPicture(FBackground, FOwnPicture),
                         FBackgroundCopies);
  TOrvObject::PrepareResources(drawer);
}

void TOrvSlide::ReleaseResources() {
  FBackgroundCopies.Release();
  TOrvObject::ReleaseResources();
}

void TOrvSlide::DrawContent(TDeviceDrawer& drawer, bool shown) {
  DrawBackgrounds(drawer);
  TOrvObject::DrawContent(drawer, shown);
}

void TOrvSlide::DrawBackgrounds(TDeviceDrawer& drawer) {
  if (!Placement().Defined || !FBackgroundShown) return;
  // A background that fails to draw leaves the objects to be drawn over what is there.
  try {
    // A slide's own opacity is 100; a fading dialog's background fades with its objects.
    const int own_alpha = int(std::lround(std::clamp(GetOpacityBase(), 0.0f, 100.0f) * 2.55f));
    DrawSlideBackground(drawer, FBackground, BackgroundTarget(own_alpha), LayerPicture(FBackground, FOwnPicture),
                        FBackgroundCopies);
    if (!FHasSecond) return;
    // The second layer shows as much as the blend has progressed.
    const int alpha =
        int(std::lround((FSecondBlend > 0 ? std::min(FSecondBlend, 1.0) : 0.0) * own_alpha));
    DrawSlideBackground(drawer, FSecond, BackgroundTarget(alpha), LayerPicture(FSecond, FSecondPicture),
                        FBackgroundCopies);
  } catch (const std::exception&) {
  }
}

// ---- mouse

TOrvObject* TOrvSlide::MouseEvent(int buttons, TPointF point, bool hit_enabled, TMouseEventKind kind, int button,
                                  WideString& action) {
  action.clear();
  ForEachObject(*this, [](TOrvObject& object) { object.SetMouseState(TMouseState::Normal); });
  TOrvObject* hit = nullptr;
  if (hit_enabled && (buttons == 0 || buttons == kLeftButtonMask))
    hit = HitTest(point, [](const TOrvObject& object) { return !object.Settings().TranspForClick; });
  if (hit) ApplyMouse(*hit, buttons, kind, button, action);
  // Any release ends every press: a click completes only on the object it began on.
  if (kind == TMouseEventKind::Up) ForEachObject(*this, [](TOrvObject& object) { object.SetPressed(false); });
  return hit;
}

void TOrvSlide::ApplyMouse(TOrvObject& hit, int buttons, TMouseEventKind kind, int button, WideString& action) {
  // Buttons and texts with an action show hover and click; they react to the left button only.
  const bool styled = hit.TakesMouseStates() && !hit.Settings().Action.empty();
  if (styled && kind != TMouseEventKind::Move && button != kLeftButton) return;
  switch (kind) {
    case TMouseEventKind::Move:
      if (styled) hit.SetMouseState(buttons == kLeftButtonMask ? TMouseState::Click : TMouseState::Hover);
      break;
    case TMouseEventKind::Down:
      if (styled) hit.SetMouseState(TMouseState::Click);
      hit.SetPressed(true);
      break;
    case TMouseEventKind::Up:
      if (styled) hit.SetMouseState(TMouseState::Hover);
      if (hit.Pressed()) action = hit.Settings().Action;
      break;
  }
}

// ---- resolution estimate

std::vector<double> TOrvSlide::DistinctKeyTimes() {
  std::vector<double> times;
  ForEachObject(*this, [&times](TOrvObject& object) {
    const TOrvObjectProps& props = object.Props();
    for (size_t i = 0; i < props.KeyCount(); ++i) times.push_back(props.Key(i).Time);
  });
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  return times;
}

void TOrvSlide::PrepareSizes(double show_time) {
  ForEachObject(*this, [](TOrvObject& object) {
    object.MaxScreenWidth = 0;
    object.MaxScreenHeight = 0;
    object.NearestDepth = 1e6;
  });
  double previous = NAN;
  for (const double time : DistinctKeyTimes()) {
    MeasureAt(time + FSlideOffset, previous);
    previous = time + FSlideOffset;
    PaceLoading(nullptr);
  }
  // Objects without key points keep their place: the current one counts for them too.
  UpdateAt(true, show_time);
  ForEachObject(*this, [](TOrvObject& object) { object.MeasureOnScreen(); });
  const double camera_z = FHost->CameraPosition().Z;
  ForEachObject(*this, [camera_z](TOrvObject& object) { object.DeriveNeededSize(camera_z); });
}

bool TOrvSlide::DecodePictures() {
  bool replaced = false;
  ForEachObject(*this, [&replaced](TOrvObject& object) {
    auto* image = dynamic_cast<TOrvImage*>(&object);
    if (!image) return;
    replaced = image->DecodePicture() || replaced;
    PaceLoading(nullptr);
  });
  return replaced;
}

bool TOrvSlide::FindMainPicture(TMainPicture& picture) const {
  bool found = false;
  ForEachObject(const_cast<TOrvSlide&>(*this), [&](TOrvObject& object) {
    if (!found) found = object.AnswerMainPicture(picture);
  });
  return found;
}

}  // namespace orv
