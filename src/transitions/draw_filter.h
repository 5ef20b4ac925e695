// Transition renderers: given the progress of a slide change, they compose the frame from
// the outgoing slide A and the incoming slide B. Most draw one slide plainly and describe
// what shows of the other as a mask; the others move, turn or roll the slides.
#pragma once

#include "base/rect.h"
#include "base/ref_object.h"
#include "render/render_types.h"

namespace orv {

class TDrawFilter;
class TDrawItem;
class TEffTile;
class T3DSurface;
class TImage;

// What a renderer composes a transition frame with. Everything stays within the slide
// frame; a slide rendered by Prepare lasts until the end of the frame.
class TTransitionCanvas {
public:
  // The slide as it shows on the screen.
  virtual void DrawPlain(TDrawItem& slide) = 0;
  // The slide as it shows on the screen, only within `area` (pixels of the frame).
  virtual void DrawWithin(TDrawItem& slide, const TRect& area) = 0;
  // The slide moved by `offset` pixels.
  virtual void DrawMoved(TDrawItem& slide, TPoint offset) = 0;
  // The slide rendered into a texture of the frame (at most two per frame), or only the
  // `part` of it that will be drawn from; null when no render target can be had.
  virtual T3DSurface* Prepare(TDrawItem& slide, const TRectF* part = nullptr) = 0;
  // A prepared slide in place, faded by the mask the renderer draws on a mask canvas.
  virtual void DrawMasked(T3DSurface& slide, TDrawFilter& renderer) = 0;
  // A prepared slide as the renderer places it in 3D (placed triangles on the frame's tile).
  virtual void DrawPlaced(T3DSurface& slide, TDrawFilter& renderer) = 0;
  // The frame in one opaque colour.
  virtual void FillFrame(TColor32 colour) = 0;
  // Until ClearSlidePictures, `picture` is drawn from a prepared slide (its whole area
  // showing the slide frame) instead of from its own pixels; a null slide shows nothing.
  virtual void ShowSlideAs(const TImage& picture, T3DSurface* slide) = 0;
  virtual void ClearSlidePictures() = 0;

protected:
  ~TTransitionCanvas() = default;
};

class TDrawFilter : public TRefObject {
public:
  // Stores the frame (pixels), the soft-edge width (pixels) and the duration (ms); the
  // transition starts again at its beginning.
  virtual void Init(const TRectF& frame, float soft_width, double duration);
  // The time into the transition, held within 0 … duration.
  virtual void SetTime(double elapsed);
  // Draws the current state onto `canvas`: mask polygons, or placed triangles for the
  // renderers that move slides in 3D.
  virtual void Render(TEffTile& canvas) = 0;
  // Composes the frame from `a` and `b` (either may be missing); false when a slide
  // could not be prepared (nothing is drawn then). Mask renderers draw one slide plainly
  // and the other through their mask.
  virtual bool Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b);
  // Passed down from the root draw item.
  virtual void Notify(int /*message*/) {}
  // The part of the frame the current geometry draws from (empty when it draws nothing).
  TRectF GeometryBounds();

  // 0 … 1; 0 all through a transition without duration.
  double Progress() const { return FElapsed * FReciprocal; }
  const TRectF& Frame() const { return FFrame; }
  float SoftWidth() const { return FSoftWidth; }
  double Duration() const { return FDuration; }

  // Where the frame goes on the target, set by the draw manager for every frame.
  TRectF Output;
  // The mask applies to the outgoing slide instead of the incoming one.
  bool Reversed = false;

protected:
  // The renderer places its slide with placed triangles instead of masking it in place.
  virtual bool PlacesSlide() const { return false; }
  // Whole pixels where the mask is 255 now: there the masked slide is drawn directly, and
  // Render leaves them out while SolidApart() holds. None unless a renderer knows them.
  virtual TRect SolidPixels() const { return {}; }
  bool SolidApart() const { return FSolidApart; }

private:
  // Draws the plain slide where the solid pixels do not hide it.
  void DrawAround(TTransitionCanvas& canvas, TDrawItem& plain, const TRect& solid) const;
  TRect FramePixels() const;

  bool FSolidApart = false;
  TRectF FFrame;
  float FSoftWidth = 0;
  double FDuration = 0;
  double FReciprocal = 0;
  double FElapsed = 0;
};

// The cross-fade: the masked slide shows everywhere at the progress.
class TAlphaFilter : public TDrawFilter {
public:
  void Render(TEffTile& canvas) override;
  // The mask value at the current progress, 0 … 255.
  float Alpha() const;
};

}  // namespace orv
