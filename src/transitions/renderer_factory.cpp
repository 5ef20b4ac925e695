#include "transitions/renderer_factory.h"

namespace orv {

Ref<TDrawFilter> CreateRenderer(const TRectF& frame, const TOrvEffect* effect, float smoothness, double duration) {
  if (!effect) return nullptr;
  // Every kind is a cross-fade for now: the shapes, sweeps, mosaics and 3D kinds have no
  // renderer of their own yet.
  Ref<TDrawFilter> renderer = MakeRef<TAlphaFilter>();
  renderer->Init(frame, frame.Width() * smoothness, duration);
  return renderer;
}

}  // namespace orv
