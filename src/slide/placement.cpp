#include "slide/placement.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orv {
namespace {

struct TVec {
  double X = 0;
  double Y = 0;
  double Z = 0;
};

TVec ToVec(TPoint3F p) { return {p.X, p.Y, p.Z}; }
TPoint3F ToPoint(const TVec& v) { return {float(v.X), float(v.Y), float(v.Z)}; }
TVec operator-(const TVec& a, const TVec& b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
TVec operator*(const TVec& a, double k) { return {a.X * k, a.Y * k, a.Z * k}; }
double Dot(const TVec& a, const TVec& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }
TVec Cross(const TVec& a, const TVec& b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
double Length(const TVec& v) { return std::sqrt(Dot(v, v)); }

// The determinant of three column vectors, and whether it is too small beside their
// lengths to solve anything with.
double Determinant(const TVec& a, const TVec& b, const TVec& c) { return Dot(a, Cross(b, c)); }
bool Singular(double det, const TVec& a, const TVec& b, const TVec& c) {
  return !(std::abs(det) > 1e-12 * Length(a) * Length(b) * Length(c));
}

struct TSinCos {
  double Cos = 1;
  double Sin = 0;
};

// Most objects are not turned at all: no trigonometry then, and exact values.
TSinCos SinCosOf(double degrees) {
  if (degrees == 0) return {};
  const double radians = degrees * std::numbers::pi / 180;
  return {std::cos(radians), std::sin(radians)};
}

bool Finite(TPoint3F p) { return std::isfinite(p.X) && std::isfinite(p.Y) && std::isfinite(p.Z); }

}  // namespace

TMatrix3 operator*(const TMatrix3& first, const TMatrix3& second) {
  TMatrix3 product;
  for (size_t i = 0; i < 3; ++i) {
    const TPoint3F& row = first.Rows[i];
    product.Rows[i] = second.Rows[0] * row.X + second.Rows[1] * row.Y + second.Rows[2] * row.Z;
  }
  return product;
}

double FitFactor(TFitMode mode, TSizeF size, TSizeF parent) {
  const double w = size.Width;
  const double h = size.Height;
  const double pw = parent.Width;
  const double ph = parent.Height;
  for (const double side : {w, h, pw, ph})
    if (!std::isfinite(side) || side == 0) return 0;
  switch (mode) {
    case TFitMode::PlaceInto:
      return std::min(pw / w, ph / h);
    case TFitMode::Cover:
      return 1 / std::min(w / pw, h / ph);
    case TFitMode::None:
      break;
  }
  return 1;
}

TMatrix3 RotationScale(double angle, double angle_x, double angle_y, double fit_scale_x, double fit_scale_y) {
  const auto [c, s] = SinCosOf(angle);
  const auto [cx, sx] = SinCosOf(angle_x);
  const auto [cy, sy] = SinCosOf(angle_y);
  const TVec row0{cy * c, cy * s, sy};
  const TVec row1{sx * sy * c - cx * s, sx * sy * s + cx * c, -sx * cy};
  const TVec row2{-(cx * sy * c + sx * s), -cx * sy * s + sx * c, cx * cy};
  return TMatrix3{{ToPoint(row0 * fit_scale_x), ToPoint(row1 * fit_scale_y), ToPoint(row2 * fit_scale_y)}};
}

TObjectFrame FrameOf(const TMatrix3& matrix, TPoint3F origin, double depth_factor) {
  const auto deepened = [depth_factor](TPoint3F axis) {
    return TPoint3F{axis.X, axis.Y, float(axis.Z * depth_factor)};
  };
  return TObjectFrame{origin, deepened(matrix.Rows[0]), deepened(matrix.Rows[1]), deepened(matrix.Rows[2])};
}

bool IsFinite(const TObjectFrame& frame) {
  return Finite(frame.Origin) && Finite(frame.X) && Finite(frame.Y) && Finite(frame.Z);
}

bool IsDegenerate(const TObjectFrame& frame) {
  const TVec x = ToVec(frame.X);
  const TVec y = ToVec(frame.Y);
  const TVec z = ToVec(frame.Z);
  return Singular(Determinant(x, y, z), x, y, z);
}

bool FacesFront(const TObjectFrame& frame, TPoint3F eye) {
  // y × x points towards a viewer in front of an unturned object (x right, y down).
  const TVec normal = Cross(ToVec(frame.Y), ToVec(frame.X));
  return Dot(normal, ToVec(eye) - ToVec(frame.Origin)) >= 0;
}

bool RayToLocal(const TObjectFrame& frame, TPoint3F eye, TPoint3F target, TPointF& local) {
  // origin + u·X + v·Y = eye + s·(target − eye), solved for u, v, s by Cramer's rule.
  const TVec x = ToVec(frame.X);
  const TVec y = ToVec(frame.Y);
  const TVec back = ToVec(eye) - ToVec(target);
  const TVec rhs = ToVec(eye) - ToVec(frame.Origin);
  const double det = Determinant(x, y, back);
  if (Singular(det, x, y, back)) return false;
  const double s = Determinant(x, y, rhs) / det;
  if (!(s > 0)) return false;
  local = {float(Determinant(rhs, y, back) / det), float(Determinant(x, rhs, back) / det)};
  return std::isfinite(local.X) && std::isfinite(local.Y);
}

}  // namespace orv
