#include "app/print/page_fit.h"

#include <cstdint>

namespace orv {

TPageOrientation OrientationFor(int width, int height) {
  return height < width ? TPageOrientation::Landscape : TPageOrientation::Portrait;
}

// Integer arithmetic on 64 bits: a page of printer dots times a large picture side
// overflows 32 bits.
TRect FitOnPage(int width, int height, int page_width, int page_height) {
  if (width <= 0 || height <= 0 || page_width <= 0 || page_height <= 0) return {};
  int64_t fitted_width = int64_t(width) * page_height / height;
  int64_t fitted_height = page_height;
  if (fitted_width >= page_width) {
    fitted_width = page_width;
    fitted_height = int64_t(height) * page_width / width;
  }
  const int left = int((page_width - fitted_width) / 2);
  const int top = int((page_height - fitted_height) / 2);
  return TRect{left, top, left + int(fitted_width), top + int(fitted_height)};
}

}  // namespace orv
