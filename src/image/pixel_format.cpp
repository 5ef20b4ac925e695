#include "image/pixel_format.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace orv {
namespace {

constexpr uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }
constexpr uint8_t AlphaOf(uint32_t c) { return uint8_t(c >> 24); }
constexpr uint8_t RedOf(uint32_t c) { return uint8_t(c >> 16); }
constexpr uint8_t GreenOf(uint32_t c) { return uint8_t(c >> 8); }
constexpr uint8_t BlueOf(uint32_t c) { return uint8_t(c); }
constexpr uint32_t Widen5(uint32_t v) { return v << 3 | v >> 2; }
constexpr uint32_t Widen6(uint32_t v) { return v << 2 | v >> 4; }

// ---- Y8: luminance with the usual 0.30 / 0.59 / 0.11 weights in 8-bit fixed point.
void Y8ToArgb(const uint8_t* s, uint32_t* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = Argb(255, s[i], s[i], s[i]);
}
void Y8FromArgb(const uint32_t* s, uint8_t* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = uint8_t((RedOf(s[i]) * 77 + GreenOf(s[i]) * 150 + BlueOf(s[i]) * 29 + 128) >> 8);
}

// ---- A8: a coverage mask, white where it covers.
void A8ToArgb(const uint8_t* s, uint32_t* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = Argb(s[i], 255, 255, 255);
}
void A8FromArgb(const uint32_t* s, uint8_t* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = AlphaOf(s[i]);
}

// ---- 24 bits: the template arguments are the byte positions of red and blue.
template <int kRed, int kBlue>
void Rgb24ToArgb(const uint8_t* s, uint32_t* d, int n) {
  for (int i = 0; i < n; ++i, s += 3) d[i] = Argb(255, s[kRed], s[1], s[kBlue]);
}
template <int kRed, int kBlue>
void Rgb24FromArgb(const uint32_t* s, uint8_t* d, int n) {
  for (int i = 0; i < n; ++i, d += 3) {
    d[kRed] = RedOf(s[i]);
    d[1] = GreenOf(s[i]);
    d[kBlue] = BlueOf(s[i]);
  }
}

// ---- 32 bits
void A8R8G8B8ToArgb(const uint8_t* s, uint32_t* d, int n) { std::memcpy(d, s, size_t(n) * 4); }
void A8R8G8B8FromArgb(const uint32_t* s, uint8_t* d, int n) { std::memcpy(d, s, size_t(n) * 4); }
void A8B8G8R8ToArgb(const uint8_t* s, uint32_t* d, int n) {
  for (int i = 0; i < n; ++i, s += 4) d[i] = Argb(s[3], s[0], s[1], s[2]);
}
void A8B8G8R8FromArgb(const uint32_t* s, uint8_t* d, int n) {
  for (int i = 0; i < n; ++i, d += 4) {
    d[0] = RedOf(s[i]);
    d[1] = GreenOf(s[i]);
    d[2] = BlueOf(s[i]);
    d[3] = AlphaOf(s[i]);
  }
}

// ---- 16 bits, as Windows bitmaps store them (see the header).
uint16_t Load16(const uint8_t* s) { return uint16_t(s[0] | s[1] << 8); }
void Store16(uint8_t* d, uint32_t v) {
  d[0] = uint8_t(v);
  d[1] = uint8_t(v >> 8);
}
void Rgb565ToArgb(const uint8_t* s, uint32_t* d, int n) {
  for (int i = 0; i < n; ++i, s += 2) {
    const uint32_t v = Load16(s);
    d[i] = Argb(255, Widen5(v >> 11), Widen6(v >> 5 & 63), Widen5(v & 31));
  }
}
void Rgb565FromArgb(const uint32_t* s, uint8_t* d, int n) {
  for (int i = 0; i < n; ++i, d += 2) Store16(d, (RedOf(s[i]) >> 3) << 11 | (GreenOf(s[i]) >> 2) << 5 | BlueOf(s[i]) >> 3);
}
void Rgb555ToArgb(const uint8_t* s, uint32_t* d, int n) {
  for (int i = 0; i < n; ++i, s += 2) {
    const uint32_t v = Load16(s);
    d[i] = Argb(255, Widen5(v >> 10 & 31), Widen5(v >> 5 & 31), Widen5(v & 31));
  }
}
void Rgb555FromArgb(const uint32_t* s, uint8_t* d, int n) {
  for (int i = 0; i < n; ++i, d += 2) Store16(d, (RedOf(s[i]) >> 3) << 10 | (GreenOf(s[i]) >> 3) << 5 | BlueOf(s[i]) >> 3);
}

}  // namespace

namespace pf {
constinit const TCommonPixelFormat Y8("Y8", 1, false, Y8ToArgb, Y8FromArgb);
constinit const TCommonPixelFormat A8("A8", 1, true, A8ToArgb, A8FromArgb);
constinit const TCommonPixelFormat R8G8B8("R8G8B8", 3, false, Rgb24ToArgb<2, 0>, Rgb24FromArgb<2, 0>);
constinit const TCommonPixelFormat A8R8G8B8("A8R8G8B8", 4, true, A8R8G8B8ToArgb, A8R8G8B8FromArgb);
constinit const TCommonPixelFormat B8G8R8("B8G8R8", 3, false, Rgb24ToArgb<0, 2>, Rgb24FromArgb<0, 2>);
constinit const TCommonPixelFormat A8B8G8R8("A8B8G8R8", 4, true, A8B8G8R8ToArgb, A8B8G8R8FromArgb);
constinit const TCommonPixelFormat B5G6R5("B5G6R5", 2, false, Rgb565ToArgb, Rgb565FromArgb);
constinit const TCommonPixelFormat B5G5R5X1("B5G5R5X1", 2, false, Rgb555ToArgb, Rgb555FromArgb);
}  // namespace pf

const TCommonPixelFormat* FindPixelFormat(std::string_view name) {
  static const std::array<const TCommonPixelFormat*, 8> kAll = {&pf::Y8,       &pf::A8,       &pf::R8G8B8,
                                                                 &pf::A8R8G8B8, &pf::B8G8R8,   &pf::A8B8G8R8,
                                                                 &pf::B5G6R5,   &pf::B5G5R5X1};
  for (const TCommonPixelFormat* format : kAll)
    if (format->Name() == name) return format;
  return nullptr;
}

void ConvertPixels(const TCommonPixelFormat& from, const uint8_t* source, const TCommonPixelFormat& to,
                   uint8_t* target, int count) {
  if (&from == &to) {
    std::memcpy(target, source, size_t(count) * size_t(from.BytesPerPixel()));
    return;
  }
  constexpr int kChunk = 256;
  uint32_t argb[kChunk];
  for (int done = 0; done < count; done += kChunk) {
    const int n = std::min(kChunk, count - done);
    from.ToArgb(source + size_t(done) * size_t(from.BytesPerPixel()), argb, n);
    to.FromArgb(argb, target + size_t(done) * size_t(to.BytesPerPixel()), n);
  }
}

}  // namespace orv
