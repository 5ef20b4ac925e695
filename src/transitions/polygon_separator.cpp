#include "transitions/polygon_separator.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/assertions.h"

namespace orv {

namespace {

// Beyond any frame: the outer intervals reach this far.
constexpr float kFar = 3.4e38f;
// Pieces of less area than this (square pixels) cover no sample and are dropped.
constexpr double kNoArea = 1e-6;

using TPolygon = std::vector<TMaskVertex>;

enum class TAxis { X, Y };

float CoordOf(const TMaskVertex& v, TAxis axis) { return axis == TAxis::X ? v.X : v.Y; }

// The point of p → q on the line axis = at, with its alpha interpolated along the edge.
// The cut coordinate is set exactly so that the pieces on both sides share the vertex.
TMaskVertex Crossing(const TMaskVertex& p, const TMaskVertex& q, float t, TAxis axis, float at) {
  TMaskVertex v{p.X + (q.X - p.X) * t, p.Y + (q.Y - p.Y) * t, p.Alpha + (q.Alpha - p.Alpha) * t};
  (axis == TAxis::X ? v.X : v.Y) = at;
  return v;
}

// The parts of a convex polygon at or below and at or above the line axis = at.
void Split(std::span<const TMaskVertex> polygon, TAxis axis, float at, TPolygon& below, TPolygon& above) {
  below.clear();
  above.clear();
  const std::size_t n = polygon.size();
  for (std::size_t i = 0; i < n; ++i) {
    const TMaskVertex& p = polygon[i];
    const TMaskVertex& q = polygon[(i + 1) % n];
    const float dp = CoordOf(p, axis) - at;
    const float dq = CoordOf(q, axis) - at;
    if (dp <= 0) below.push_back(p);
    if (dp >= 0) above.push_back(p);
    if ((dp < 0 && dq > 0) || (dp > 0 && dq < 0)) {
      const TMaskVertex x = Crossing(p, q, dp / (dp - dq), axis, at);
      below.push_back(x);
      above.push_back(x);
    }
  }
}

double TwiceArea(std::span<const TMaskVertex> polygon) {
  double sum = 0;
  for (std::size_t i = 0, n = polygon.size(); i < n; ++i) {
    const TMaskVertex& p = polygon[i];
    const TMaskVertex& q = polygon[(i + 1) % n];
    sum += double(p.X) * q.Y - double(q.X) * p.Y;
  }
  return sum;
}

bool IsFinite(const TMaskVertex& v) { return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Alpha); }

// A piece to draw: finite, with some area.
bool IsPiece(std::span<const TMaskVertex> polygon) {
  return polygon.size() >= 3 && std::all_of(polygon.begin(), polygon.end(), IsFinite) &&
         std::abs(TwiceArea(polygon)) > 2 * kNoArea;
}

// Hands the pieces of `polygon` between consecutive cuts of `line` to `take` (interval,
// piece) in order; only the cuts across the polygon split it.
template <typename Take>
void CutAlong(std::span<const TMaskVertex> polygon, TAxis axis, const TCutLine& line, TCutScratch& scratch,
              Take&& take) {
  if (polygon.size() < 3) return;
  float low = CoordOf(polygon[0], axis);
  float high = low;
  for (const TMaskVertex& v : polygon) {
    low = std::min(low, CoordOf(v, axis));
    high = std::max(high, CoordOf(v, axis));
  }
  int interval = line.IntervalOf(low);
  scratch.Rest.assign(polygon.begin(), polygon.end());
  const int last = line.IntervalCount() - 1;
  for (; interval < last && line.High(interval) < high && scratch.Rest.size() >= 3; ++interval) {
    Split(scratch.Rest, axis, line.High(interval), scratch.Below, scratch.Above);
    if (IsPiece(scratch.Below)) take(interval, std::span<const TMaskVertex>(scratch.Below));
    scratch.Rest.swap(scratch.Above);
  }
  if (IsPiece(scratch.Rest)) take(interval, std::span<const TMaskVertex>(scratch.Rest));
}

}  // namespace

// ---- TFanList ----

TFanList::TFanList() {
  FVertices.reserve(32);
  FStarts.reserve(8);
}

void TFanList::Add(std::span<const TMaskVertex> fan) {
  FStarts.push_back(int(FVertices.size()));
  FVertices.insert(FVertices.end(), fan.begin(), fan.end());
}

void TFanList::Clear() {
  FVertices.clear();
  FStarts.clear();
}

std::span<const TMaskVertex> TFanList::Fan(int index) const {
  const int start = FStarts[index];
  const int end = index + 1 < FanCount() ? FStarts[index + 1] : int(FVertices.size());
  return std::span<const TMaskVertex>(FVertices).subspan(start, end - start);
}

// ---- TCutLine ----

TCutLine::TCutLine(std::vector<float> cuts) {
  for (std::size_t i = 1; i < cuts.size(); ++i) ORV_ASSERT(cuts[i - 1] <= cuts[i], "Grid cuts out of order");
  FBounds.reserve(cuts.size() + 2);
  FBounds.push_back(-kFar);
  FBounds.insert(FBounds.end(), cuts.begin(), cuts.end());
  FBounds.push_back(kFar);
}

int TCutLine::IntervalOf(float v) const {
  const int after = int(std::upper_bound(FBounds.begin(), FBounds.end(), v) - FBounds.begin());
  return std::clamp(after - 1, 0, IntervalCount() - 1);
}

// ---- TXSeparator ----

TXSeparator::TXSeparator(std::vector<float> cuts) : FCuts(std::move(cuts)), FCells(FCuts.IntervalCount()) {}

void TXSeparator::Cut(std::span<const TMaskVertex> polygon) {
  CutAlong(polygon, TAxis::X, FCuts, FScratch,
           [this](int cell, std::span<const TMaskVertex> piece) { FCells[cell].Add(piece); });
}

void TXSeparator::Clear() {
  for (TFanList& cell : FCells) cell.Clear();
}

// ---- T2DSeparator ----

T2DSeparator::T2DSeparator(std::vector<float> column_cuts, std::vector<float> row_cuts)
    : FRowCuts(std::move(row_cuts)) {
  FBands.reserve(FRowCuts.IntervalCount());
  for (int row = 0; row < FRowCuts.IntervalCount(); ++row) FBands.push_back(MakeRef<TXSeparator>(column_cuts));
}

void T2DSeparator::Cut(std::span<const TMaskVertex> polygon) {
  CutAlong(polygon, TAxis::Y, FRowCuts, FScratch,
           [this](int row, std::span<const TMaskVertex> piece) { FBands[row]->Cut(piece); });
}

void T2DSeparator::Clear() {
  for (const Ref<TXSeparator>& band : FBands) band->Clear();
}

}  // namespace orv
