// A one-page PDF document holding one picture: what a print job sends to the spooler.
#pragma once

#include <string>

#include "base/rect.h"
#include "image/bitmap.h"

namespace orv {

// The page is `page_width` × `page_height` dots at `dots_per_inch`; the picture is
// stretched into `place` (in dots). Throws Exception when the document cannot be made.
std::string PdfPageOfPicture(const TBitmap& picture, int page_width, int page_height, int dots_per_inch,
                             const TRect& place);

}  // namespace orv
