// The spread curves a drop shadow's alpha can be passed through: ten built-in contours
// that shape the fall-off of the blurred edge (a cone, rings, a tooth...).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orv {

// A control point on 0–255: an input alpha and the output it becomes.
struct TCurvePoint {
  int X = 0;
  int Y = 0;
  friend constexpr bool operator==(TCurvePoint, TCurvePoint) = default;
};

using TCurveTable = std::array<uint8_t, 256>;

// The 256-entry table through the points (ordered by input): Catmull–Rom segments between
// consecutive points, the ends held at the first and last outputs, the points themselves
// exact. No points give the identity, one point a constant.
TCurveTable CatmullRomTable(std::span<const TCurvePoint> points);

struct TSpreadCurve {
  std::string Name;
  std::vector<TCurvePoint> Points;
  TCurveTable Table{};
};

// The built-in curve with this index (0 "Linear" … 9 "Tooth"), or null for any other.
const TSpreadCurve* FindSpreadCurve(int index);

// A curve table stretched over 4096 steps of 0–255 input, linearly between entries, for
// mapping values that are not whole numbers.
class TFineCurve {
public:
  explicit TFineCurve(const TCurveTable& table);
  // `value` in 0–255 (clamped) mapped through the curve.
  float Map(float value) const;

private:
  static constexpr int kSteps = 4096;
  std::array<float, kSteps> FValues{};
};

}  // namespace orv
