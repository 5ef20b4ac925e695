// Decoding a catalogue entry or a slide reference into the parameters of its transition.
#pragma once

#include "base/ref_object.h"
#include "transitions/effect.h"
#include "transitions/effect_prop.h"

namespace orv {

// Reads every parameter of a built-in kind (not Custom) through `prop`'s value lookup, so a
// slide reference contributes its own overrides. Nothing when no variant is enabled.
Ref<TOrvEffect> ReadBuiltInEffect(TEffectKind kind, const TEffectProp& prop);

// A custom transition playing variant `variant` of `prop`: its section is a completed copy
// of the variant's "effect_…" section, or none when the project lacks that section.
Ref<TOrvEffect> MakeCustomEffect(const TEffectProp& prop, int variant);
// The same with the first enabled variant; without any, an effect without a section.
Ref<TOrvEffect> MakeFirstCustomEffect(const TEffectProp& prop);

}  // namespace orv
