#include "nav/bar_pixels.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

int Channel(uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }

uint32_t Pack(int a, int r, int g, int b) {
  return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// 2^20 / alpha rounded, nudged where the rounding would make a full channel lose a step.
int64_t Reciprocal(int alpha) {
  const auto r = int64_t(std::nearbyint(double(1 << 20) / alpha));
  return r == 4112 ? 4113 : r;
}

struct THsl {
  double H, S, L;
};

THsl ToHsl(int r, int g, int b) {
  const int high = std::max({r, g, b});
  const int low = std::min({r, g, b});
  const double lightness = std::nearbyint((high + low) / 2.0);
  if (high == low) return {0, 0, lightness};
  const int delta = high - low;
  const double saturation =
      std::nearbyint(lightness < 128 ? delta * 255.0 / (high + low) : delta * 255.0 / (511 - high - low));
  double sector = 0;
  if (r == high)
    sector = double(g - b) / delta;
  else if (g == high)
    sector = 2 + double(b - r) / delta;
  else
    sector = 4 + double(r - g) / delta;
  double hue = std::nearbyint(sector * 42.5);
  if (hue < 0) hue += 255;
  return {hue, saturation, lightness};
}

double HueChannel(double p, double q, double hue) {
  if (hue < 0) hue += 255;
  if (hue > 255) hue -= 255;
  if (hue < 42.5) return p + (q - p) * hue / 42.5;
  if (hue < 127.5) return q;
  if (hue < 170) return p + (q - p) * (170 - hue) / 42.5;
  return p;
}

int ToByte(double value) { return std::clamp(int(std::nearbyint(value)), 0, 255); }

}  // namespace

uint32_t BlendSourceOver(uint32_t source, uint32_t destination) {
  const int as = Channel(source, 24);
  const int ad = Channel(destination, 24);
  if (as == 0) return destination;
  if (as == 255 || ad == 0) return source;
  const int ao = 255 - (255 - ad) * (255 - as) / 255;
  const int64_t k = ad * (255 - as) / 255;
  const int64_t r = Reciprocal(ao);
  const auto mix = [&](int shift) {
    return std::min<int>(255, int(((k * Channel(destination, shift) + as * Channel(source, shift)) * r) >> 20));
  };
  return Pack(ao, mix(16), mix(8), mix(0));
}

uint32_t GrayPixel(uint32_t pixel) {
  const int mean = (Channel(pixel, 16) + Channel(pixel, 8) + Channel(pixel, 0)) / 3;
  return Pack(Channel(pixel, 24), mean, mean, mean);
}

uint32_t ShiftHuePixel(uint32_t pixel, int hue_step) {
  const THsl hsl = ToHsl(Channel(pixel, 16), Channel(pixel, 8), Channel(pixel, 0));
  const int alpha = Channel(pixel, 24);
  if (hsl.S == 0) return Pack(alpha, int(hsl.L), int(hsl.L), int(hsl.L));
  const double hue = double(((int(hsl.H) + hue_step) % 256 + 256) % 256);
  const double q = hsl.L < 128 ? hsl.L * (255 + hsl.S) / 255 : hsl.L + hsl.S - hsl.L * hsl.S / 255;
  const double p = 2 * hsl.L - q;
  return Pack(alpha, ToByte(HueChannel(p, q, hue + 85)), ToByte(HueChannel(p, q, hue)),
              ToByte(HueChannel(p, q, hue - 85)));
}

void DrawPiece(TBitmap& target, const TBitmap& source, TPoint from, TPoint size, TPoint to, const TRect& clip,
               bool blend) {
  // The destination area, cut down by everything that limits it, then mapped back.
  TRect area{to.X, to.Y, to.X + size.X, to.Y + size.Y};
  area = IntersectRect(area, clip);
  area = IntersectRect(area, RectOfSize(target.Width(), target.Height()));
  area = IntersectRect(area, OffsetRect(RectOfSize(source.Width(), source.Height()), to.X - from.X, to.Y - from.Y));
  if (area.IsEmpty()) return;
  for (int y = area.Top; y < area.Bottom; ++y) {
    const auto* in = reinterpret_cast<const uint32_t*>(source.Row(y - to.Y + from.Y)) + (from.X - to.X);
    auto* out = reinterpret_cast<uint32_t*>(target.Row(y));
    for (int x = area.Left; x < area.Right; ++x) out[x] = blend ? BlendSourceOver(in[x], out[x]) : in[x];
  }
}

}  // namespace orv
