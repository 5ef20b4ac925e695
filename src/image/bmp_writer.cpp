#include "image/bmp_writer.h"

#include <cstring>

#include "image/pixel_format.h"

namespace orv {
namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr int32_t kPixelsPerMetre = 3780;  // 96 pixels per inch

void Put16(std::string& out, uint16_t value) {
  out += char(value & 0xFF);
  out += char(value >> 8);
}

void Put32(std::string& out, uint32_t value) {
  Put16(out, uint16_t(value & 0xFFFF));
  Put16(out, uint16_t(value >> 16));
}

}  // namespace

std::string BmpFileOf(const TBitmap& picture) {
  // R8G8B8 stores its bytes blue, green, red: a BMP row as it is.
  Ref<TBitmap> converted;
  const TBitmap* pixels = &picture;
  if (&picture.Format() != &pf::R8G8B8) {
    converted = picture.ConvertTo(pf::R8G8B8);
    pixels = converted.Get();
  }
  const uint32_t row_bytes = uint32_t(pixels->Width()) * 3;
  const uint32_t padded_row = (row_bytes + 3) & ~3u;
  const uint32_t image_size = padded_row * uint32_t(pixels->Height());
  const uint32_t offset = kFileHeaderSize + kInfoHeaderSize;

  std::string out;
  out.reserve(offset + image_size);
  out += "BM";
  Put32(out, offset + image_size);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, kInfoHeaderSize);
  Put32(out, uint32_t(pixels->Width()));
  Put32(out, uint32_t(pixels->Height()));  // positive: bottom-up rows
  Put16(out, 1);                           // planes
  Put16(out, 24);                          // bits per pixel
  Put32(out, 0);                           // no compression
  Put32(out, image_size);
  Put32(out, uint32_t(kPixelsPerMetre));
  Put32(out, uint32_t(kPixelsPerMetre));
  Put32(out, 0);
  Put32(out, 0);
  for (int y = pixels->Height() - 1; y >= 0; --y) {
    out.append(reinterpret_cast<const char*>(pixels->Row(y)), row_bytes);
    out.append(padded_row - row_bytes, '\0');
  }
  return out;
}

}  // namespace orv
