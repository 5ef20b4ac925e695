// The glyph source: shapes a line into positioned glyphs, outlines a glyph as a path and
// reports a font's metrics. Fonts are named by family and style; sizes are points at 96
// pixels per inch, so that layout does not depend on the screen.
#pragma once

#include <cstdint>
#include <vector>

#include "base/ref_object.h"
#include "base/text.h"
#include "text/vector_path.h"

namespace orv {

enum TFontStyleBits : uint32_t {
  kStyleBold = 1,
  kStyleItalic = 2,
  kStyleUnderline = 4,
  kStyleStrikeOut = 8,
};

struct TFontParams {
  WideString Name = u"Arial";
  float Size = 72;  // points
  uint32_t Style = 0;
  uint32_t Color = 0;  // carried along, not used for outlines
};

// "Bold", "Italic", "Underline", "StrikeOut" of the set bits, in that order, joined by ",".
WideString StyleWords(uint32_t style);
// The words of StyleWords back to bits; unknown words count for nothing.
uint32_t ParseStyleWords(WideView words);
// The font name, a colon and the style words: "Arial:Bold,Italic", "Arial:".
WideString FontKey(WideView name, uint32_t style);
// The font name and style bits of a key (the inverse of FontKey).
TFontParams FontOfKey(WideView key, float size);

// Pixels of the em at `points`: the platform's character height at 96 dpi.
int PixelsPerEm(float points);

struct TGlyphInfo {
  WideString FontKey;
  uint16_t Index = 0;
  float Size = 0;  // points
  int A = 0, B = 0, C = 0;  // ABC widths, pixels
  int Ascent = 0, Descent = 0;  // of the run's font
  int PenX = 0;  // pixels from the start of the line
};

struct TFontMetrics {
  int Ascent = 0;
  int Descent = 0;
  // Positions upward from the baseline, pixels.
  float UnderlinePosition = 0;
  float UnderlineThickness = 0;
  float StrikeOutPosition = 0;
  float StrikeOutThickness = 0;
};

class TVectorizer : public TRefObject {
public:
  // The glyphs of one line in visual order, in the font or, for what it lacks, in
  // fallback fonts.
  virtual std::vector<TGlyphInfo> Shape(const TFontParams& font, WideView line) = 0;
  // The outline in pixels relative to the pen position; empty when it cannot be made.
  virtual TPath GlyphOutline(const TGlyphInfo& glyph) = 0;
  virtual TFontMetrics FontMetrics(const TFontParams& font) = 0;
  // The font has outlines.
  virtual bool IsScalable(const TFontParams& font) = 0;
};

}  // namespace orv
