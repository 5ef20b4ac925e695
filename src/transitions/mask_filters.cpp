#include "transitions/mask_filters.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numbers>

#include "transitions/effect_tiles.h"

namespace orv {

namespace {

std::array<TPointF, 4> Corners(const TRectF& r) {
  return {TPointF{r.Left, r.Top}, TPointF{r.Right, r.Top}, TPointF{r.Right, r.Bottom}, TPointF{r.Left, r.Bottom}};
}

bool Inside(const TRectF& r, TPointF p) { return p.X >= r.Left && p.X <= r.Right && p.Y >= r.Top && p.Y <= r.Bottom; }

TMaskVertex At(TPointF p, float alpha) { return {p.X, p.Y, alpha}; }

void AddQuad(TEffTile& canvas, TMaskVertex a, TMaskVertex b, TMaskVertex c, TMaskVertex d) {
  const TMaskVertex quad[4] = {a, b, c, d};
  canvas.AddMaskTriangles(quad);
}

// The part of the frame between `from` and `to` along one axis (x when `horizontal`),
// across the whole frame, the mask running from `alpha0` to `alpha1`.
void AddAxisBand(TEffTile& canvas, const TRectF& frame, float from, float alpha0, float to, float alpha1,
                 bool horizontal) {
  if (!(to > from)) return;
  const auto vertex = [&](float along, float across, float alpha) {
    return horizontal ? TMaskVertex{along, across, alpha} : TMaskVertex{across, along, alpha};
  };
  const float low = horizontal ? frame.Top : frame.Left;
  const float high = horizontal ? frame.Bottom : frame.Right;
  AddQuad(canvas, vertex(from, low, alpha0), vertex(to, low, alpha1), vertex(to, high, alpha1),
          vertex(from, high, alpha0));
}

// The band between two level lines of a distance that grows along one axis from the
// centre both ways: two rectangles across the frame.
void AddAxisRing(TEffTile& canvas, const TRectF& frame, float centre, const TBandStrip& s, bool horizontal) {
  AddAxisBand(canvas, frame, centre - s.To, s.Alpha1, centre - s.From, s.Alpha0, horizontal);
  AddAxisBand(canvas, frame, centre + s.From, s.Alpha0, centre + s.To, s.Alpha1, horizontal);
}

// The whole pixels of an axis core, and the slivers of it beyond them.
TRect AxisCorePixels(const TRectF& frame, float centre, float core, bool horizontal) {
  const int low = int(std::ceil(centre - core));
  const int high = int(std::floor(centre + core));
  const TRect across{int(std::lround(frame.Left)), int(std::lround(frame.Top)), int(std::lround(frame.Right)),
                     int(std::lround(frame.Bottom))};
  return horizontal ? TRect{low, across.Top, high, across.Bottom} : TRect{across.Left, low, across.Right, high};
}

void AddAxisCoreRim(TEffTile& canvas, const TRectF& frame, float centre, const TBandStrip& core, bool horizontal) {
  const TRect whole = AxisCorePixels(frame, centre, core.To, horizontal);
  const float low = float(horizontal ? whole.Left : whole.Top);
  const float high = float(horizontal ? whole.Right : whole.Bottom);
  AddAxisBand(canvas, frame, centre - core.To, 255, std::min(low, centre + core.To), 255, horizontal);
  AddAxisBand(canvas, frame, std::max(high, centre - core.To), 255, centre + core.To, 255, horizontal);
}

// The band between two level lines of a distance whose level lines are the outlines of a
// centred convex shape given by its four "corners" at distance 1 (offsets from the centre,
// in order round it): one trapezoid per side.
void AddOutlineRing(TEffTile& canvas, TPointF centre, const std::array<TPointF, 4>& unit, const TBandStrip& s) {
  for (std::size_t i = 0; i < unit.size(); ++i) {
    const TPointF p = unit[i];
    const TPointF q = unit[(i + 1) % unit.size()];
    AddQuad(canvas, At(centre + p * s.From, s.Alpha0), At(centre + p * s.To, s.Alpha1),
            At(centre + q * s.To, s.Alpha1), At(centre + q * s.From, s.Alpha0));
  }
}

}  // namespace

// ---- TCommonFilter ----

void TCommonFilter::Init(const TRectF& frame, float soft_width, double duration) {
  TDrawFilter::Init(frame, soft_width, duration);
  FCentre = {frame.Left + frame.Width() * FCx, frame.Top + frame.Height() * FCy};
  FOffset = NearestFrameDistance();
  FRange = FarthestFrameDistance() - FOffset + SoftWidth();
}

float TCommonFilter::NearestFrameDistance() const {
  const TRectF& f = Frame();
  return Distance({std::clamp(FCentre.X, f.Left, f.Right), std::clamp(FCentre.Y, f.Top, f.Bottom)});
}

float TCommonFilter::FarthestFrameDistance() const {
  float farthest = 0;
  for (TPointF corner : Corners(Frame())) farthest = std::max(farthest, Distance(corner));
  return farthest;
}

TRect TCommonFilter::SolidPixels() const {
  const float core = CurrentRadius() - SoftWidth();
  return core > 0 ? CorePixels(core) : TRect{};
}

float TCommonFilter::CurrentRadius() const {
  const float travelled = float(Progress()) * FRange;
  return FOffset + (Reversed ? FRange - travelled : travelled);
}

void TCommonFilter::Render(TEffTile& canvas) {
  ForEachBandStrip(CurrentRadius(), SoftWidth(), [&](const TBandStrip& strip) {
    const bool core = strip.From == 0 && strip.Alpha0 == 255 && strip.Alpha1 == 255;
    if (core && SolidApart()) {
      AddCoreRim(canvas, strip);
    } else {
      AddRing(canvas, strip);
    }
  });
}

// ---- the shapes ----

float TCircleFilter::Distance(TPointF p) const { return (p - Centre()).Length(); }

void TCircleFilter::AddRing(TEffTile& canvas, const TBandStrip& s) const {
  // Seen from outside the frame the circle is larger where it crosses it: finer segments.
  const int segments = Inside(Frame(), Centre()) ? 128 : 256;
  const TPointF c = Centre();
  TPointF previous{1, 0};
  for (int i = 1; i <= segments; ++i) {
    const double angle = 2 * std::numbers::pi * i / segments;
    const TPointF next{float(std::cos(angle)), float(std::sin(angle))};
    AddQuad(canvas, At(c + previous * s.From, s.Alpha0), At(c + previous * s.To, s.Alpha1),
            At(c + next * s.To, s.Alpha1), At(c + next * s.From, s.Alpha0));
    previous = next;
  }
}

float TAxisLines::Distance(TPointF p) const { return std::abs((FHorizontal ? p.X : p.Y) - Along()); }

void TAxisLines::AddRing(TEffTile& canvas, const TBandStrip& s) const {
  AddAxisRing(canvas, Frame(), Along(), s, FHorizontal);
}

TRect TAxisLines::CorePixels(float core) const { return AxisCorePixels(Frame(), Along(), core, FHorizontal); }

void TAxisLines::AddCoreRim(TEffTile& canvas, const TBandStrip& core) const {
  AddAxisCoreRim(canvas, Frame(), Along(), core, FHorizontal);
}

float TRhombFilter::Distance(TPointF p) const {
  const TPointF d = p - Centre();
  return std::abs(d.X) + std::abs(d.Y);
}

void TRhombFilter::AddRing(TEffTile& canvas, const TBandStrip& s) const {
  AddOutlineRing(canvas, Centre(), {TPointF{1, 0}, TPointF{0, 1}, TPointF{-1, 0}, TPointF{0, -1}}, s);
}

float TSquareFilter::Distance(TPointF p) const {
  const TPointF d = p - Centre();
  return std::max(std::abs(d.X), std::abs(d.Y) * Frame().Width() / Frame().Height());
}

void TSquareFilter::AddRing(TEffTile& canvas, const TBandStrip& s) const {
  const float k = Frame().Height() / Frame().Width();
  AddOutlineRing(canvas, Centre(), {TPointF{-1, -k}, TPointF{1, -k}, TPointF{1, k}, TPointF{-1, k}}, s);
}

// ---- TDiagLines ----

float TDiagLines::LineOffset() const {
  const int span = int(Frame().Width()) + int(Frame().Height());
  return FMode == 0 ? 0.0f : FMode == 1 ? float(span / 2) : float(span);
}

float TDiagLines::Along(TPointF p) const {
  const TRectF& f = Frame();
  return (p.X - f.Left) + (FMirror ? f.Bottom - p.Y : p.Y - f.Top) - LineOffset();
}

float TDiagLines::Distance(TPointF p) const {
  const float t = Along(p);
  return FMode == 0 ? t : FMode == 2 ? -t : std::abs(t);
}

float TDiagLines::FarthestFrameDistance() const {
  return FMode == 1 ? LineOffset() : Frame().Width() + Frame().Height();
}

void TDiagLines::AddBand(TEffTile& canvas, float t0, float a0, float t1, float a1) const {
  const TRectF& f = Frame();
  // The point of the top or bottom edge at signed distance t.
  const auto on_edge = [&](float t, float y, float alpha) {
    const float rise = FMirror ? f.Bottom - y : y - f.Top;
    return TMaskVertex{f.Left + LineOffset() + t - rise, y, alpha};
  };
  AddQuad(canvas, on_edge(t0, f.Top, a0), on_edge(t1, f.Top, a1), on_edge(t1, f.Bottom, a1),
          on_edge(t0, f.Bottom, a0));
}

void TDiagLines::AddRing(TEffTile& canvas, const TBandStrip& s) const {
  if (FMode != 2) AddBand(canvas, s.From, s.Alpha0, s.To, s.Alpha1);
  if (FMode != 0) AddBand(canvas, -s.To, s.Alpha1, -s.From, s.Alpha0);
}

// ---- TRandomFilter ----

TRandomFilter::TRandomFilter(int columns, int rows, std::uint32_t seed, float fade)
    : FRequestedColumns(columns), FRequestedRows(rows), FSeed(seed), FFade(fade) {}

std::uint32_t TRandomFilter::NextSeed(std::uint32_t seed) { return seed * 1664525u + 1013904223u; }

float TRandomFilter::Uniform(std::uint32_t seed) {
  // The low 23 bits as the mantissa of a number in [1, 2).
  return std::bit_cast<float>((seed & 0x7FFFFFu) | 0x3F800000u) - 1.0f;
}

void TRandomFilter::Init(const TRectF& frame, float soft_width, double duration) {
  TDrawFilter::Init(frame, soft_width, duration);
  // At most one tile a pixel: finer tiles show nothing more and only cost time.
  FColumns = std::clamp(FRequestedColumns, 1, std::max(1, int(frame.Width())));
  FRows = std::clamp(FRequestedRows, 1, std::max(1, int(frame.Height())));
  FSpread = int(std::lround(std::clamp(FFade, 0.0f, 1e6f) * 100));
  FDelays.resize(std::size_t(FColumns) * std::size_t(FRows));
  std::uint32_t seed = FSeed;
  for (int& delay : FDelays) {
    seed = NextSeed(seed);
    delay = int(std::lround(Uniform(seed) * float(FSpread)));
  }
}

int TRandomFilter::TileAlpha(int column, int row) const {
  const int now = int(std::lround(Progress() * (FSpread + 256) - 256));
  const int wait = Delay(column, row) - now;
  if (wait >= 255) return 0;
  return wait < 0 ? 255 : 255 - wait;
}

void TRandomFilter::Render(TEffTile& canvas) {
  const TRectF& out = Output;
  const float width = out.Width() / float(FColumns);
  const float height = out.Height() / float(FRows);
  for (int row = 0; row < FRows; ++row) {
    const float top = out.Top + height * float(row);
    const float bottom = row + 1 == FRows ? out.Bottom : top + height;
    for (int column = 0; column < FColumns; ++column) {
      const int alpha = TileAlpha(column, row);
      if (alpha == 0) continue;
      const float left = out.Left + width * float(column);
      const float right = column + 1 == FColumns ? out.Right : left + width;
      const float a = float(alpha);
      AddQuad(canvas, {left, top, a}, {right, top, a}, {right, bottom, a}, {left, bottom, a});
    }
  }
}

}  // namespace orv
