// How the print dialog looks: drawn with cairo into a picture the overlay shows over the
// show.
#pragma once

#include "app/print/print_dialog.h"
#include "image/bitmap.h"

namespace orv {

// The dialog as it stands, Width() × Height() pixels, opaque.
Ref<TBitmap> RenderPrintDialog(const TOrvPrintDialog& dialog);

}  // namespace orv
