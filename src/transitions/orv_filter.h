// A slide's transition as the draw manager drives it: the effect the slide was given, how
// long it runs, and the renderer made from it on first use.
#pragma once

#include "base/ref_object.h"
#include "render/device_drawer.h"
#include "slide/orv_slide.h"
#include "transitions/effect.h"

namespace orv {

class TDrawFilter;

class TOrvFilter : public TFilterParams {
public:
  // `effect` may be none (the slide cuts in); `duration` in ms. A custom transition plays
  // `effect_slide`, built from its section.
  TOrvFilter(Ref<TOrvEffect> effect, double duration, float smoothness, Ref<TOrvSlide> effect_slide = nullptr);
  ~TOrvFilter() override;

  // The slide a custom transition plays; none for the other kinds. Its device resources
  // are prepared and released with those of the slide the transition leads into.
  const Ref<TOrvSlide>& EffectSlide() const noexcept { return FEffectSlide; }

  const Ref<TOrvEffect>& Effect() const noexcept { return FEffect; }
  double Duration() const noexcept { return FDuration; }
  float Smoothness() const noexcept { return FSmoothness; }

  // Time into the transition (ms), set for every frame by whoever selects the slides.
  double Elapsed() const noexcept { return FElapsed; }
  void SetElapsed(double elapsed) noexcept { FElapsed = elapsed; }
  // The transition shows: 0 ≤ elapsed < duration.
  bool Running() const noexcept { return FDuration > 0 && FElapsed >= 0 && FElapsed < FDuration; }

  // Draws the transition from `a` to `b` at the elapsed time; outside the run only `b`.
  void DrawTransition(TDeviceDrawer& drawer, TDrawItem* a, TDrawItem* b) override;
  void Notify(int message) override;

private:
  // The renderer for the frame, made on first use; none when the effect has none.
  TDrawFilter* RendererFor(const TRectF& frame);

  Ref<TOrvEffect> FEffect;
  double FDuration;
  float FSmoothness;
  double FElapsed = 0;
  Ref<TOrvSlide> FEffectSlide;
  Ref<TDrawFilter> FRenderer;  // made from the effect on first draw; none for an effect without one
  bool FRendererMade = false;
  bool FFailureLogged = false;
};

}  // namespace orv
