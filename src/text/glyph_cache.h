// The process-wide glyph cache: outlines by font key and glyph index, shared by every text
// of the show. The loader thread fills it while the drawing thread reads it, so every
// access takes its lock; the glyphs themselves are immutable once added.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "base/text.h"
#include "text/vector_path.h"

namespace orv {

struct TGlyphData {
  uint16_t Index = 0;
  float Size = 0;  // the point size the outline was made at
  int A = 0, B = 0, C = 0;
  int Ascent = 0, Descent = 0;
  TPath Path;
};

using TGlyphRef = std::shared_ptr<const TGlyphData>;

class TFontCache {
public:
  // Glyphs of one show never serve another: a different identity empties the cache.
  void SetIdentity(const std::string& identity);
  // The glyph, or none.
  TGlyphRef Find(WideView font_key, uint16_t index) const;
  // Whether any glyph of the font is cached.
  bool HasFont(WideView font_key) const;
  // Makes the font's cache, empty, when there is none: a font whose glyphs could not be had
  // is not looked for again.
  void AddFont(WideView font_key);
  // Adds the glyph unless one with its index is there; returns the cached one.
  TGlyphRef Add(WideView font_key, TGlyphData glyph);
  void Clear();

private:
  using TGlyphCache = std::unordered_map<uint16_t, TGlyphRef>;
  mutable std::mutex FLock;
  std::string FIdentity;
  std::unordered_map<WideString, TGlyphCache> FFonts;
};

TFontCache& FontCache();

}  // namespace orv
