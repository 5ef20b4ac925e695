// The pixel formats pictures come in. A format's name lists its components from the
// most significant bits of the little-endian pixel value down: "A8R8G8B8" is the 32-bit
// value 0xAARRGGBB, stored as the bytes blue, green, red, alpha.
//
// The two 16-bit names are the exception: they keep the order in which Windows bitmaps
// store their pixels, listing components from the least significant bits up. "B5G6R5"
// is red in bits 11-15, green in 5-10 and blue in 0-4; "B5G5R5X1" is red in bits 10-14,
// green in 5-9, blue in 0-4 and an unused top bit. Bitmap rows are copied unchanged.
#pragma once

#include <cstdint>
#include <string_view>

namespace orv {

class TCommonPixelFormat {
public:
  using ToArgbFunction = void (*)(const uint8_t* source, uint32_t* argb, int count);
  using FromArgbFunction = void (*)(const uint32_t* argb, uint8_t* target, int count);

  constexpr TCommonPixelFormat(std::string_view name, int bytes_per_pixel, bool has_alpha, ToArgbFunction to_argb,
                               FromArgbFunction from_argb)
      : FName(name), FBytesPerPixel(bytes_per_pixel), FHasAlpha(has_alpha), FToArgb(to_argb), FFromArgb(from_argb) {}
  TCommonPixelFormat(const TCommonPixelFormat&) = delete;
  TCommonPixelFormat& operator=(const TCommonPixelFormat&) = delete;

  std::string_view Name() const { return FName; }
  int BytesPerPixel() const { return FBytesPerPixel; }
  bool HasAlpha() const { return FHasAlpha; }

  // Unpacks `count` pixels into 0xAARRGGBB values (formats without alpha give 0xFF).
  void ToArgb(const uint8_t* source, uint32_t* argb, int count) const { FToArgb(source, argb, count); }
  // Packs 0xAARRGGBB values into this format.
  void FromArgb(const uint32_t* argb, uint8_t* target, int count) const { FFromArgb(argb, target, count); }

private:
  std::string_view FName;
  int FBytesPerPixel;
  bool FHasAlpha;
  ToArgbFunction FToArgb;
  FromArgbFunction FFromArgb;
};

// The shared format objects; a format is identified by its address.
namespace pf {
extern const TCommonPixelFormat Y8;        // grey
extern const TCommonPixelFormat A8;        // alpha only; reads as white
extern const TCommonPixelFormat R8G8B8;    // bytes B, G, R
extern const TCommonPixelFormat A8R8G8B8;  // bytes B, G, R, A
extern const TCommonPixelFormat B8G8R8;    // bytes R, G, B
extern const TCommonPixelFormat A8B8G8R8;  // bytes R, G, B, A
extern const TCommonPixelFormat B5G6R5;
extern const TCommonPixelFormat B5G5R5X1;
}  // namespace pf

// The format with this exact name, or nullptr.
const TCommonPixelFormat* FindPixelFormat(std::string_view name);

// Converts one row of `count` pixels between two formats.
void ConvertPixels(const TCommonPixelFormat& from, const uint8_t* source, const TCommonPixelFormat& to,
                   uint8_t* target, int count);

}  // namespace orv
