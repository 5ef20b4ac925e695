#include "transitions/orv_filter.h"

#include "base/log.h"
#include "transitions/d3d_effecter.h"
#include "transitions/draw_filter.h"
#include "transitions/renderer_factory.h"

namespace orv {

namespace {

TRectF FloatRect(const TRect& r) { return TRectF{float(r.Left), float(r.Top), float(r.Right), float(r.Bottom)}; }

void DrawOnly(TDeviceDrawer& drawer, TDrawItem* item) {
  if (item) item->Draw(drawer);
}

}  // namespace

TOrvFilter::TOrvFilter(Ref<TOrvEffect> effect, double duration, float smoothness, Ref<TOrvSlide> effect_slide)
    : FEffect(std::move(effect)), FDuration(duration), FSmoothness(smoothness), FEffectSlide(std::move(effect_slide)) {}

TOrvFilter::~TOrvFilter() = default;

void TOrvFilter::DrawTransition(TDeviceDrawer& drawer, TDrawItem* a, TDrawItem* b) {
  auto* manager = dynamic_cast<T3DDrawer*>(&drawer);
  if (!Running() || !manager) return DrawOnly(drawer, b);
  TCustomD3DEffecter& effecter = TCustomD3DEffecter::Of(*manager);
  TEffecterFrame frame(effecter);
  // A frame wholly off the screen shows nothing to mix.
  if (effecter.Frame().IsEmpty()) return DrawOnly(drawer, b);
  TDrawFilter* renderer = RendererFor(FloatRect(effecter.Frame()));
  if (!renderer) return DrawOnly(drawer, b);
  renderer->SetTime(FElapsed);
  if (renderer->Compose(effecter, a, b)) return;
  if (!FFailureLogged) Log().Write("Transition not drawn: no render target for the slide");
  FFailureLogged = true;
  DrawOnly(drawer, b);
}

TDrawFilter* TOrvFilter::RendererFor(const TRectF& frame) {
  if (!FRendererMade) {
    FRenderer = CreateRenderer(frame, FEffect.Get(), FSmoothness, FDuration, FEffectSlide);
    FRendererMade = true;
  } else if (FRenderer && !(FRenderer->Frame() == frame)) {
    // The window changed size: the renderer's geometry follows the new frame.
    FRenderer->Init(frame, frame.Width() * FSmoothness, FDuration);
  }
  return FRenderer.Get();
}

void TOrvFilter::Notify(int message) {
  if (FRenderer) FRenderer->Notify(message);
}

}  // namespace orv
