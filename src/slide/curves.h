// Easing curves of animation modifiers: a cubic Bézier through (0,0) and (1,1), solved for
// y at a given x, either directly or through a piecewise-linear approximation prepared once.
#pragma once

#include <vector>

#include "slide/calculator.h"

namespace orv {

struct TCurvePoint {
  double X = 0;
  double Y = 0;
};

// One linear piece of a flattened curve, valid on [X0, X1].
struct TKusochek {
  double X0 = 0;
  double X1 = 0;
  double Slope = 0;
  double Y0 = 0;
};

// A parametric curve over t in [0, 1] that can be solved for y at a given x, and split into
// linear pieces for fast repeated look-ups.
class TCurveSeparator {
public:
  virtual ~TCurveSeparator() = default;
  virtual TCurvePoint PointAt(double t) const = 0;

  // Halves the parameter range towards x until the curve is flat there, then interpolates.
  double Solve(double x, double tolerance) const;
  // Replaces the pieces by a flattening of the whole curve, ordered by x.
  void Separate(double tolerance);
  // y at x from the pieces (Separate first); outside the curve the first or last piece is
  // extended. Starts from the piece used last, since frames move x a little at a time.
  double Lookup(double x);

  const std::vector<TKusochek>& Pieces() const noexcept { return FPieces; }

private:
  // Whether the curve between t0 and t1 stays within `tolerance` (squared distance) of its
  // chord; gives the end points.
  bool IsFlat(double t0, double t1, double tolerance, TCurvePoint& start, TCurvePoint& end) const;
  void SeparateRange(double t0, double t1, double tolerance, int depth);

  std::vector<TKusochek> FPieces;
  size_t FLastPiece = 0;
};

class TCubicBezier : public TCurveSeparator {
public:
  TCubicBezier(TCurvePoint p0, TCurvePoint p1, TCurvePoint p2, TCurvePoint p3);
  TCurvePoint PointAt(double t) const override;

private:
  // Control points are kept in single precision, as authoring tools store them.
  float FX[4];
  float FY[4];
};

// "QSplineGraph"(x, x1, y1, x2, y2): y of the Bézier from (0,0) through the control points
// (x1, y1), (x2, y2) to (1,1) at abscissa x. Constant control points compile to a prepared
// one-argument curve.
class TQSplineGraph : public TMathFunc {
public:
  TQSplineGraph() : TMathFunc("QSplineGraph", 5, true) {}
  void Execute(TCalcStack& stack) override;
  bool Optimize(std::span<const double> trailing_constants, Ref<TCalcFunc>& replacement) override;
};

class TQSplineGraph_opt : public TCalcFunc {
public:
  TQSplineGraph_opt(TCurvePoint p1, TCurvePoint p2);
  void Execute(TCalcStack& stack) override { stack.Top() = FCurve.Lookup(stack.Top()); }

private:
  TCubicBezier FCurve;
};

constexpr double kCurveTolerance = 1e-6;

// Adds the curve functions to the calculator's function table (once per process).
void RegisterCurveFunctions();

}  // namespace orv
