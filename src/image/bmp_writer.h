// Pictures written as Windows bitmap files: what a saved slide picture is when it is not
// the show's own JPEG file.
#pragma once

#include <string>

#include "image/bitmap.h"

namespace orv {

// A 24-bit, bottom-up BMP file of the picture (alpha dropped).
std::string BmpFileOf(const TBitmap& picture);

}  // namespace orv
