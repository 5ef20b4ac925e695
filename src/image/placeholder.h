// The picture shown where a picture (or a video) cannot be had: two lines of light grey
// text on dark grey, the first saying what went wrong, the second naming the file.
#pragma once

#include <string>

#include "image/bitmap_store.h"

namespace orv {

inline constexpr uint32_t kPlaceholderTextColour = 0xFFE6E6E6;        // 230, 230, 230
inline constexpr uint32_t kPlaceholderBackgroundColour = 0xFF646464;  // 100, 100, 100

// A store named `name` showing the two lines in the default font, each with one blank
// before and after it; a line of more than 80 characters keeps its first and last 39 with
// an ellipsis between. Nothing when no font can be found.
Ref<TSysBitmapStore> MakePlaceholderPicture(const WideString& name, const WideString& first_line,
                                            const WideString& second_line);

// The font file of the default face ("Arial", or what fontconfig offers for it).
const std::string& DefaultFontFile();

}  // namespace orv
