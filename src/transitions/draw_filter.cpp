#include "transitions/draw_filter.h"

#include <algorithm>
#include <cmath>

#include "transitions/effect_tiles.h"

namespace orv {

void TDrawFilter::Init(const TRectF& frame, float soft_width, double duration) {
  FFrame = frame;
  Output = frame;
  FSoftWidth = soft_width;
  FDuration = duration;
  FReciprocal = duration > 0 ? 1 / duration : 0;
  FElapsed = 0;
}

void TDrawFilter::SetTime(double elapsed) { FElapsed = std::clamp(elapsed, 0.0, std::max(FDuration, 0.0)); }

TRectF TDrawFilter::GeometryBounds() {
  TBoundsTile bounds(FFrame);
  Render(bounds);
  return bounds.Bounds();
}

TRect TDrawFilter::FramePixels() const {
  return TRect{int(std::lround(FFrame.Left)), int(std::lround(FFrame.Top)), int(std::lround(FFrame.Right)),
               int(std::lround(FFrame.Bottom))};
}

namespace {

// The bounds of what `frame` keeps outside `solid` (which lies within it): a side of the
// frame when the solid part spans it from an edge, else the whole frame.
TRect AroundSolid(const TRect& frame, const TRect& solid) {
  if (solid.Top <= frame.Top && solid.Bottom >= frame.Bottom) {
    if (solid.Left <= frame.Left) return TRect{solid.Right, frame.Top, frame.Right, frame.Bottom};
    if (solid.Right >= frame.Right) return TRect{frame.Left, frame.Top, solid.Left, frame.Bottom};
  }
  if (solid.Left <= frame.Left && solid.Right >= frame.Right) {
    if (solid.Top <= frame.Top) return TRect{frame.Left, solid.Bottom, frame.Right, frame.Bottom};
    if (solid.Bottom >= frame.Bottom) return TRect{frame.Left, frame.Top, frame.Right, solid.Top};
  }
  return frame;
}

}  // namespace

void TDrawFilter::DrawAround(TTransitionCanvas& canvas, TDrawItem& plain, const TRect& solid) const {
  if (solid.IsEmpty()) return canvas.DrawPlain(plain);
  const TRect around = AroundSolid(FramePixels(), solid);
  if (!around.IsEmpty()) canvas.DrawWithin(plain, around);
}

// The masked slide is rendered into a texture only where the mask shows it partly: a
// wipe's or a growing shape's texture costs what its edge covers, and where the mask is
// whole the slide is drawn directly (the plain one is not drawn beneath it).
bool TDrawFilter::Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) {
  TDrawItem* plain = Reversed ? b : a;
  TDrawItem* masked = Reversed ? a : b;
  const TRect solid = masked && !PlacesSlide() ? IntersectRect(SolidPixels(), FramePixels()) : TRect{};
  FSolidApart = !solid.IsEmpty();
  const TRectF part = masked ? GeometryBounds() : TRectF{};
  T3DSurface* texture = part.IsEmpty() ? nullptr : canvas.Prepare(*masked, &part);
  if (!part.IsEmpty() && !texture) {
    FSolidApart = false;
    return false;
  }
  if (plain) DrawAround(canvas, *plain, FSolidApart ? solid : TRect{});
  if (FSolidApart) canvas.DrawWithin(*masked, solid);
  if (texture && PlacesSlide()) canvas.DrawPlaced(*texture, *this);
  if (texture && !PlacesSlide()) canvas.DrawMasked(*texture, *this);
  FSolidApart = false;
  return true;
}

float TAlphaFilter::Alpha() const { return std::clamp(float(Progress() * 255), 0.0f, 255.0f); }

void TAlphaFilter::Render(TEffTile& canvas) {
  const float a = Alpha();
  const TRectF& r = Output;
  const TMaskVertex quad[4] = {{r.Left, r.Top, a}, {r.Right, r.Top, a}, {r.Right, r.Bottom, a}, {r.Left, r.Bottom, a}};
  canvas.AddMaskTriangles(quad);
}

}  // namespace orv
