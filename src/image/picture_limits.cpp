#include "image/picture_limits.h"

#include <atomic>
#include <limits>

namespace orv {
namespace {
std::atomic<int64_t> GMaxPicturePixels{int64_t(1) << 28};
}

int64_t MaxPicturePixels() { return GMaxPicturePixels.load(std::memory_order_relaxed); }

void SetMaxPicturePixels(int64_t pixels) { GMaxPicturePixels.store(pixels, std::memory_order_relaxed); }

bool PictureSizeAllowed(int64_t width, int64_t height) {
  constexpr int64_t kMaxSide = std::numeric_limits<int32_t>::max();
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  return width * height <= MaxPicturePixels();
}

}  // namespace orv
