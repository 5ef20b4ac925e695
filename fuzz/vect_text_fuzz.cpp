// "VectTxt2: " and "VectTextCache: " entries of arbitrary bytes; what they accept is laid
// out and drawn.
#include <cstdint>
#include <string_view>

#include "text/text_store.h"
#include "text/vect_text_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t half = size / 2;
  orv::TFontCache cache;
  orv::ParseVectTextCache(bytes.substr(half), cache);
  std::optional<orv::TStoredVectorText> stored = orv::ParseVectTxt2(bytes.substr(0, half));
  if (!stored) return 0;
  for (orv::TGlyphLine& line : stored->Lines)
    for (orv::TGlyphPointer& glyph : line) glyph.Glyph = cache.Find(glyph.FontKey, glyph.Index);
  const orv::TCachedVectorText text(std::move(stored->Lines), stored->Font);
  for (size_t i = 0; i < text.LineCount(); ++i) (void)text.LineMetrics(i);
  (void)orv::LayoutText(text, 0.5, 50);
  return 0;
}
