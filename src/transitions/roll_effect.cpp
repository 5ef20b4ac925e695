#include "transitions/roll_effect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "render/device.h"
#include "transitions/effect_tiles.h"

namespace orv {

namespace {

constexpr double kPi = std::numbers::pi;
// A roll line, and with it the tube, wraps at most this far.
constexpr double kMaxWrap = 3 * kPi / 2;

// The rollers' unit directions in the frame (x right, y down).
TPointF RollerHeading(int roller) {
  constexpr float h = std::numbers::sqrt2_v<float> / 2;
  static constexpr std::array<TPointF, 8> kHeadings = {TPointF{1, 0},  TPointF{-1, 0}, TPointF{0, -1}, TPointF{0, 1},
                                                       TPointF{h, h},  TPointF{h, -h}, TPointF{-h, h}, TPointF{-h, -h}};
  return kHeadings[roller - 1];
}

// Base 14 rolls from an edge, 15 from a corner; directions 5 … 8 repeat 3, 4, 1, 2.
int RollerOf(int base, int direction) {
  static constexpr std::array<int, 8> kEdge = {1, 4, 2, 3, 2, 3, 1, 4};
  static constexpr std::array<int, 8> kCorner = {5, 7, 8, 6, 8, 6, 5, 7};
  return (base == 15 ? kCorner : kEdge)[std::clamp(direction, 1, 8) - 1];
}

float Dot(TPointF a, TPointF b) { return a.X * b.X + a.Y * b.Y; }

// A convex polygon of at most eight points.
struct TSmallPolygon {
  std::array<TPointF, 8> Points;
  int Count = 0;
};

// Keeps the part of `in` where Dot(p, axis) is at least `at` (or at most, with `below`).
TSmallPolygon ClipHalf(const TSmallPolygon& in, TPointF axis, float at, bool below) {
  TSmallPolygon out;
  const auto side = [&](TPointF p) { return below ? at - Dot(p, axis) : Dot(p, axis) - at; };
  for (int i = 0; i < in.Count; ++i) {
    const TPointF p = in.Points[i];
    const TPointF q = in.Points[(i + 1) % in.Count];
    const float dp = side(p);
    const float dq = side(q);
    if (dp >= 0 && out.Count < 8) out.Points[out.Count++] = p;
    if (((dp < 0 && dq > 0) || (dp > 0 && dq < 0)) && out.Count < 8) out.Points[out.Count++] = p + (q - p) * (dp / (dp - dq));
  }
  return out;
}

}  // namespace

TRollEffect2::TRollEffect2(int base, int direction, const TRollOptions& options)
    : FRoller(RollerOf(base, direction)), FOptions(options), FHeading(RollerHeading(FRoller)) {
  Reversed = std::clamp(direction, 1, 8) > 4;
  FMaxAngle = FOptions.Pipe ? kMaxWrap : kPi;
}

void TRollEffect2::Init(const TRectF& frame, float soft_width, double duration) {
  TDrawFilter::Init(frame, soft_width, duration);
  // A roll wider than the frame would only spend strips outside it.
  FRadius = std::clamp(FOptions.Radius, 2.0f, std::max(2.0f, frame.Width() + frame.Height()));
  float low = 0;
  float high = 0;
  for (TPointF corner : {TPointF{0, 0}, TPointF{frame.Width(), 0}, TPointF{frame.Width(), frame.Height()},
                         TPointF{0, frame.Height()}}) {
    low = std::min(low, Dot(corner, FHeading));
    high = std::max(high, Dot(corner, FHeading));
  }
  // The roll starts just outside the frame, so that at first nothing of it shows.
  const float lead = FRadius * (FOptions.UseVolume ? float(kPi / 2) : 1.0f);
  FStart = Reversed ? high : low - lead;
  FEnd = Reversed ? low - lead : high;
  FLow = low;
  FHigh = high;
}

float TRollEffect2::Position() const { return FStart + (FEnd - FStart) * float(Progress()); }

double TRollEffect2::WrapAngle(float c) const { return std::min(double(c) / FRadius, FMaxAngle); }

TPlacedVertex TRollEffect2::Place(TPointF point) const {
  const TRectF& f = Frame();
  const float s = Dot(point - TPointF{f.Left, f.Top}, FHeading);
  const float c = s - Position();
  TPlacedVertex v{{point.X, point.Y, 0}, 0xFFFFFFFFu, point};
  if (c <= 0) return v;
  const float r = FRadius;
  const double theta = WrapAngle(c);
  const double beyond = c - r * theta;  // runs on along the tangent past the last wrap
  const float along = float(r * std::sin(theta) + std::cos(theta) * beyond);
  const float depth = -float(r * (1 - std::cos(theta)) + std::sin(theta) * beyond);
  const TPointF moved = point + FHeading * (along - c);
  // A volume of 0.125 gives the cylinder its own depth.
  const float z = FOptions.UseVolume ? depth * FOptions.Volume * 8 : 0;
  v.Position = {moved.X, moved.Y, std::max(z, -0.8f * CameraDistance(int(f.Height())))};
  const int shade = int(std::lround(50 + 205 * std::abs(std::cos(theta))));
  const TColor32 tint = FOptions.UseColor ? FOptions.Color : 0xFFFFFFFFu;
  v.Color = MakeColor(RedOf(tint) * shade / 255, GreenOf(tint) * shade / 255, BlueOf(tint) * shade / 255);
  return v;
}

void TRollEffect2::AddStrip(TEffTile& canvas, float from, float to) const {
  const TRectF& f = Frame();
  const TPointF origin{f.Left, f.Top};
  TSmallPolygon polygon;
  polygon.Points = {TPointF{f.Left, f.Top}, TPointF{f.Right, f.Top}, TPointF{f.Right, f.Bottom}, TPointF{f.Left, f.Bottom}};
  polygon.Count = 4;
  const float base = Dot(origin, FHeading);
  polygon = ClipHalf(polygon, FHeading, base + from, false);
  polygon = ClipHalf(polygon, FHeading, base + to, true);
  if (polygon.Count < 3) return;
  std::array<TPlacedVertex, 8> placed;
  for (int i = 0; i < polygon.Count; ++i) placed[i] = Place(polygon.Points[i]);
  canvas.AddPlacedTriangles(std::span(placed.data(), std::size_t(polygon.Count)));
}

// The flat part first, then the roll strip by strip as it wraps further round, then the
// sheet running on past the roll, which lies over the rest.
void TRollEffect2::Render(TEffTile& canvas) {
  const float r = FRadius;
  const float position = Position();
  const float far = std::max(Frame().Width(), Frame().Height()) * 2;
  AddStrip(canvas, position - far, position);
  const float wrapped = position + r * float(FMaxAngle);
  const float strip = r >= 100 ? 8.0f : std::max(3.0f, float(int(r) / 10));
  // Only the strips of the sheet that lies within the frame.
  const float last = std::min(wrapped, FHigh);
  for (float from = std::max(position, FLow); from < last; from += strip)
    AddStrip(canvas, from, std::min(from + strip, wrapped));
  // A tube hides the rest of the sheet, which runs on into the screen behind it.
  if (!FOptions.Pipe) AddStrip(canvas, wrapped, wrapped + far);
}

}  // namespace orv
