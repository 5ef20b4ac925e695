#include "transitions/motion_filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "render/device.h"
#include "transitions/ease.h"
#include "transitions/effect_tiles.h"

namespace orv {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr TColor32 kBehind = 0xFF000000u;

// The unit step of a direction 1 … 4: right, left, down, up.
TPoint DirectionStep(int direction) {
  static constexpr std::array<TPoint, 4> kSteps = {TPoint{1, 0}, TPoint{-1, 0}, TPoint{0, 1}, TPoint{0, -1}};
  return kSteps[std::clamp(direction, 1, 4) - 1];
}

// The four corners of the frame as placed vertices at their own places, in order round it.
std::array<TPlacedVertex, 4> FrameCorners(const TRectF& f) {
  std::array<TPlacedVertex, 4> corners;
  const TPointF points[4] = {{f.Left, f.Top}, {f.Right, f.Top}, {f.Right, f.Bottom}, {f.Left, f.Bottom}};
  for (int i = 0; i < 4; ++i) corners[i] = TPlacedVertex{{points[i].X, points[i].Y, 0}, 0xFFFFFFFFu, points[i]};
  return corners;
}

// Depths nearer the viewer than this would pass the eye: corners stop there.
float NearestDepth(const TRectF& frame) { return -0.8f * CameraDistance(int(frame.Height())); }

}  // namespace

// ---- TSlideFilter and TPushFilter ----

TSlideFilter::TSlideFilter(int direction) : FDirection(std::clamp(direction, 1, 4)) {}

TPoint TSlideFilter::OutgoingOffset() const {
  const TPoint step = DirectionStep(FDirection);
  const int dx = int(std::lround(Progress() * Frame().Width()));
  const int dy = int(std::lround(Progress() * Frame().Height()));
  return {step.X * dx, step.Y * dy};
}

// The incoming slide follows the outgoing one a frame behind, so they meet without a gap.
TPoint TSlideFilter::IncomingOffset() const {
  const TPoint step = DirectionStep(FDirection);
  const TPoint out = OutgoingOffset();
  return {out.X - step.X * int(Frame().Width()), out.Y - step.Y * int(Frame().Height())};
}

bool TSlideFilter::Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) {
  if (a) canvas.DrawPlain(*a);
  if (b) canvas.DrawMoved(*b, IncomingOffset());
  return true;
}

bool TPushFilter::Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) {
  if (a) canvas.DrawMoved(*a, OutgoingOffset());
  if (b) canvas.DrawMoved(*b, IncomingOffset());
  return true;
}

// ---- TOverturnEffect ----

TOverturnEffect::TOverturnEffect(int direction, bool nonlinear_speed, bool from_centre, float volume)
    : FDirection(std::clamp(direction, 1, 4)), FNonlinear(nonlinear_speed), FFromCentre(from_centre), FVolume(volume) {}

double TOverturnEffect::Angle() const { return kPi * (FNonlinear ? EaseInOut(Progress()) : Progress()); }

int TOverturnEffect::Brightness() const { return int(std::lround(std::abs(std::cos(Angle())) * 155 + 100)); }

bool TOverturnEffect::Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) {
  TDrawItem* shown = (Progress() < 0.5) != Reversed ? a : b;
  T3DSurface* texture = shown ? canvas.Prepare(*shown) : nullptr;
  if (shown && !texture) return false;
  canvas.FillFrame(kBehind);
  if (texture) canvas.DrawPlaced(*texture, *this);
  return true;
}

void TOverturnEffect::Render(TEffTile& canvas) {
  const TRectF& f = Output;
  const bool vertical_axis = FDirection <= 2;
  const double theta = (FDirection % 2 == 1 ? -1 : 1) * Angle();
  // Past the quarter turn the back is seen: the face is shown the right way round.
  const float sigma = std::abs(theta) < kPi / 2 ? 1.0f : -1.0f;
  const float half = (vertical_axis ? f.Width() : f.Height()) / 2;
  const float centre = vertical_axis ? (f.Left + f.Right) / 2 : (f.Top + f.Bottom) / 2;
  const float reach = float(std::cos(theta)) * half * sigma;
  const float z = float(std::sin(theta)) * half * FVolume * sigma;
  // Depth of the low edge (left or top) and of the high one.
  const float nearest = NearestDepth(f);
  const float z_low = std::max(FFromCentre ? -z : std::abs(z) - z, nearest);
  const float z_high = std::max(FFromCentre ? z : z + std::abs(z), nearest);
  const int shade = Brightness();
  std::array<TPlacedVertex, 4> quad = FrameCorners(f);
  for (TPlacedVertex& v : quad) {
    const bool low = vertical_axis ? v.Source.X == f.Left : v.Source.Y == f.Top;
    (vertical_axis ? v.Position.X : v.Position.Y) = centre + (low ? -reach : reach);
    v.Position.Z = low ? z_low : z_high;
    v.Color = MakeColor(shade, shade, shade);
  }
  canvas.AddPlacedTriangles(quad);
}

// ---- TTwoSlidesEffect ----

TTwoSlidesEffect::TTwoSlidesEffect(int direction, float depth, float distance, float angle)
    : FDirection(std::clamp(direction, 1, 4)), FDepth(depth), FDistance(distance), FAngle(double(angle) * kPi / 180) {}

bool TTwoSlidesEffect::IncomingOnTop() const { return (Progress() >= 0.5) != Reversed; }

bool TTwoSlidesEffect::Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) {
  T3DSurface* outgoing = a ? canvas.Prepare(*a) : nullptr;
  T3DSurface* incoming = b ? canvas.Prepare(*b) : nullptr;
  if ((a && !outgoing) || (b && !incoming)) return false;
  canvas.FillFrame(kBehind);
  const bool incoming_last = IncomingOnTop();
  for (const bool draw_incoming : {!incoming_last, incoming_last}) {
    T3DSurface* texture = draw_incoming ? incoming : outgoing;
    if (!texture) continue;
    FIncoming = draw_incoming;
    canvas.DrawPlaced(*texture, *this);
  }
  return true;
}

void TTwoSlidesEffect::Render(TEffTile& canvas) {
  const TRectF& f = Output;
  const double e = EaseInOut(Progress());
  // The outgoing slide moves by the direction's vector, the incoming one by its opposite.
  const double x = FIncoming ? 1 - e : e;
  const TPoint step = DirectionStep(FDirection);
  const float sign = FIncoming ? -1.0f : 1.0f;
  const float a = sign * float(step.X) * f.Width();
  const float b = sign * float(step.Y) * f.Height();
  const float swing = float(std::sin(kPi * x)) * FDistance;
  const float tilt = float(std::sin(x * FAngle));
  std::array<TPlacedVertex, 4> quad = FrameCorners(f);
  for (TPlacedVertex& v : quad) {
    const float x0 = v.Source.X - f.Left;
    const float y0 = v.Source.Y - f.Top;
    float z = float(x) * f.Height() * FDepth;
    if (a > 0) z += (a - x0) * tilt;
    if (a < 0) z += x0 * tilt;
    if (b > 0) z += (b - y0) * tilt;
    if (b < 0) z += y0 * tilt;
    v.Position = {v.Source.X + a * swing, v.Source.Y + b * swing, std::max(z, NearestDepth(f))};
  }
  canvas.AddPlacedTriangles(quad);
}

}  // namespace orv
