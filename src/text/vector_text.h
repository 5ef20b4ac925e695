// Laid-out text as outlines: per line the glyphs with their pen positions, each glyph an
// outline of the glyph cache, plus the font's ascent, descent and decoration metrics.
#pragma once

#include <vector>

#include "base/ref_object.h"
#include "text/glyph_cache.h"
#include "text/vectorizer.h"

namespace orv {

struct TGlyphPointer {
  WideString FontKey;
  uint16_t Index = 0;
  int PenX = 0;    // layout pixels
  float Size = 0;  // the point size the layout was made at
  TGlyphRef Glyph;  // none when the cache has no such glyph
};

using TGlyphLine = std::vector<TGlyphPointer>;

// Computed from a line's glyphs (layout pixels); see LineMetrics.
struct TLineMetrics {
  double LeftBearing = 0;   // 0 or negative
  double InkWidth = 0;
  double RightBearing = 0;  // 0 or negative
  double Advance = 0;
  double Ascent = 0;
  double Descent = 0;
};

// A glyph's box scaled to the size of its pointer.
struct TGlyphPlacement {
  double A = 0, B = 0, C = 0;
  double Ascent = 0, Descent = 0;
  double PenX = 0;
};

class TCachedVectorText : public TRefObject {
public:
  TCachedVectorText(std::vector<TGlyphLine> lines, const TFontMetrics& font);

  size_t LineCount() const noexcept { return FLines.size(); }
  const TGlyphLine& Line(size_t line) const { return FLines[line]; }
  const TFontMetrics& Font() const noexcept { return FFont; }
  // A line without glyphs (or none in the cache) has only the font's ascent and descent.
  TLineMetrics LineMetrics(size_t line) const;
  // The glyph's outline scale (pointer size / cached size), 0 without a glyph.
  static double GlyphScale(const TGlyphPointer& glyph);
  static TGlyphPlacement Placement(const TGlyphPointer& glyph);

private:
  std::vector<TGlyphLine> FLines;
  TFontMetrics FFont;
};

// The lines shaped by the glyph source at `font`; every glyph the cache lacks is outlined
// and added. A font without outlines is replaced by "Arial".
Ref<TCachedVectorText> VectorizeText(TVectorizer& source, TFontCache& cache, TFontParams font,
                                     const std::vector<WideString>& lines);

}  // namespace orv
