// The slides the show needs now and next, built one at a time ahead of the show time and
// freed once they are out of the window (but never the last one left).
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "base/ref_object.h"
#include "show/slide_producer.h"

namespace orv {

class TSlideCache : public TRefObject {
public:
  static constexpr int kMaxCapacity = 3;

  // Capacity 1 … 3 and a producer are required (assertion).
  TSlideCache(Ref<TSlideProducer> producer, int capacity);

  // One loading pass for the show time: evicts the slides outside the window, then builds
  // the first missing one. True when a slide was built.
  bool Update(double time);

  // Sorted by slide index.
  std::span<const Ref<TDrawContainer>> Containers() const noexcept { return FContainers; }
  TSlideProducer& Producer() const noexcept { return *FProducer; }

  // After every change of the list, before an evicted container is freed.
  std::function<void()> OnListChanged;
  // With every container built, before it joins the list.
  std::function<void(TDrawContainer&)> OnSlideBuilt;

protected:
  void Dispose() override;

private:
  void Evict(const TSlideWindow& window);
  void Insert(Ref<TDrawContainer> container);
  bool Holds(int index) const;
  void ListChanged() const;

  Ref<TSlideProducer> FProducer;
  int FCapacity;
  std::vector<Ref<TDrawContainer>> FContainers;
};

}  // namespace orv
