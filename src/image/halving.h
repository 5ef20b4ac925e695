// One step of the level pyramid: a bitmap of half the size whose every pixel is the
// 1 2 1 / 2 4 2 / 1 2 1 weighted average (divided by 16, truncated) of the source pixels
// around (2x, 2y), the edges clamped.
#pragma once

#include "image/bitmap.h"
#include "image/bitmap_store.h"

namespace orv {

// The source is "R8G8B8" or "A8R8G8B8" (every byte is averaged, alpha included). The
// result is ((w+1) div 2) × ((h+1) div 2) in the source's format; `progress` receives the
// fraction of rows done.
Ref<TBitmap> HalveBitmap(const TBitmap& source, const TProgressHandler& progress = {});

}  // namespace orv
