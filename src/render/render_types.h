// Geometry, colours and vertices shared by every layer of the renderer.
#pragma once

#include <cmath>
#include <cstdint>

namespace orv {

struct TPointF {
  float X = 0;
  float Y = 0;

  friend constexpr TPointF operator+(TPointF a, TPointF b) { return {a.X + b.X, a.Y + b.Y}; }
  friend constexpr TPointF operator-(TPointF a, TPointF b) { return {a.X - b.X, a.Y - b.Y}; }
  friend constexpr TPointF operator*(TPointF a, float k) { return {a.X * k, a.Y * k}; }
  friend constexpr bool operator==(TPointF, TPointF) = default;
  float Length() const { return std::hypot(X, Y); }
};

struct TRectF {
  float Left = 0;
  float Top = 0;
  float Right = 0;
  float Bottom = 0;

  constexpr float Width() const { return Right - Left; }
  constexpr float Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return !(Right > Left && Bottom > Top); }
  friend constexpr bool operator==(const TRectF&, const TRectF&) = default;
};

constexpr TRectF Intersection(const TRectF& a, const TRectF& b) {
  return TRectF{a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
                a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
}

struct TPoint3F {
  float X = 0;
  float Y = 0;
  float Z = 0;

  friend constexpr TPoint3F operator+(TPoint3F a, TPoint3F b) { return {a.X + b.X, a.Y + b.Y, a.Z + b.Z}; }
  friend constexpr TPoint3F operator-(TPoint3F a, TPoint3F b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
  friend constexpr TPoint3F operator*(TPoint3F a, float k) { return {a.X * k, a.Y * k, a.Z * k}; }
  friend constexpr bool operator==(TPoint3F, TPoint3F) = default;
  float Length() const { return std::sqrt(X * X + Y * Y + Z * Z); }
};

// A placed parallelogram in screen space: Origin + u * XAxis + v * YAxis for u, v in 0..1.
struct TQuadFrame {
  TPoint3F Origin;
  TPoint3F XAxis;
  TPoint3F YAxis;

  constexpr TPoint3F At(float u, float v) const { return Origin + XAxis * u + YAxis * v; }
};

// An upright rectangle of the screen plane as a frame.
constexpr TQuadFrame FrameOf(const TRectF& r) {
  return TQuadFrame{{r.Left, r.Top, 0}, {r.Width(), 0, 0}, {0, r.Height(), 0}};
}

// 0xAARRGGBB.
using TColor32 = std::uint32_t;

constexpr TColor32 MakeColor(int r, int g, int b, int a = 255) {
  return (TColor32(a & 255) << 24) | (TColor32(r & 255) << 16) | (TColor32(g & 255) << 8) | TColor32(b & 255);
}
constexpr int AlphaOf(TColor32 c) { return int(c >> 24); }
constexpr int RedOf(TColor32 c) { return int((c >> 16) & 255); }
constexpr int GreenOf(TColor32 c) { return int((c >> 8) & 255); }
constexpr int BlueOf(TColor32 c) { return int(c & 255); }

// Vertex colours reach the device premultiplied: red, green and blue are scaled by
// alpha / 255 and rounded, so blending adds colour without a second multiplication.
constexpr TColor32 PremultipliedColor(TColor32 c) {
  const int a = AlphaOf(c);
  const auto scale = [a](int v) { return (v * a + 127) / 255; };
  return MakeColor(scale(RedOf(c)), scale(GreenOf(c)), scale(BlueOf(c)), a);
}

// The colour with its alpha multiplied by `opacity` (0..1).
inline TColor32 WithOpacity(TColor32 c, float opacity) {
  const float k = opacity < 0 ? 0 : opacity > 1 ? 1 : opacity;
  return (c & 0x00FFFFFFu) | (TColor32(std::lround(AlphaOf(c) * k)) << 24);
}

// Screen space: x to the right, y down, one unit a pixel in the plane z = 0; larger z
// lies farther away and shows smaller. The colour is premultiplied; (U, V) addresses the
// first texture, (U2, V2) the second one (masks, planes of another size).
struct T3DVertex {
  float X = 0;
  float Y = 0;
  float Z = 0;
  TColor32 Color = 0xFFFFFFFFu;
  float U = 0;
  float V = 0;
  float U2 = 0;
  float V2 = 0;
};

// How objects ask for their pictures to be sampled.
enum class TImageFiltering : std::uint8_t { Nearest = 0, Bilinear = 1, Default = 2 };

}  // namespace orv
