// Which renderer draws a transition.
#pragma once

#include "render/render_types.h"
#include "slide/orv_slide.h"
#include "transitions/draw_filter.h"
#include "transitions/effect.h"

namespace orv {

// The renderer of `effect` initialised for `frame` (pixels), with a soft edge of the frame
// width × `smoothness` and `duration` (ms); none without an effect, or when the flags of
// its kind that choose a renderer are all off. A custom transition plays `effect_slide`;
// without it, it is a cross-fade.
Ref<TDrawFilter> CreateRenderer(const TRectF& frame, const TOrvEffect* effect, float smoothness, double duration,
                                Ref<TOrvSlide> effect_slide = nullptr);

}  // namespace orv
