// The blur of a drop shadow: the alpha plane is shrunk and enlarged again with a cubic
// B-spline filter, which costs a few taps per pixel whatever the blur size, instead of a
// convolution as wide as the blur.
#pragma once

#include <vector>

#include "slide/spread_curves.h"

namespace orv {

// Alpha values 0–255 as floats, row after row.
struct TAlphaPlane {
  int Width = 0;
  int Height = 0;
  std::vector<float> Values;

  TAlphaPlane() = default;
  TAlphaPlane(int width, int height) : Width(width), Height(height), Values(size_t(width) * size_t(height)) {}
  float& At(int x, int y) { return Values[size_t(y) * size_t(Width) + size_t(x)]; }
  float At(int x, int y) const { return Values[size_t(y) * size_t(Width) + size_t(x)]; }
};

// The cubic B-spline: x³/2 − x² + 2/3 for |x| < 1, (2 − |x|)³ / 6 for |x| < 2, else 0.
double BSplineWeight(double x);

// `source` resampled to `width` × `height` with the B-spline, widened by the reduction when
// it shrinks; pixel centres map onto pixel centres and the edges are held.
TAlphaPlane ResampleBSpline(const TAlphaPlane& source, int width, int height);

class TDropShadow {
public:
  // `reduction` (at least 1) is the factor the plane is shrunk by; `spread` (may be null)
  // shapes the result.
  TDropShadow(double reduction, const TSpreadCurve* spread);

  // The empty border the blur spreads into, on every side.
  static int MarginFor(double reduction);
  int Margin() const { return FMargin; }
  // The blurred plane of `mask`, larger by the margin on every side; values are whole
  // numbers 0–255.
  TAlphaPlane Apply(const TAlphaPlane& mask) const;

private:
  double FReduction;
  int FMargin;
  const TSpreadCurve* FSpread;
};

}  // namespace orv
