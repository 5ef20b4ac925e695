// Stretching a bitmap to another size by bilinear sampling: the logo's one reduction and the
// stretched pieces of the navigation bars' pictures.
#pragma once

#include "image/bitmap.h"

namespace orv {

// `source` as "A8R8G8B8" at `width` × `height`: destination pixel i samples the source at
// i × (source size − 1) / (destination size − 1) with weights in 16.16 fixed point; a side
// of one pixel samples the source's first row or column. Sides below one pixel give one.
Ref<TBitmap> StretchBilinear(const TBitmap& source, int width, int height);

}  // namespace orv
