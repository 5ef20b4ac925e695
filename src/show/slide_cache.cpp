#include "show/slide_cache.h"

#include <algorithm>

#include "base/assertions.h"

namespace orv {

TSlideCache::TSlideCache(Ref<TSlideProducer> producer, int capacity)
    : FProducer(std::move(producer)), FCapacity(capacity) {
  ORV_ASSERT(bool(FProducer), "TSlideCache: Producer not Assigned");
  ORV_ASSERT(capacity >= 1 && capacity <= kMaxCapacity, "TSlideCache: Capacity out of range");
}

void TSlideCache::Dispose() {
  FContainers.clear();
  TRefObject::Dispose();
}

bool TSlideCache::Update(double time) {
  const TSlideWindow window = FProducer->NeededWindow(time, FCapacity);
  Evict(window);
  int missing = window.First;
  while (missing <= window.Last && Holds(missing)) ++missing;
  if (missing > window.Last) return false;
  Ref<TDrawContainer> built = FProducer->BuildContainer(missing);
  if (OnSlideBuilt) OnSlideBuilt(*built);
  Insert(std::move(built));
  ListChanged();
  return true;
}

void TSlideCache::Evict(const TSlideWindow& window) {
  for (size_t i = 0; i < FContainers.size() && FContainers.size() >= 2;) {
    if (window.Holds(FContainers[i]->SlideIndex)) {
      ++i;
      continue;
    }
    Ref<TDrawContainer> evicted = std::move(FContainers[i]);
    FContainers.erase(FContainers.begin() + ptrdiff_t(i));
    // The engine takes the new list before the slide goes.
    ListChanged();
  }
}

bool TSlideCache::Holds(int index) const {
  return std::any_of(FContainers.begin(), FContainers.end(),
                     [index](const Ref<TDrawContainer>& c) { return c->SlideIndex == index; });
}

void TSlideCache::Insert(Ref<TDrawContainer> container) {
  const auto place = std::find_if(FContainers.begin(), FContainers.end(), [&](const Ref<TDrawContainer>& c) {
    return c->SlideIndex > container->SlideIndex;
  });
  FContainers.insert(place, std::move(container));
}

void TSlideCache::ListChanged() const {
  if (OnListChanged) OnListChanged();
}

}  // namespace orv
