// Shared body of the picture loader fuzzers: a loader either refuses the bytes and leaves
// the stream where it was, or gives a store whose levels decode to the size it promised.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "base/stream.h"
#include "image/bitmap_store.h"
#include "image/picture_limits.h"

namespace orv::fuzz {

using TLoader = Ref<TSysBitmapStore> (*)(TStream&, const WideString&, const THookFactory&);

inline void CheckLoader(const uint8_t* data, size_t size, TLoader loader, std::initializer_list<int> levels) {
  // Small pictures keep every run fast; the limit itself is what is under test.
  static const bool limited = (SetMaxPicturePixels(int64_t(1) << 20), true);
  (void)limited;
  TMemoryStream stream(std::string("pre") + std::string(reinterpret_cast<const char*>(data), size));
  stream.SetPosition(3);
  Ref<TSysBitmapStore> store = loader(stream, u"fuzz", {});
  if (!store) {
    if (stream.Position() != 3) std::abort();
    return;
  }
  for (int level : levels) {
    Ref<TBitmap> bitmap = store->GetLevel(level);
    const int scale = 1 << level;
    if (bitmap && (bitmap->Width() != (store->Width() + scale - 1) / scale ||
                   bitmap->Height() != (store->Height() + scale - 1) / scale))
      std::abort();
  }
}

}  // namespace orv::fuzz
