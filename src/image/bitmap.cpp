#include "image/bitmap.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "base/assertions.h"

namespace orv {
namespace {
// Large pictures take their pages straight from the system and ask for huge pages: a
// 24-megapixel photo would otherwise fault in 18000 small pages, which costs a quarter
// of the time libjpeg needs to decode it.
constexpr size_t kMappedSize = 8u << 20;
}  // namespace

TBitmap::TPixelMemory::TPixelMemory(size_t size) : FSize(size) {
  if (TPictureScope::Active()) FShare.Resize(int64_t(size));
  if (size >= kMappedSize) {
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) throw std::bad_alloc();
    madvise(pages, size, MADV_HUGEPAGE);
    FData = static_cast<uint8_t*>(pages);
    FMapped = true;
  } else {
    FData = static_cast<uint8_t*>(std::calloc(size ? size : 1, 1));
    if (!FData) throw std::bad_alloc();
  }
}

TBitmap::TPixelMemory::~TPixelMemory() {
  if (FMapped) munmap(FData, FSize);
  else std::free(FData);
}

TBitmap::TBitmap(int width, int height, const TCommonPixelFormat& format)
    : FWidth(width), FHeight(height), FFormat(&format) {
  ORV_ASSERT(width >= 0 && height >= 0, "TBitmap: negative size");
  FStride = ptrdiff_t(width) * format.BytesPerPixel();
  FOwnPixels = std::make_unique<TPixelMemory>(size_t(FStride) * size_t(height));
  FPixels = FOwnPixels->Data();
}

TBitmap::TBitmap(int width, int height, const TCommonPixelFormat& format, uint8_t* pixels, ptrdiff_t stride,
                 Ref<TRefObject> owner)
    : FWidth(width), FHeight(height), FFormat(&format), FOwner(std::move(owner)), FPixels(pixels), FStride(stride) {}

Ref<TBitmap> TBitmap::Create(int width, int height, const TCommonPixelFormat& format) {
  return Ref<TBitmap>::Adopt(new TBitmap(width, height, format));
}

Ref<TBitmap> TBitmap::Wrap(int width, int height, const TCommonPixelFormat& format, uint8_t* pixels,
                           ptrdiff_t stride, Ref<TRefObject> owner) {
  return Ref<TBitmap>::Adopt(new TBitmap(width, height, format, pixels, stride, std::move(owner)));
}

const TBitmapClass& TBitmap::MemoryClass() {
  static const TBitmapClass kMemory{"TBitmap", [](const TBitmap& source) {
                                      Ref<TBitmap> copy = Create(source.Width(), source.Height(), source.Format());
                                      const size_t row_bytes = size_t(source.Width()) * source.Format().BytesPerPixel();
                                      for (int y = 0; y < source.Height(); ++y)
                                        std::memcpy(copy->Row(y), source.Row(y), row_bytes);
                                      return copy;
                                    }};
  return kMemory;
}

uint32_t TBitmap::PixelArgb(int x, int y) const {
  ORV_ASSERT(x >= 0 && x < FWidth && y >= 0 && y < FHeight, "TBitmap.PixelArgb - outside the bitmap");
  uint32_t argb;
  FFormat->ToArgb(Row(y) + size_t(x) * FFormat->BytesPerPixel(), &argb, 1);
  return argb;
}

void TBitmap::Fill(uint32_t argb) {
  if (FWidth == 0) return;
  std::vector<uint8_t> row(size_t(FWidth) * FFormat->BytesPerPixel());
  const std::vector<uint32_t> colour(size_t(FWidth), argb);
  FFormat->FromArgb(colour.data(), row.data(), FWidth);
  for (int y = 0; y < FHeight; ++y) std::memcpy(Row(y), row.data(), row.size());
}

Ref<TBitmap> TBitmap::ConvertTo(const TCommonPixelFormat& format) const {
  Ref<TBitmap> result = Create(FWidth, FHeight, format);
  for (int y = 0; y < FHeight; ++y) ConvertPixels(*FFormat, Row(y), format, result->Row(y), FWidth);
  return result;
}

}  // namespace orv
