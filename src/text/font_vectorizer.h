// The glyph source over the installed fonts: fontconfig finds the families, FriBidi orders
// right-to-left text, HarfBuzz shapes each run and FreeType gives outlines and metrics.
// Characters the requested font lacks come from a fixed list of fallback fonts; characters
// no font has are drawn as one fixed symbol.
#pragma once

#include "text/vectorizer.h"

namespace orv {

// The process-wide glyph source (thread-safe: it locks its fonts itself).
TVectorizer& InstalledFonts();

// The families tried, in order, for characters the requested font lacks: those of the
// fixed list that are installed.
std::vector<WideString> FallbackFamilies();

// The font key of the symbol drawn for characters no font has.
WideString MissingGlyphFontKey();

}  // namespace orv
