// A show's whole soundtrack as one composite description: the show's music from the start
// and each slide's comment and clip sounds from its slide's start, as the player places
// them. What `orvpack mix` writes and an exported video carries.
#pragma once

#include "audio/composite_description.h"
#include "show/music_source.h"

namespace orv {

// Everything that sounds from 0 to `to` ms of show time. The soundtrack lasts until its
// last sound ends (at least until `to`), so that the end of the span cuts no item short.
TCompositeParams Soundtrack(const TOrvMusicSource& music, double to);

// The soundtrack's description; empty when nothing sounds.
std::string SoundtrackDescription(const TOrvMusicSource& music, double to);

}  // namespace orv
