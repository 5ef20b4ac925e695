#include "transitions/draw_filter.h"

#include <algorithm>

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
  TBoundsTile bounds;
  Render(bounds);
  return bounds.Bounds();
}

// The masked slide is rendered only where the mask shows it: a wipe's or a growing shape's
// texture costs what it covers.
bool TDrawFilter::Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) {
  TDrawItem* plain = Reversed ? b : a;
  TDrawItem* masked = Reversed ? a : b;
  const TRectF part = masked ? GeometryBounds() : TRectF{};
  T3DSurface* texture = part.IsEmpty() ? nullptr : canvas.Prepare(*masked, &part);
  if (!part.IsEmpty() && !texture) return false;
  if (plain) canvas.DrawPlain(*plain);
  if (!texture) return true;
  if (PlacesSlide()) {
    canvas.DrawPlaced(*texture, *this);
  } else {
    canvas.DrawMasked(*texture, *this);
  }
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
