#include "text/glyph_cache.h"

namespace orv {

void TFontCache::SetIdentity(const std::string& identity) {
  std::lock_guard lock(FLock);
  if (identity == FIdentity) return;
  FIdentity = identity;
  FFonts.clear();
}

TGlyphRef TFontCache::Find(WideView font_key, uint16_t index) const {
  std::lock_guard lock(FLock);
  const auto font = FFonts.find(WideString(font_key));
  if (font == FFonts.end()) return nullptr;
  const auto glyph = font->second.find(index);
  return glyph == font->second.end() ? nullptr : glyph->second;
}

bool TFontCache::HasFont(WideView font_key) const {
  std::lock_guard lock(FLock);
  return FFonts.contains(WideString(font_key));
}

void TFontCache::AddFont(WideView font_key) {
  std::lock_guard lock(FLock);
  FFonts.try_emplace(WideString(font_key));
}

TGlyphRef TFontCache::Add(WideView font_key, TGlyphData glyph) {
  std::lock_guard lock(FLock);
  TGlyphCache& font = FFonts[WideString(font_key)];
  auto [slot, added] = font.try_emplace(glyph.Index);
  if (added) slot->second = std::make_shared<const TGlyphData>(std::move(glyph));
  return slot->second;
}

void TFontCache::Clear() {
  std::lock_guard lock(FLock);
  FFonts.clear();
}

TFontCache& FontCache() {
  static TFontCache cache;
  return cache;
}

}  // namespace orv
