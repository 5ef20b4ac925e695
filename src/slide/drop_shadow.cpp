#include "slide/drop_shadow.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace orv {
namespace {

// The source taps of one target pixel: the first source index and one weight per index.
struct TTaps {
  int First = 0;
  std::vector<float> Weights;
};

// Taps of every target pixel of a resampling from `from` pixels to `to` pixels.
std::vector<TTaps> ResamplingTaps(int from, int to) {
  const double scale = double(from) / to;
  const double width = std::max(1.0, scale);  // the filter widens when it shrinks
  std::vector<TTaps> all(static_cast<size_t>(to));
  for (int target = 0; target < to; ++target) {
    const double centre = (target + 0.5) * scale - 0.5;
    const int first = int(std::floor(centre - 2 * width)) + 1;
    const int last = int(std::ceil(centre + 2 * width)) - 1;
    TTaps& taps = all[size_t(target)];
    taps.First = std::clamp(first, 0, from - 1);
    taps.Weights.assign(size_t(std::clamp(last, 0, from - 1) - taps.First + 1), 0.0f);
    double total = 0;
    for (int i = first; i <= last; ++i) {
      const double weight = BSplineWeight((i - centre) / width);
      // Taps beyond an edge fall on the edge pixel.
      taps.Weights[size_t(std::clamp(i, 0, from - 1) - taps.First)] += float(weight);
      total += weight;
    }
    for (float& weight : taps.Weights) weight = float(weight / total);
  }
  return all;
}

TAlphaPlane ResampleRows(const TAlphaPlane& source, int width) {
  TAlphaPlane target(width, source.Height);
  const std::vector<TTaps> taps = ResamplingTaps(source.Width, width);
  for (int y = 0; y < source.Height; ++y)
    for (int x = 0; x < width; ++x) {
      const TTaps& tap = taps[size_t(x)];
      float sum = 0;
      for (size_t i = 0; i < tap.Weights.size(); ++i) sum += tap.Weights[i] * source.At(tap.First + int(i), y);
      target.At(x, y) = sum;
    }
  return target;
}

TAlphaPlane ResampleColumns(const TAlphaPlane& source, int height) {
  TAlphaPlane target(source.Width, height);
  const std::vector<TTaps> taps = ResamplingTaps(source.Height, height);
  for (int y = 0; y < height; ++y) {
    const TTaps& tap = taps[size_t(y)];
    for (size_t i = 0; i < tap.Weights.size(); ++i) {
      const float weight = tap.Weights[i];
      const int from = tap.First + int(i);
      for (int x = 0; x < source.Width; ++x) target.At(x, y) += weight * source.At(x, from);
    }
  }
  return target;
}

TAlphaPlane WithBorder(const TAlphaPlane& plane, int margin) {
  TAlphaPlane bordered(plane.Width + 2 * margin, plane.Height + 2 * margin);
  for (int y = 0; y < plane.Height; ++y)
    std::copy_n(&plane.Values[size_t(y) * size_t(plane.Width)], plane.Width, &bordered.At(margin, y + margin));
  return bordered;
}

}  // namespace

double BSplineWeight(double x) {
  x = std::abs(x);
  if (x < 1) return x * x * x / 2 - x * x + 2.0 / 3;
  if (x < 2) return (2 - x) * (2 - x) * (2 - x) / 6;
  return 0;
}

TAlphaPlane ResampleBSpline(const TAlphaPlane& source, int width, int height) {
  // Shrinking goes along the rows first and growing along the columns first, so the middle
  // plane is always the smaller one.
  if (width <= source.Width) return ResampleColumns(ResampleRows(source, width), height);
  return ResampleRows(ResampleColumns(source, height), width);
}

int TDropShadow::MarginFor(double reduction) { return int(std::ceil(2.5 * std::max(1.0, reduction))); }

TDropShadow::TDropShadow(double reduction, const TSpreadCurve* spread)
    : FReduction(std::max(1.0, reduction)), FMargin(MarginFor(reduction)), FSpread(spread) {}

TAlphaPlane TDropShadow::Apply(const TAlphaPlane& mask) const {
  TAlphaPlane plane = WithBorder(mask, FMargin);
  const int small_width = std::max(1, int(std::ceil(plane.Width / FReduction)));
  const int small_height = std::max(1, int(std::ceil(plane.Height / FReduction)));
  plane = ResampleBSpline(ResampleBSpline(plane, small_width, small_height), plane.Width, plane.Height);
  // The "Linear" curve changes nothing.
  const std::unique_ptr<TFineCurve> curve =
      FSpread && FSpread != FindSpreadCurve(0) ? std::make_unique<TFineCurve>(FSpread->Table) : nullptr;
  for (float& value : plane.Values) {
    const float clamped = std::clamp(value, 0.0f, 255.0f);
    value = std::round(curve ? curve->Map(clamped) : clamped);
  }
  return plane;
}

}  // namespace orv
