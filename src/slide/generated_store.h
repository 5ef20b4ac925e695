// Pictures the slide host makes rather than reads: the size is known at once, the pixels
// are made on the first request, and smaller levels come by halving, as for any picture.
#pragma once

#include <functional>

#include "image/bitmap_store.h"

namespace orv {

class TGeneratedStore : public TSysBitmapStore {
public:
  // Makes the first level; nothing when it cannot.
  using TMaker = std::function<Ref<TBitmap>()>;
  TGeneratedStore(WideString name, int width, int height, TMaker maker)
      : TSysBitmapStore(std::move(name), width, height, pf::A8R8G8B8, nullptr), FMaker(std::move(maker)) {}

protected:
  Ref<TBitmap> LoadLevel(int level) override { return level == 0 ? FMaker() : nullptr; }

private:
  TMaker FMaker;
};

}  // namespace orv
