#include "text/vect_text_reader.h"

#include <cstring>

namespace orv {
namespace {

// Little-endian values from a byte span; a read past the end fails the reader.
class TByteReader {
public:
  explicit TByteReader(std::string_view bytes) : FBytes(bytes) {}

  bool Ok() const noexcept { return FOk; }
  size_t Left() const noexcept { return FBytes.size() - FPos; }

  template <class T>
  T Read() {
    T value{};
    if (!Take(sizeof(T))) return value;
    std::memcpy(&value, FBytes.data() + FPos - sizeof(T), sizeof(T));
    return value;
  }

  // A count of items of at least `item_size` bytes each that must still fit.
  size_t Count(size_t item_size) {
    const int32_t count = Read<int32_t>();
    if (count < 0 || size_t(count) > Left() / item_size) FOk = false;
    return FOk ? size_t(count) : 0;
  }

  WideString Utf16(size_t length) {
    WideString text(length, u'\0');
    if (Take(2 * length)) std::memcpy(text.data(), FBytes.data() + FPos - 2 * length, 2 * length);
    return text;
  }

private:
  bool Take(size_t size) {
    if (!FOk || size > Left()) {
      FOk = false;
      return false;
    }
    FPos += size;
    return true;
  }

  std::string_view FBytes;
  size_t FPos = 0;
  bool FOk = true;
};

constexpr size_t kStoredGlyphMinSize = 4 + 4 + 2 + 4;
constexpr size_t kCachedGlyphMinSize = 2 + 5 * 4 + 4 + 4;
constexpr size_t kPointSize = 12;

TFontMetrics ReadFontMetrics(TByteReader& in) {
  TFontMetrics font;
  font.Ascent = in.Read<int32_t>();
  font.Descent = in.Read<int32_t>();
  font.UnderlinePosition = in.Read<float>();
  font.UnderlineThickness = in.Read<float>();
  font.StrikeOutPosition = in.Read<float>();
  font.StrikeOutThickness = in.Read<float>();
  return font;
}

TGlyphPointer ReadGlyphPointer(TByteReader& in) {
  TGlyphPointer glyph;
  glyph.PenX = in.Read<int32_t>();
  glyph.Size = in.Read<float>();
  glyph.Index = in.Read<uint16_t>();
  glyph.FontKey = in.Utf16(in.Count(2));
  return glyph;
}

bool ReadPath(TByteReader& in, TPath& path) {
  const size_t count = in.Count(kPointSize);
  path.reserve(count);
  for (size_t i = 0; i < count && in.Ok(); ++i) {
    const float x = in.Read<float>();
    const float y = in.Read<float>();
    const int32_t command = in.Read<int32_t>();
    if (!IsPathCommand(command)) return false;
    path.push_back({x, y, TPathCommand(command)});
  }
  return in.Ok();
}

}  // namespace

std::optional<TStoredVectorText> ParseVectTxt2(std::string_view bytes) {
  TByteReader in(bytes);
  TStoredVectorText text;
  // Every line takes at least its glyph count.
  const size_t line_count = in.Count(4);
  text.Font = ReadFontMetrics(in);
  for (size_t line = 0; line < line_count && in.Ok(); ++line) {
    TGlyphLine& glyphs = text.Lines.emplace_back();
    const size_t glyph_count = in.Count(kStoredGlyphMinSize);
    for (size_t i = 0; i < glyph_count && in.Ok(); ++i) glyphs.push_back(ReadGlyphPointer(in));
  }
  if (!in.Ok()) return std::nullopt;
  return text;
}

bool ParseVectTextCache(std::string_view bytes, TFontCache& cache) {
  TByteReader in(bytes);
  const int32_t stored_count = in.Read<int32_t>();
  const WideString key = in.Utf16(in.Count(2));
  if (stored_count < 0 || size_t(stored_count) > in.Left() / kCachedGlyphMinSize) return false;
  std::vector<TGlyphData> glyphs(static_cast<size_t>(stored_count));
  for (TGlyphData& g : glyphs) {
    g.Index = in.Read<uint16_t>();
    g.A = in.Read<int32_t>();
    g.B = in.Read<int32_t>();
    g.C = in.Read<int32_t>();
    g.Ascent = in.Read<int32_t>();
    g.Descent = in.Read<int32_t>();
    g.Size = in.Read<float>();
    if (!ReadPath(in, g.Path)) return false;
  }
  if (!in.Ok()) return false;
  cache.AddFont(key);
  for (TGlyphData& glyph : glyphs) cache.Add(key, std::move(glyph));
  return true;
}

}  // namespace orv
