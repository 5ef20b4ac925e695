// Transition renderers: given the progress of a slide change, they draw what the incoming
// slide (or, reversed, the outgoing one) shows of itself over the other one.
#pragma once

#include "base/ref_object.h"
#include "render/render_types.h"

namespace orv {

class TEffTile;

class TDrawFilter : public TRefObject {
public:
  // Stores the frame (pixels), the soft-edge width (pixels) and the duration (ms); the
  // transition starts again at its beginning.
  virtual void Init(const TRectF& frame, float soft_width, double duration);
  // The time into the transition, held within 0 … duration.
  virtual void SetTime(double elapsed);
  // Draws the current state onto `canvas`.
  virtual void Render(TEffTile& canvas) = 0;
  // Passed down from the root draw item.
  virtual void Notify(int /*message*/) {}

  // 0 … 1.
  double Progress() const { return FElapsed * FReciprocal; }
  const TRectF& Frame() const { return FFrame; }
  float SoftWidth() const { return FSoftWidth; }
  double Duration() const { return FDuration; }

  // Where the frame goes on the target, set by the draw manager for every frame.
  TRectF Output;
  // The mask applies to the outgoing slide instead of the incoming one.
  bool Reversed = false;

private:
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
