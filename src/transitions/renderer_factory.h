// Which renderer draws a transition.
#pragma once

#include "render/render_types.h"
#include "transitions/draw_filter.h"
#include "transitions/effect.h"

namespace orv {

// The renderer of `effect` initialised for `frame` (pixels), with a soft edge of the frame
// width × `smoothness` and `duration` (ms); none without an effect.
Ref<TDrawFilter> CreateRenderer(const TRectF& frame, const TOrvEffect* effect, float smoothness, double duration);

}  // namespace orv
