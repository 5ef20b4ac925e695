#include "nav/bilinear_stretch.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace orv {
namespace {

// Where destination pixel i samples on one axis: the source index and the weight of the
// next source pixel (0..65535).
struct TSample {
  int Index;
  int Next;
  int64_t Weight;
};

std::vector<TSample> AxisSamples(int source_size, int target_size) {
  std::vector<TSample> samples(static_cast<size_t>(target_size));
  const int64_t span = int64_t(source_size - 1) << 16;
  for (int i = 0; i < target_size; ++i) {
    const int64_t position = target_size > 1 ? span * i / (target_size - 1) : 0;
    const int index = int(position >> 16);
    samples[size_t(i)] = {index, std::min(index + 1, source_size - 1), position & 0xFFFF};
  }
  return samples;
}

uint32_t Blend(uint32_t a, uint32_t b, int64_t weight) {
  uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int64_t ca = (a >> shift) & 0xFF;
    const int64_t cb = (b >> shift) & 0xFF;
    result |= uint32_t((ca * (65536 - weight) + cb * weight) >> 16) << shift;
  }
  return result;
}

}  // namespace

Ref<TBitmap> StretchBilinear(const TBitmap& source, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  const Ref<TBitmap> converted = &source.Format() == &pf::A8R8G8B8 ? Ref<TBitmap>() : source.ConvertTo(pf::A8R8G8B8);
  const TBitmap& from = converted ? *converted : source;
  Ref<TBitmap> target = TBitmap::Create(width, height, pf::A8R8G8B8);
  const std::vector<TSample> columns = AxisSamples(from.Width(), width);
  const std::vector<TSample> rows = AxisSamples(from.Height(), height);
  for (int y = 0; y < height; ++y) {
    const TSample& row = rows[size_t(y)];
    const auto* upper = reinterpret_cast<const uint32_t*>(from.Row(row.Index));
    const auto* lower = reinterpret_cast<const uint32_t*>(from.Row(row.Next));
    auto* out = reinterpret_cast<uint32_t*>(target->Row(y));
    for (int x = 0; x < width; ++x) {
      const TSample& column = columns[size_t(x)];
      const uint32_t top = Blend(upper[column.Index], upper[column.Next], column.Weight);
      const uint32_t bottom = Blend(lower[column.Index], lower[column.Next], column.Weight);
      out[x] = Blend(top, bottom, row.Weight);
    }
  }
  return target;
}

}  // namespace orv
