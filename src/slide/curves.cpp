#include "slide/curves.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace orv {

namespace {

// Limits that keep hostile control points (huge, infinite or NaN values that never look
// flat) from looping forever or producing millions of pieces: the range is then taken as
// flat, which is exact enough long before these depths for any sane curve.
constexpr int kMaxSolveSteps = 64;
constexpr int kMaxSeparateDepth = 14;

double SquaredDistance(TCurvePoint a, TCurvePoint b) {
  return (a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y);
}

// The chord's slope; a vertical chord (no x extent) counts as level.
double ChordSlope(TCurvePoint start, TCurvePoint end) {
  return end.X == start.X ? 0 : (end.Y - start.Y) / (end.X - start.X);
}

}  // namespace

bool TCurveSeparator::IsFlat(double t0, double t1, double tolerance, TCurvePoint& start, TCurvePoint& end) const {
  start = PointAt(t0);
  end = PointAt(t1);
  for (double k : {0.25, 0.5, 0.75}) {
    const TCurvePoint on_curve = PointAt(t0 + (t1 - t0) * k);
    const TCurvePoint on_chord{start.X + (end.X - start.X) * k, start.Y + (end.Y - start.Y) * k};
    if (!(SquaredDistance(on_curve, on_chord) <= tolerance)) return false;
  }
  return true;
}

double TCurveSeparator::Solve(double x, double tolerance) const {
  double t0 = 0;
  double t1 = 1;
  TCurvePoint start;
  TCurvePoint end;
  for (int step = 0; !IsFlat(t0, t1, tolerance, start, end) && step < kMaxSolveSteps; ++step) {
    const double middle = t0 + (t1 - t0) * 0.5;
    if (x <= PointAt(middle).X) {
      t1 = middle;
    } else {
      t0 = middle;
    }
  }
  return start.Y + (x - start.X) * ChordSlope(start, end);
}

void TCurveSeparator::Separate(double tolerance) {
  FPieces.clear();
  FLastPiece = 0;
  SeparateRange(0, 1, tolerance, 0);
}

void TCurveSeparator::SeparateRange(double t0, double t1, double tolerance, int depth) {
  TCurvePoint start;
  TCurvePoint end;
  if (IsFlat(t0, t1, tolerance, start, end) || depth >= kMaxSeparateDepth) {
    FPieces.push_back(TKusochek{start.X, end.X, ChordSlope(start, end), start.Y});
    return;
  }
  const double middle = t0 + (t1 - t0) * 0.5;
  SeparateRange(t0, middle, tolerance, depth + 1);
  SeparateRange(middle, t1, tolerance, depth + 1);
}

double TCurveSeparator::Lookup(double x) {
  if (FPieces.empty()) return x;
  size_t i = std::min(FLastPiece, FPieces.size() - 1);
  while (x > FPieces[i].X1 && i + 1 < FPieces.size()) ++i;
  while (x < FPieces[i].X0 && i > 0) --i;
  FLastPiece = i;
  const TKusochek& piece = FPieces[i];
  return (x - piece.X0) * piece.Slope + piece.Y0;
}

TCubicBezier::TCubicBezier(TCurvePoint p0, TCurvePoint p1, TCurvePoint p2, TCurvePoint p3)
    : FX{float(p0.X), float(p1.X), float(p2.X), float(p3.X)}, FY{float(p0.Y), float(p1.Y), float(p2.Y), float(p3.Y)} {}

TCurvePoint TCubicBezier::PointAt(double t) const {
  const double s = 1 - t;
  const double w0 = s * s * s;
  const double w1 = 3 * t * s * s;
  const double w2 = 3 * t * t * s;
  const double w3 = t * t * t;
  return {w0 * FX[0] + w1 * FX[1] + w2 * FX[2] + w3 * FX[3], w0 * FY[0] + w1 * FY[1] + w2 * FY[2] + w3 * FY[3]};
}

void TQSplineGraph::Execute(TCalcStack& stack) {
  const double y2 = stack.Pop();
  const double x2 = stack.Pop();
  const double y1 = stack.Pop();
  const double x1 = stack.Pop();
  // A curve of our own per call keeps the shared function object free of state, so that
  // formulas on different threads may call it at once.
  const TCubicBezier curve({0, 0}, {x1, y1}, {x2, y2}, {1, 1});
  stack.Top() = curve.Solve(stack.Top(), kCurveTolerance);
}

bool TQSplineGraph::Optimize(std::span<const double> trailing_constants, Ref<TCalcFunc>& replacement) {
  if (trailing_constants.size() < 4) return false;
  const auto controls = trailing_constants.last(4);
  replacement = MakeRef<TQSplineGraph_opt>(TCurvePoint{controls[0], controls[1]}, TCurvePoint{controls[2], controls[3]});
  return true;
}

namespace {

std::string PreparedCurveName(TCurvePoint p1, TCurvePoint p2) {
  char name[128];
  std::snprintf(name, sizeof name, "QSplineGraph-opt(%.5g:%.5g;%.5g:%.5g)", p1.X, p1.Y, p2.X, p2.Y);
  return name;
}

}  // namespace

TQSplineGraph_opt::TQSplineGraph_opt(TCurvePoint p1, TCurvePoint p2)
    : TCalcFunc(PreparedCurveName(p1, p2), 1, true), FCurve({0, 0}, p1, p2, {1, 1}) {
  FCurve.Separate(kCurveTolerance);
}

void RegisterCurveFunctions() {
  static std::once_flag registered;
  std::call_once(registered, [] { TCalculator::Register(MakeRef<TQSplineGraph>()); });
}

}  // namespace orv
