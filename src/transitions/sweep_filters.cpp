#include "transitions/sweep_filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "transitions/ease.h"
#include "transitions/effect_tiles.h"

namespace orv {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// The angular samples of a sweep: fans every ten of them where the mask is whole.
constexpr double kSample = kTwoPi / 1000;
constexpr double kCoarseStep = 10 * kSample;

float FarthestCornerDistance(TPointF from, const TRectF& r) {
  float farthest = 0;
  for (TPointF corner : {TPointF{r.Left, r.Top}, TPointF{r.Right, r.Top}, TPointF{r.Right, r.Bottom},
                         TPointF{r.Left, r.Bottom}})
    farthest = std::max(farthest, (corner - from).Length());
  return farthest;
}

// Far enough that the chords of coarse fans still pass beyond every corner.
float ReachOver(TPointF pivot, const TRectF& frame) {
  return FarthestCornerDistance(pivot, frame) / float(std::cos(kCoarseStep / 2)) + 2;
}

float SweepAlpha(const TSweepMask& mask, double angle) {
  if (angle <= mask.Edge) return 255;
  if (!(mask.Soft > 0) || angle >= mask.Edge + mask.Soft) return 0;
  const int step = int(std::lround((angle - mask.Edge) / mask.Soft * 255));
  return 255.0f - float(EaseTable()[std::clamp(step, 0, 255)]);
}

// An angle brought within half a turn of `around`.
double Near(double angle, double around) { return around + std::remainder(angle - around, kTwoPi); }

double AngleOf(TPointF d) { return std::atan2(double(d.Y), double(d.X)); }

TPointF ScreenHeading(double angle) { return {float(std::cos(angle)), float(std::sin(angle))}; }
// Clock angles count from twelve o'clock, clockwise or (mirrored) anticlockwise.
TPointF ClockHeading(double angle) { return {float(std::sin(angle)), float(-std::cos(angle))}; }
TPointF MirroredClockHeading(double angle) { return {float(-std::sin(angle)), float(-std::cos(angle))}; }

}  // namespace

// ---- TArrow ----

TArrow::TArrow(TPointF pivot, float reach, TPointF (*heading)(double angle))
    : FPivot(pivot), FReach(reach), FHeading(heading) {}

void TArrow::AddSector(TEffTile& canvas, double from, float alpha0, double to, float alpha1, double step) const {
  if (!(to > from)) return;
  const int pieces = std::max(1, int(std::ceil((to - from) / step)));
  for (int i = 0; i < pieces; ++i) {
    const double t0 = double(i) / pieces;
    const double t1 = double(i + 1) / pieces;
    const float a0 = alpha0 + (alpha1 - alpha0) * float(t0);
    const float a1 = alpha0 + (alpha1 - alpha0) * float(t1);
    const TPointF p = FPivot + FHeading(from + (to - from) * t0) * FReach;
    const TPointF q = FPivot + FHeading(from + (to - from) * t1) * FReach;
    const TMaskVertex fan[3] = {{FPivot.X, FPivot.Y, (a0 + a1) / 2}, {p.X, p.Y, a0}, {q.X, q.Y, a1}};
    canvas.AddMaskTriangles(fan);
  }
}

void AddSweep(TEffTile& canvas, const TArrow& arrow, const TSweepMask& mask) {
  const double solid_end = std::min(mask.Edge, mask.Last);
  arrow.AddSector(canvas, mask.First, 255, solid_end, 255, kCoarseStep);
  const double ramp_start = std::max(mask.Edge, mask.First);
  const double ramp_end = std::min(mask.Edge + mask.Soft, mask.Last);
  if (!(ramp_end > ramp_start)) return;
  const double step = std::min(kSample, mask.Soft / 16);
  const int pieces = std::max(1, int(std::ceil((ramp_end - ramp_start) / step)));
  for (int i = 0; i < pieces; ++i) {
    const double from = ramp_start + (ramp_end - ramp_start) * i / pieces;
    const double to = ramp_start + (ramp_end - ramp_start) * (i + 1) / pieces;
    arrow.AddSector(canvas, from, SweepAlpha(mask, from), to, SweepAlpha(mask, to), to - from);
  }
}

// ---- TClockEffect ----

