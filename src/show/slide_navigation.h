// Where keys and actions that move between slides take the show: the times of the next,
// the previous and a given slide on the show's timeline, in whole ms.
#pragma once

#include "base/text.h"
#include "show/orv_source.h"

namespace orv {

// The start of slide index `index`: its start rounded, plus 1 ms when it has no incoming
// transition (so that it shows complete), unless it is the end of a show that does not
// repeat. A negative index counts as 0.
int SlideStartTime(const TOrvSource& source, int index);

// The slide after the one at `time`: its start when it comes in with a transition (or
// the end of a show that does not repeat), 1 ms into it otherwise. A paused viewer goes
// to the end of the transition instead, so that it sees the slide complete. A repeating
// show goes on into its next pass.
int NextSlideTime(const TOrvSource& source, double time, bool paused);

// The slide before the one at `time`, at the moment it is fully shown; within half a
// second after that moment, one slide further back. Never before 0.
int PreviousSlideTime(const TOrvSource& source, double time);

// The index of the first slide whose identifier is exactly `id`; −1 when none has it.
int SlideIndexOfId(const TOrvSource& source, WideView id);

}  // namespace orv
