// The show's logo: a picture laid over every slide at one of the frame's nine anchors, its
// height a share of the frame's. It is reduced once when loaded, so that the renderer never
// gets a picture much larger than it shows.
#pragma once

#include "base/rect.h"
#include "image/image.h"
#include "package/file_accessor.h"
#include "project/ini_values.h"
#include "project/show_options.h"

namespace orv {

// The size the picture is kept at: halved (rounding up) while both sides stay more than twice
// the shown size, the height being `logo_size` percent of `frame_height` and the width by the
// picture's aspect. Never below one pixel, and it ends for any size.
TIntPair LogoKeptSize(TIntPair picture, int frame_height, double logo_size);

// Where the logo of a `picture`-sized picture lies in `frame`: its height is "opt_logo_size"
// percent of the frame's, its width by the picture's aspect stretched by `pixel_factor`.
TRect LogoRect(TIntPair picture, const TRect& frame, const TShowOptions& options, double pixel_factor);

// The logo picture through the accessor, reduced to its kept size. Nothing when the accessor
// has no picture at all (not even the placeholder of a missing file).
Ref<TImage> LoadLogo(TFileAccessor& accessor, const TShowOptions& options, int frame_height);

}  // namespace orv
