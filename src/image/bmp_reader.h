// Windows bitmap files: 1, 4 and 8 bits with a colour table (uncompressed, RLE8, RLE4),
// 16 bits (5-5-5 or 5-6-5), 24 and 32 bits, stored bottom-up or top-down.
#pragma once

#include "base/stream.h"
#include "image/bitmap_store.h"

namespace orv {

// The picture, or nothing with the stream back where it was. Output formats: "R8G8B8"
// for colour tables and 24 bits, "B5G5R5X1" or "B5G6R5" for 16 bits, "A8R8G8B8" for 32.
Ref<TBitmap> ReadWindowsBitmap(TStream& stream);

// The registry's loader: a store over the decoded picture.
Ref<TSysBitmapStore> LoadWindowsBitmap(TStream& stream, const WideString& name, const THookFactory& hooks);

}  // namespace orv
