// The process-wide glyph cache: outlines by font key and glyph index, shared by every text
// of the show, and the coverage of glyphs as filled at a scale and sub-pixel phase. The loader thread fills it while the drawing thread reads it, so every
// access takes its lock; the glyphs themselves are immutable once added.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "base/text.h"
#include "text/rasterizer.h"
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

// A glyph filled at one scale and one sub-pixel phase (sixteenths of a pixel). The key holds
// the glyph itself: its mask can never be taken for another glyph's.
struct TGlyphMaskKey {
  TGlyphRef Glyph;
  double Scale = 0;
  uint8_t PhaseX = 0, PhaseY = 0;
  friend bool operator==(const TGlyphMaskKey&, const TGlyphMaskKey&) = default;
};

using TGlyphMaskRef = std::shared_ptr<const TCoverageMask>;

class TFontCache {
public:
  // Filled glyphs are kept up to this many bytes; the oldest give way first.
  static constexpr size_t kDefaultMaskBudget = 16 << 20;
  explicit TFontCache(size_t mask_budget = kDefaultMaskBudget) : FMaskBudget(mask_budget) {}

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
  // The glyph's coverage as filled before, or none.
  TGlyphMaskRef FindMask(const TGlyphMaskKey& key) const;
  // Keeps the mask (unless one is kept for the key already) and returns the one kept.
  TGlyphMaskRef AddMask(TGlyphMaskKey key, TCoverageMask mask);
  size_t MaskBytes() const;
  void Clear();

private:
  struct TMaskKeyHash {
    size_t operator()(const TGlyphMaskKey& key) const noexcept;
  };
  using TGlyphCache = std::unordered_map<uint16_t, TGlyphRef>;
  void ForgetMasks();

  mutable std::mutex FLock;
  std::string FIdentity;
  std::unordered_map<WideString, TGlyphCache> FFonts;
  const size_t FMaskBudget;
  size_t FMaskBytes = 0;
  std::unordered_map<TGlyphMaskKey, TGlyphMaskRef, TMaskKeyHash> FMasks;
  std::deque<TGlyphMaskKey> FMaskOrder;  // oldest first
};

TFontCache& FontCache();

}  // namespace orv
