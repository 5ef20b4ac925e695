#include "slide/spread_curves.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/assertions.h"

namespace orv {
namespace {

// Each curve: the length of its name, the name, then big-endian 16-bit values: the number
// of points and each point's input and output.
constexpr uint8_t kCurveData[] = {
    6, 'L', 'i', 'n', 'e', 'a', 'r',
        0, 2, 0, 0, 0, 0, 0, 255, 0, 255,
    4, 'C', 'o', 'n', 'e',
        0, 3, 0, 0, 0, 0, 0, 128, 0, 255, 0, 255, 0, 0,
    15, 'C', 'o', 'n', 'e', ' ', '-', ' ', 'I', 'n', 'v', 'e', 'r', 't', 'e', 'd',
        0, 3, 0, 0, 0, 255, 0, 128, 0, 0, 0, 255, 0, 255,
    11, 'C', 'o', 'v', 'e', ' ', '-', ' ', 'D', 'e', 'e', 'p',
        0, 3, 0, 1, 0, 63, 0, 148, 0, 110, 0, 192, 0, 255,
    14, 'C', 'o', 'v', 'e', ' ', '-', ' ', 'S', 'h', 'a', 'l', 'l', 'o', 'w',
        0, 3, 0, 0, 0, 127, 0, 83, 0, 174, 0, 128, 0, 255,
    8, 'G', 'a', 'u', 's', 's', 'i', 'a', 'n',
        0, 6, 0, 0, 0, 0, 0, 63, 0, 11, 0, 113, 0, 63, 0, 146, 0, 194, 0, 191, 0, 241, 0, 255, 0, 255,
    10, 'H', 'a', 'l', 'f', ' ', 'R', 'o', 'u', 'n', 'd',
        0, 5, 0, 0, 0, 0, 0, 27, 0, 84, 0, 81, 0, 178, 0, 173, 0, 236, 0, 255, 0, 255,
    4, 'R', 'i', 'n', 'g',
        0, 4, 0, 0, 0, 0, 0, 86, 0, 255, 0, 172, 0, 0, 0, 255, 0, 255,
    13, 'R', 'i', 'n', 'g', ' ', '-', ' ', 'D', 'o', 'u', 'b', 'l', 'e',
        0, 6, 0, 0, 0, 0, 0, 48, 0, 255, 0, 105, 0, 0, 0, 158, 0, 253, 0, 214, 0, 1, 0, 255, 0, 255,
    5, 'T', 'o', 'o', 't', 'h',
        0, 5, 0, 0, 0, 0, 0, 64, 0, 127, 0, 128, 0, 1, 0, 193, 0, 127, 0, 255, 0, 0,
};

class TCurveDataReader {
public:
  explicit TCurveDataReader(std::span<const uint8_t> data) : FData(data) {}
  bool AtEnd() const { return FPos == FData.size(); }

  TSpreadCurve ReadCurve() {
    TSpreadCurve curve;
    const size_t name_size = Byte();
    Need(name_size);
    curve.Name.assign(reinterpret_cast<const char*>(FData.data() + FPos), name_size);
    FPos += name_size;
    const int count = Word();
    for (int i = 0; i < count; ++i) {
      const int x = Word();
      curve.Points.push_back({x, Word()});
    }
    curve.Table = CatmullRomTable(curve.Points);
    return curve;
  }

private:
  void Need(size_t size) const { ORV_ASSERT(FData.size() - FPos >= size, "Spread curve data truncated"); }
  int Byte() {
    Need(1);
    return FData[FPos++];
  }
  int Word() {
    const int high = Byte();
    return high << 8 | Byte();
  }

  std::span<const uint8_t> FData;
  size_t FPos = 0;
};

std::vector<TSpreadCurve> ReadBuiltInCurves() {
  std::vector<TSpreadCurve> curves;
  TCurveDataReader reader(kCurveData);
  while (!reader.AtEnd()) curves.push_back(reader.ReadCurve());
  return curves;
}

uint8_t ClampToByte(double value) { return uint8_t(std::clamp(std::lround(value), 0L, 255L)); }

// Rows of the Catmull–Rom basis: the point at t is [t³ t² t 1] · basis · [p0 p1 p2 p3].
constexpr double kBasis[4][4] = {
    {-0.5, 1.5, -1.5, 0.5},
    {1, -2.5, 2, -0.5},
    {-0.5, 0, 0.5, 0},
    {0, 1, 0, 0},
};

double CatmullRom(const std::array<double, 4>& p, double t) {
  const double powers[4] = {t * t * t, t * t, t, 1};
  double value = 0;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) value += powers[row] * kBasis[row][col] * p[size_t(col)];
  return value;
}

void DrawSegment(std::span<const TCurvePoint> points, size_t segment, TCurveTable& table) {
  constexpr int kSamples = 1000;
  const auto at = [&](ptrdiff_t i) {
    return points[size_t(std::clamp<ptrdiff_t>(i, 0, ptrdiff_t(points.size()) - 1))];
  };
  const ptrdiff_t i = ptrdiff_t(segment);
  const std::array<double, 4> xs{double(at(i - 1).X), double(at(i).X), double(at(i + 1).X), double(at(i + 2).X)};
  const std::array<double, 4> ys{double(at(i - 1).Y), double(at(i).Y), double(at(i + 1).Y), double(at(i + 2).Y)};
  for (int step = 0; step <= kSamples; ++step) {
    const double t = double(step) / kSamples;
    table[ClampToByte(CatmullRom(xs, t))] = ClampToByte(CatmullRom(ys, t));
  }
}

}  // namespace

TCurveTable CatmullRomTable(std::span<const TCurvePoint> points) {
  TCurveTable table;
  for (int x = 0; x < 256; ++x) table[size_t(x)] = uint8_t(x);
  if (points.empty()) return table;
  for (size_t segment = 0; segment + 1 < points.size(); ++segment) DrawSegment(points, segment, table);
  const TCurvePoint first = points.front();
  const TCurvePoint last = points.back();
  for (int x = 0; x < std::clamp(first.X, 0, 256); ++x) table[size_t(x)] = ClampToByte(first.Y);
  for (int x = std::clamp(last.X + 1, 0, 256); x < 256; ++x) table[size_t(x)] = ClampToByte(last.Y);
  for (const TCurvePoint& point : points) table[ClampToByte(point.X)] = ClampToByte(point.Y);
  return table;
}

const TSpreadCurve* FindSpreadCurve(int index) {
  static const std::vector<TSpreadCurve> curves = ReadBuiltInCurves();
  return index >= 0 && size_t(index) < curves.size() ? &curves[size_t(index)] : nullptr;
}

TFineCurve::TFineCurve(const TCurveTable& table) {
  for (int step = 0; step < kSteps; ++step) {
    const double position = double(step) * 255 / (kSteps - 1);
    const int below = std::min(int(position), 254);
    const double fraction = position - below;
    FValues[size_t(step)] = float(table[size_t(below)] * (1 - fraction) + table[size_t(below) + 1] * fraction);
  }
}

float TFineCurve::Map(float value) const {
  const float clamped = std::clamp(value, 0.0f, 255.0f);
  return FValues[size_t(std::lround(clamped * (kSteps - 1) / 255))];
}

}  // namespace orv
