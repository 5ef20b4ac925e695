#include "show/transition_pool.h"

#include <numeric>
#include <utility>

#include "base/assertions.h"
#include "base/text.h"
#include "transitions/effect_readers.h"

namespace orv {

TTransitionPool::TTransitionPool(const TORVEffectManager& manager, TRandomGenerator& random) : FRandom(random) {
  for (int i = 0; i < manager.Count(); ++i)
    if (manager.EntryAt(i)->EnabledState() != TEffectProp::esNone) AddEntry(*manager.EntryAt(i));
  FOrder.resize(FEffects.size());
  std::iota(FOrder.begin(), FOrder.end(), 0);
  Shuffle();
}

void TTransitionPool::AddEntry(const TEffectProp& entry) {
  const std::string kind_name = entry.KindName();
  if (const auto kind = BuiltInKindOf(kind_name)) {
    if (Ref<TOrvEffect> effect = ReadBuiltInEffect(*kind, entry)) FEffects.push_back(std::move(effect));
    return;
  }
  if (!SameTextAscii(kind_name, "custom")) return;
  for (int variant = 0; variant < entry.VariantCount(); ++variant)
    if (entry.VariantEnabled(variant) && !entry.VariantSection(variant).empty())
      FEffects.push_back(MakeCustomEffect(entry, variant));
}

// Fisher–Yates: every order is equally likely.
void TTransitionPool::Shuffle() {
  FRandom.Reseed();
  const uint32_t count = static_cast<uint32_t>(FOrder.size());
  for (uint32_t i = 0; i + 1 < count; ++i) {
    const uint32_t j = i + FRandom.Below(count - i);
    if (j != i) std::swap(FOrder[i], FOrder[j]);
  }
}

int TTransitionPool::PickVariant(int variants) {
  int variant = static_cast<int>(FRandom.Below(static_cast<uint32_t>(variants)));
  // On an odd turn the variant is made even, on an even turn odd.
  if ((variant % 2 == 1) == FOddTurn && ++variant == variants) variant = 0;
  FOddTurn = !FOddTurn;
  return variant;
}

Ref<TOrvEffect> TTransitionPool::Pick() {
  if (FEffects.empty()) return nullptr;
  const size_t k = FPickCount++ % FEffects.size();
  if (k == 0) Shuffle();
  const TOrvEffect& entry = *FEffects[FOrder[k]];
  ORV_ASSERT(entry.Variants > 0, "Transition without variants in the pool");
  return entry.WithOnlyVariant(PickVariant(entry.Variants));
}

}  // namespace orv
