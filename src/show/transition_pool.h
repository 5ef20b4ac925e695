// The transitions a show picks from at random for slides that leave the choice to the
// player ("default" and "defowntime"): one effect per enabled catalogue entry, visited in
// a shuffled order that is shuffled anew after every full run through the pool.
#pragma once

#include <cstdint>
#include <vector>

#include "base/ref_object.h"
#include "show/random_generator.h"
#include "transitions/effect.h"
#include "transitions/effect_manager.h"

namespace orv {

class TTransitionPool {
public:
  TTransitionPool(const TORVEffectManager& manager, TRandomGenerator& random);

  int Count() const noexcept { return static_cast<int>(FEffects.size()); }
  const TOrvEffect& At(int index) const { return *FEffects.at(index); }

  // The next entry of the order with one of its variants; nothing when the pool is empty.
  // Consecutive picks alternate between even and odd variants, and neighbouring variants
  // are mirror images, so consecutive transitions run different ways.
  Ref<TOrvEffect> Pick();

private:
  void AddEntry(const TEffectProp& entry);
  void Shuffle();
  int PickVariant(int variants);

  TRandomGenerator& FRandom;
  std::vector<Ref<TOrvEffect>> FEffects;
  std::vector<int> FOrder;
  uint64_t FPickCount = 0;
  bool FOddTurn = false;
};

}  // namespace orv
