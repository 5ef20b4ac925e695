#include "image/placeholder.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <vector>

namespace orv {
namespace {

constexpr int kFontPixels = 32;
// A longer line keeps its first and last characters with an ellipsis between, so that the
// picture stays a reasonable width whatever the name.
constexpr size_t kMaxLineCharacters = 80;
constexpr char32_t kEllipsis = 0x2026;
constexpr int kMargin = kFontPixels / 2;
constexpr const char* kDefaultFace = "Arial";

std::vector<char32_t> CodePoints(const WideString& text) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    const bool pair = unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                      text[i + 1] < 0xE000;
    out.push_back(pair ? 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00) : unit);
  }
  return out;
}

std::vector<char32_t> Elided(std::vector<char32_t> line) {
  if (line.size() <= kMaxLineCharacters) return line;
  const size_t kept = (kMaxLineCharacters - 1) / 2;
  line.erase(line.begin() + ptrdiff_t(kept), line.end() - ptrdiff_t(kept));
  line.insert(line.begin() + ptrdiff_t(kept), kEllipsis);
  return line;
}

struct TFreeType {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~TFreeType() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
  bool Open(const std::string& font_file) {
    return FT_Init_FreeType(&library) == 0 && FT_New_Face(library, font_file.c_str(), 0, &face) == 0 &&
           FT_Set_Pixel_Sizes(face, 0, kFontPixels) == 0;
  }
  int LineWidth(const std::vector<char32_t>& line) const {
    int width = 0;
    for (char32_t c : line)
      if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0) width += int(face->glyph->advance.x >> 6);
    return width;
  }
};

// Blends the glyph's coverage onto the picture in the text colour.
void DrawGlyph(TBitmap& picture, const FT_GlyphSlot glyph, int pen_x, int baseline) {
  const FT_Bitmap& coverage = glyph->bitmap;
  const int left = pen_x + glyph->bitmap_left;
  const int top = baseline - glyph->bitmap_top;
  for (int gy = 0; gy < int(coverage.rows); ++gy) {
    const int y = top + gy;
    if (y < 0 || y >= picture.Height()) continue;
    for (int gx = 0; gx < int(coverage.width); ++gx) {
      const int x = left + gx;
      if (x < 0 || x >= picture.Width()) continue;
      const unsigned a = coverage.buffer[gy * coverage.pitch + gx];
      uint8_t* pixel = picture.Row(y) + 4 * x;
      for (int c = 0; c < 3; ++c) {
        const unsigned text = kPlaceholderTextColour >> (8 * c) & 255;
        pixel[c] = uint8_t((pixel[c] * (255 - a) + text * a + 127) / 255);
      }
    }
  }
}

// Asks a configuration of our own, released afterwards, so that nothing of fontconfig
// stays behind.
std::string MatchFontFile(const char* face) {
  std::string found;
  FcConfig* config = FcInitLoadConfigAndFonts();
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(face));
  if (config && pattern) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
      FcChar8* file = nullptr;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) found = reinterpret_cast<char*>(file);
      FcPatternDestroy(match);
    }
  }
  if (pattern) FcPatternDestroy(pattern);
  if (config) FcConfigDestroy(config);
  return found;
}

}  // namespace

const std::string& DefaultFontFile() {
  static const std::string path = MatchFontFile(kDefaultFace);
  return path;
}

Ref<TSysBitmapStore> MakePlaceholderPicture(const WideString& name, const WideString& first_line,
                                            const WideString& second_line) {
  TFreeType font;
  if (DefaultFontFile().empty() || !font.Open(DefaultFontFile())) return nullptr;
  const std::array<std::vector<char32_t>, 2> lines = {Elided(CodePoints(u" " + first_line + u" ")),
                                                      Elided(CodePoints(u" " + second_line + u" "))};
  const FT_Size_Metrics& metrics = font.face->size->metrics;
  const int line_height = int(metrics.height >> 6);
  const int ascender = int(metrics.ascender >> 6);
  const int width = std::max(font.LineWidth(lines[0]), font.LineWidth(lines[1])) + 2 * kMargin;
  const int height = 2 * line_height + 2 * kMargin;
  Ref<TBitmap> picture = TBitmap::Create(width, height, pf::A8R8G8B8);
  picture->Fill(kPlaceholderBackgroundColour);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int baseline = kMargin + ascender + int(i) * line_height;
    int pen_x = kMargin;
    for (char32_t c : lines[i]) {
      if (FT_Load_Char(font.face, c, FT_LOAD_RENDER) != 0) continue;
      DrawGlyph(*picture, font.face->glyph, pen_x, baseline);
      pen_x += int(font.face->glyph->advance.x >> 6);
    }
  }
  return MakeRef<TWrapperBitmapStore>(name, std::move(picture));
}

}  // namespace orv
