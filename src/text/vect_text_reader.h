// Pre-vectorised text that the authoring tool stores in the show package: "VectTxt2: "
// entries hold the glyph layout of one text, "VectTextCache: " entries the outlines of one
// font key. Package bytes are untrusted: every count is bounded by the bytes left, and an
// entry that does not add up is refused whole.
#pragma once

#include <optional>
#include <string_view>

#include "text/vector_text.h"

namespace orv {

inline constexpr std::u16string_view kVectTxtPrefix = u"VectTxt2: ";
inline constexpr std::u16string_view kVectTextCachePrefix = u"VectTextCache: ";

struct TStoredVectorText {
  std::vector<TGlyphLine> Lines;  // glyph references not resolved yet
  TFontMetrics Font;
};

// A "VectTxt2: " entry; none when it is malformed.
std::optional<TStoredVectorText> ParseVectTxt2(std::string_view bytes);

// Adds the glyphs of a "VectTextCache: " entry to `cache` under the entry's own font key;
// false (nothing added) when it is malformed or names a path command outside the table.
bool ParseVectTextCache(std::string_view bytes, TFontCache& cache);

}  // namespace orv
