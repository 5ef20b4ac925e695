// The props side of loading one slide: the key timeline from the slide's place on the show
// timeline, the tree of the slide section's "Container" block, and "ScaleMode", which
// stretches key times authored for other slide times onto the real ones.
#pragma once

#include "project/ini_file.h"
#include "slide/key_frames.h"

namespace orv {

// The timeline key times refer to, for a slide shown from `start` to `end` (ms on the show
// timeline) with transitions of `effect_in` ms into it and `effect_next` ms out of it: the
// slide lasts until the end of its outgoing transition. Each term is rounded to whole ms.
TKeyTimes SlideKeyTimes(double start, double end, double effect_in, double effect_next);

// Loads the tree of `slide`'s block "Container" of class "Root" into `root` and applies the
// section's "ScaleMode"; false (and `root` untouched) when the section has no such block.
bool LoadSlideProps(TOrvObjectProps& root, const TIniSection& slide, const TKeyTimes& times);

}  // namespace orv
