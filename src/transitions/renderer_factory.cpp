#include "transitions/renderer_factory.h"

#include <cmath>
#include <initializer_list>

#include "base/log.h"
#include "transitions/mask_filters.h"
#include "transitions/motion_filters.h"
#include "transitions/roll_effect.h"
#include "transitions/slide_eff_filter.h"
#include "transitions/sweep_filters.h"

namespace orv {

namespace {

namespace ep = effect_param;

bool FlagOn(const TOrvEffect& e, int index) { return index >= 0 && index < int(e.Flags.size()) && e.Flags[index]; }

int IntAt(const TOrvEffect& e, int index, int fallback) {
  return index < int(e.Ints.size()) ? e.Ints[index] : fallback;
}

float FloatAt(const TOrvEffect& e, int index, float fallback) {
  return index < int(e.Floats.size()) && std::isfinite(e.Floats[index]) ? e.Floats[index] : fallback;
}

// The first flag of `flags` that is on; -1 when none is.
int FirstOn(const TOrvEffect& e, std::initializer_list<int> flags) {
  for (int flag : flags)
    if (FlagOn(e, flag)) return flag;
  return -1;
}

// Push, slide, flip and swap list their directions as right, left, down, up.
int MoveDirection(const TOrvEffect& e) {
  switch (FirstOn(e, {0, 1, 2, 3})) {
    case 0: return 2;
    case 1: return 4;
    case 2: return 1;
    case 3: return 3;
    default: return 0;
  }
}

template <class T>
Ref<TDrawFilter> Reversible(Ref<T> renderer, bool reversed) {
  renderer->Reversed = reversed;
  return renderer;
}

Ref<TDrawFilter> HourHand(const TOrvEffect& e, const TRectF& frame) {
  const bool backwards = FlagOn(e, 1);
  if (FlagOn(e, 6)) return MakeRef<TClockEffect>(backwards);
  static constexpr int kBroomOfFlag[] = {0, 0, 8, 1, 5, 4, 0, 2, 7, 3, 6};
  const int flag = FirstOn(e, {2, 3, 4, 5, 7, 8, 9, 10});
  if (flag < 0) return nullptr;
  const float width = (frame.Width() + frame.Height()) / 2 * FloatAt(e, ep::kOffset, 0);
  return MakeRef<TBroomEffect>(kBroomOfFlag[flag] + (backwards ? 8 : 0), width);
}

Ref<TDrawFilter> Shape(const TOrvEffect& e) {
  const float cx = float(IntAt(e, ep::kCenterX, 50)) / 100;
  const float cy = float(IntAt(e, ep::kCenterY, 50)) / 100;
  const bool reversed = FlagOn(e, 0);
  switch (FirstOn(e, {2, 3, 4})) {
    case 2: return Reversible(MakeRef<TCircleFilter>(cx, cy), reversed);
    case 3: return Reversible(MakeRef<TRhombFilter>(cx, cy), reversed);
    case 4: return Reversible(MakeRef<TSquareFilter>(cx, cy), reversed);
    default: return nullptr;
  }
}

// Gates: lines from the centre, diagonals through it (kinds 1 and 3 closing over the
// outgoing slide, 3 and 4 slanted the other way).
Ref<TDrawFilter> GateDiagonal(int kind) { return Reversible(MakeRef<TDiagLines>(1, kind > 2), kind % 2 == 1); }

Ref<TDrawFilter> Gates(const TOrvEffect& e) {
  switch (FirstOn(e, {0, 1, 2, 3, 4, 5, 6, 7})) {
    case 0: return Reversible(MakeRef<THLines>(0.5f, 0.5f), true);
    case 1: return Reversible(MakeRef<TVLines>(0.5f, 0.5f), true);
    case 2: return GateDiagonal(1);
    case 3: return GateDiagonal(3);
    case 4: return MakeRef<THLines>(0.5f, 0.5f);
    case 5: return MakeRef<TVLines>(0.5f, 0.5f);
    case 6: return GateDiagonal(2);
    case 7: return GateDiagonal(4);
    default: return nullptr;
  }
}

// Pages: from an edge, or diagonally from a corner (kinds 1 and 3 from the left, 3 and 4
// slanted the other way).
Ref<TDrawFilter> PageDiagonal(int kind) { return MakeRef<TDiagLines>(kind % 2 == 1 ? 0 : 2, kind > 2); }

Ref<TDrawFilter> Page(const TOrvEffect& e) {
  switch (FirstOn(e, {0, 1, 2, 3, 4, 5, 6, 7})) {
    case 0: return PageDiagonal(2);
    case 1: return MakeRef<TVLines>(0.5f, 1.0f);
    case 2: return PageDiagonal(3);
    case 3: return MakeRef<THLines>(1.0f, 0.5f);
    case 4: return MakeRef<THLines>(0.0f, 0.5f);
    case 5: return PageDiagonal(4);
    case 6: return MakeRef<TVLines>(0.5f, 0.0f);
    case 7: return PageDiagonal(1);
    default: return nullptr;
  }
}

Ref<TDrawFilter> Mosaic(const TOrvEffect& e) {
  const int appearence = IntAt(e, ep::kAppearence, 0);
  const float fade = appearence < 100 ? float(appearence) : 1000.0f;
  return MakeRef<TRandomFilter>(IntAt(e, ep::kCols, 1), IntAt(e, ep::kRows, 1),
                                std::uint32_t(IntAt(e, ep::kTileSeed, 0)), fade);
}

Ref<TDrawFilter> Curling(const TOrvEffect& e, const TRectF& frame) {
  if (FirstOn(e, {2, 3, 4, 5, 6, 7, 8, 9}) < 0) return nullptr;
  const int base = FirstOn(e, {2, 4, 7, 9}) >= 0 ? 15 : 14;
  int direction = 1;
  switch (FirstOn(e, {2, 3, 4, 5, 6, 7, 8})) {
    case 2: case 5: direction = 3; break;
    case 3: case 4: direction = 4; break;
    case 6: direction = 1; break;
    case 7: case 8: direction = 2; break;
    default: break;
  }
  TRollOptions options;
  options.Pipe = IntAt(e, ep::kPipe, 1) == 1;
  options.Radius = float(std::lround(frame.Width() * FloatAt(e, ep::kRadius, 0)));
  options.UseColor = FlagOn(e, 10);
  options.Color = MakeColor(IntAt(e, ep::kColorRed, 0), IntAt(e, ep::kColorGreen, 0), IntAt(e, ep::kColorBlue, 0));
  options.UseVolume = FlagOn(e, 11);
  options.Volume = FloatAt(e, ep::kCurlVolume, 0.125f);
  return MakeRef<TRollEffect2>(base, FlagOn(e, 1) ? direction + 4 : direction, options);
}

Ref<TDrawFilter> Flip(const TOrvEffect& e) {
  const int direction = MoveDirection(e);
  if (direction == 0) return nullptr;
  return MakeRef<TOverturnEffect>(direction, FlagOn(e, 5), FlagOn(e, 4), FloatAt(e, ep::kFlipVolume, 0.5f));
}

Ref<TDrawFilter> Swap(const TOrvEffect& e) {
  const int direction = MoveDirection(e);
  if (direction == 0) return nullptr;
  return MakeRef<TTwoSlidesEffect>(direction, FloatAt(e, ep::kDepth, 4), FloatAt(e, ep::kDistance, 1),
                                   FloatAt(e, ep::kAngle, 60));
}

template <class T>
Ref<TDrawFilter> Moving(const TOrvEffect& e) {
  const int direction = MoveDirection(e);
  return direction == 0 ? nullptr : Ref<TDrawFilter>(MakeRef<T>(direction));
}

Ref<TDrawFilter> Custom(const TOrvEffect& e, Ref<TOrvSlide> effect_slide) {
  if (effect_slide) return MakeRef<TRealSlideFilter>(std::move(effect_slide), e.Section.Get());
  Log().Write("Custom transition without its slide: drawn as a cross-fade");
  return MakeRef<TAlphaFilter>();
}

Ref<TDrawFilter> RendererOf(const TOrvEffect& e, const TRectF& frame, Ref<TOrvSlide> effect_slide) {
  switch (e.Kind) {
    case TEffectKind::HourHand: return HourHand(e, frame);
    case TEffectKind::Shapes: return Shape(e);
    case TEffectKind::Gates: return Gates(e);
    case TEffectKind::Page: return Page(e);
    case TEffectKind::Mosaic: return Mosaic(e);
    case TEffectKind::Push: return Moving<TPushFilter>(e);
    case TEffectKind::Slide: return Moving<TSlideFilter>(e);
    case TEffectKind::Curling: return Curling(e, frame);
    case TEffectKind::Flip: return Flip(e);
    case TEffectKind::Swap: return Swap(e);
    case TEffectKind::Custom: return Custom(e, std::move(effect_slide));
    case TEffectKind::Dissolve: break;
  }
  return MakeRef<TAlphaFilter>();
}

}  // namespace

Ref<TDrawFilter> CreateRenderer(const TRectF& frame, const TOrvEffect* effect, float smoothness, double duration,
                                Ref<TOrvSlide> effect_slide) {
  if (!effect) return nullptr;
  Ref<TDrawFilter> renderer = RendererOf(*effect, frame, std::move(effect_slide));
  if (renderer) renderer->Init(frame, frame.Width() * smoothness, duration);
  return renderer;
}

}  // namespace orv
