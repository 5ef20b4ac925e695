#include "image/halving.h"

#include <algorithm>
#include <vector>

#include "base/assertions.h"

namespace orv {
namespace {

// Sums three source rows with the weights 1 2 1 per byte.
void SumRows(const uint8_t* above, const uint8_t* middle, const uint8_t* below, uint16_t* sums, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) sums[i] = uint16_t(above[i] + 2 * middle[i] + below[i]);
}

// Weighs the column sums 1 2 1 around every second pixel and divides by 16.
void HalveRow(const uint16_t* sums, int source_width, int channels, uint8_t* target, int target_width) {
  for (int x = 0; x < target_width; ++x) {
    const int centre = 2 * x;
    const int left = std::max(centre - 1, 0);
    const int right = std::min(centre + 1, source_width - 1);
    for (int c = 0; c < channels; ++c) {
      const unsigned total = sums[left * channels + c] + 2u * sums[centre * channels + c] + sums[right * channels + c];
      target[x * channels + c] = uint8_t(total >> 4);
    }
  }
}

}  // namespace

Ref<TBitmap> HalveBitmap(const TBitmap& source, const TProgressHandler& progress) {
  const int channels = source.Format().BytesPerPixel();
  ORV_ASSERT(channels == 3 || channels == 4, "HalveBitmap: 24 or 32 bits per pixel expected");
  const int width = source.Width();
  const int height = source.Height();
  const int target_width = (width + 1) / 2;
  const int target_height = (height + 1) / 2;
  Ref<TBitmap> target = TBitmap::Create(target_width, target_height, source.Format());
  std::vector<uint16_t> sums(size_t(width) * channels);
  for (int y = 0; y < target_height; ++y) {
    const int centre = 2 * y;
    SumRows(source.Row(std::max(centre - 1, 0)), source.Row(centre), source.Row(std::min(centre + 1, height - 1)),
            sums.data(), sums.size());
    HalveRow(sums.data(), width, channels, target->Row(y), target_width);
    if (progress) progress(double(y + 1) / target_height);
  }
  return target;
}

}  // namespace orv