void TClockEffect::Init(const TRectF& frame, float soft_width, double duration) {
  TDrawFilter::Init(frame, soft_width, duration);
  const TPointF centre{frame.Left + frame.Width() / 2, frame.Top + frame.Height() / 2};
  // The soft width is measured across the ramp where the hand meets the frame's inner circle.
  const float inner = std::max(std::min(frame.Width(), frame.Height()) / 2, 1.0f);
  FSoft = 2 * std::atan(double(std::max(soft_width, 0.0f)) / (2 * inner));
  FArrow = std::make_unique<TArrow>(centre, ReachOver(centre, frame), FReverse ? MirroredClockHeading : ClockHeading);
}

// The ramp trails the hand: it comes in behind twelve o'clock at the start and has passed
// it again at the end, so the sweep begins with nothing and ends with everything.
double TClockEffect::HandAngle() const { return Progress() * (kTwoPi + FSoft); }

float TClockEffect::MaskAt(TPointF point) const {
  const TRectF& f = Frame();
  const TPointF d = point - TPointF{f.Left + f.Width() / 2, f.Top + f.Height() / 2};
  double angle = std::atan2(double(FReverse ? -d.X : d.X), double(-d.Y));
  if (angle < 0) angle += kTwoPi;
  return SweepAlpha({0, kTwoPi, HandAngle() - FSoft, FSoft}, angle);
}

void TClockEffect::Render(TEffTile& canvas) { AddSweep(canvas, *FArrow, {0, kTwoPi, HandAngle() - FSoft, FSoft}); }

// ---- TBroomEffect ----

TBroomEffect::TBroomEffect(int kind, float width) : FKind(std::clamp(kind, 1, 16)), FWidth(std::max(width, 0.0f)) {
  Reversed = FKind > 8;
}

void TBroomEffect::Init(const TRectF& frame, float soft_width, double duration) {
  TDrawFilter::Init(frame, soft_width, duration);
  // Outward directions of the sides and corners, by broom: up, right, down, left, up
  // right, down right, down left, up left.
  constexpr float h = std::numbers::sqrt2_v<float> / 2;
  static constexpr std::array<TPointF, 8> kOutward = {
      TPointF{0, -1}, TPointF{1, 0}, TPointF{0, 1}, TPointF{-1, 0},
      TPointF{h, -h}, TPointF{h, h}, TPointF{-h, h}, TPointF{-h, -h}};
  const TPointF out = kOutward[(FKind - 1) % 8];
  const TPointF centre{frame.Left + frame.Width() / 2, frame.Top + frame.Height() / 2};
  // The side's middle or the corner the broom stands beyond.
  const TPointF anchor{centre.X + frame.Width() / 2 * (out.X > 0 ? 1.0f : out.X < 0 ? -1.0f : 0.0f),
                       centre.Y + frame.Height() / 2 * (out.Y > 0 ? 1.0f : out.Y < 0 ? -1.0f : 0.0f)};
  const float distance = FWidth + (frame.Width() + frame.Height()) / 4;
  FPivot = anchor + out * distance;
  // The frame as seen from the pivot: it lies within half a turn of the inward direction.
  const double inward = AngleOf(out * -1.0f);
  double first = inward;
  double last = inward;
  for (TPointF corner : {TPointF{frame.Left, frame.Top}, TPointF{frame.Right, frame.Top},
                         TPointF{frame.Right, frame.Bottom}, TPointF{frame.Left, frame.Bottom}}) {
    const double angle = Near(AngleOf(corner - FPivot), inward);
    first = std::min(first, angle);
    last = std::max(last, angle);
  }
  FSoft = 2 * std::atan(double(std::max(soft_width, 0.0f)) / (2 * distance));
  FStart = first - FSoft;
  FEnd = last;
  FArrow = std::make_unique<TArrow>(FPivot, ReachOver(FPivot, frame), ScreenHeading);
}

double TBroomEffect::EdgeAngle() const {
  const double q = Reversed ? 1 - Progress() : Progress();
  return FStart + (FEnd - FStart) * q;
}

float TBroomEffect::MaskAt(TPointF point) const {
  const double angle = Near(AngleOf(point - FPivot), (FStart + FEnd) / 2);
  return SweepAlpha({FStart, FEnd, EdgeAngle(), FSoft}, angle);
}

void TBroomEffect::Render(TEffTile& canvas) { AddSweep(canvas, *FArrow, {FStart, FEnd, EdgeAngle(), FSoft}); }

}  // namespace orv
