// The installed font files as FreeType and HarfBuzz see them: fontconfig resolves a family
// and style to a file, and each face is opened once for the process. Not thread-safe: the
// glyph source locks around every use.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <map>
#include <memory>
#include <string>

#include "text/vectorizer.h"

namespace orv {

// One opened face. Sizes are set per use.
class TFontFace {
public:
  TFontFace(FT_Face face, std::string family);
  ~TFontFace();
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

  const std::string& Family() const noexcept { return FFamily; }
  bool HasChar(char32_t c) const { return FT_Get_Char_Index(FFace, c) != 0; }
  uint16_t GlyphIndex(char32_t c) const { return uint16_t(FT_Get_Char_Index(FFace, c)); }
  bool IsScalable() const { return FT_IS_SCALABLE(FFace); }
  bool IsFixedPitch() const { return FT_IS_FIXED_WIDTH(FFace); }
  // The Windows rules: ascent and descent from the OS/2 table's Windows values, underline
  // from the "post" table, strike-out from OS/2; derived from ascent and descent when the
  // tables are missing.
  TFontMetrics Metrics(int pixels_per_em) const;
  // The HarfBuzz font at this size (26.6 units, unhinted).
  hb_font_t* ShapingFont(int pixels_per_em);
  // The unhinted outline at this size, y downward; empty when there is none.
  TPath Outline(uint16_t index, int pixels_per_em);

private:
  FT_Face FFace;
  hb_font_t* FShaping = nullptr;
  int FShapingSize = 0;
  std::string FFamily;
};

class TFontLibrary {
public:
  TFontLibrary();
  ~TFontLibrary();
  TFontLibrary(const TFontLibrary&) = delete;
  TFontLibrary& operator=(const TFontLibrary&) = delete;

  // The face fontconfig gives for the family (Windows names mapped to their metric-compatible
  // families) in bold and italic as the style asks; none when nothing can be opened.
  TFontFace* Face(WideView family, uint32_t style);
  // Whether an installed family has exactly this name (fontconfig would not substitute).
  bool HasFamily(const std::string& family);

private:
  std::string MatchFile(const std::string& family, uint32_t style, int& index);

  FT_Library FLibrary = nullptr;
  struct TFcConfig;
  std::unique_ptr<TFcConfig> FConfig;
  std::map<std::pair<WideString, uint32_t>, std::unique_ptr<TFontFace>> FFaces;
};

}  // namespace orv
