#include "text/glyph_cache.h"

namespace orv {
namespace {

size_t BytesOf(const TCoverageMask& mask) { return mask.Cells.size() * sizeof(uint16_t) + sizeof(TCoverageMask); }

}  // namespace

void TFontCache::SetIdentity(const std::string& identity) {
  std::lock_guard lock(FLock);
  if (identity == FIdentity) return;
  FIdentity = identity;
  FFonts.clear();
  ForgetMasks();
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
  ForgetMasks();
}

void TFontCache::ForgetMasks() {
  FMasks.clear();
  FMaskOrder.clear();
  FMaskBytes = 0;
}

size_t TFontCache::TMaskKeyHash::operator()(const TGlyphMaskKey& key) const noexcept {
  size_t hash = std::hash<const TGlyphData*>()(key.Glyph.get());
  for (const size_t part : {std::hash<double>()(key.Scale), size_t(key.PhaseX) << 8 | key.PhaseY})
    hash = hash * 31 + part;
  return hash;
}

TGlyphMaskRef TFontCache::FindMask(const TGlyphMaskKey& key) const {
  std::lock_guard lock(FLock);
  const auto found = FMasks.find(key);
  return found == FMasks.end() ? nullptr : found->second;
}

TGlyphMaskRef TFontCache::AddMask(TGlyphMaskKey key, TCoverageMask mask) {
  const size_t bytes = BytesOf(mask);
  std::lock_guard lock(FLock);
  if (const auto found = FMasks.find(key); found != FMasks.end()) return found->second;
  auto kept = std::make_shared<const TCoverageMask>(std::move(mask));
  if (bytes > FMaskBudget) return kept;  // used once, never kept
  while (FMaskBytes + bytes > FMaskBudget) {
    const auto oldest = FMasks.find(FMaskOrder.front());
    FMaskBytes -= BytesOf(*oldest->second);
    FMasks.erase(oldest);
    FMaskOrder.pop_front();
  }
  FMaskOrder.push_back(key);
  FMasks.emplace(std::move(key), kept);
  FMaskBytes += bytes;
  return kept;
}

size_t TFontCache::MaskBytes() const {
  std::lock_guard lock(FLock);
  return FMaskBytes;
}

TFontCache& FontCache() {
  static TFontCache cache;
  return cache;
}

}  // namespace orv
