// text_render_ft FONTFILE TEXTFILE ROUNDS: the bar for our text pictures. A minimal
// HarfBuzz + FreeType program: it shapes each line of TEXTFILE at 48 pixels a em, renders
// every glyph with FreeType's antialiasing rasteriser (no glyph cache: each round loads and
// renders every glyph anew) and adds it into one 8-bit bitmap holding all lines. Prints the
// median milliseconds per round.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kPixelsPerEm = 48;

struct TShapedLine {
  std::vector<hb_glyph_info_t> Glyphs;
  std::vector<hb_glyph_position_t> Positions;
  long Width = 0;  // pixels
};

TShapedLine Shape(hb_font_t* font, const std::string& text) {
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf8(buffer, text.data(), int(text.size()), 0, int(text.size()));
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(font, buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  TShapedLine line{{infos, infos + count}, {positions, positions + count}, 0};
  for (const hb_glyph_position_t& p : line.Positions) line.Width += p.x_advance;
  line.Width = line.Width / 64 + 2;
  hb_buffer_destroy(buffer);
  return line;
}

void DrawGlyph(FT_Face face, unsigned index, int pen_x, int baseline, std::vector<unsigned char>& bitmap, int width) {
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING) || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL)) return;
  const FT_Bitmap& glyph = face->glyph->bitmap;
  const int left = pen_x + face->glyph->bitmap_left, top = baseline - face->glyph->bitmap_top;
  const int height = int(bitmap.size()) / width;
  for (unsigned row = 0; row < glyph.rows; ++row)
    for (unsigned column = 0; column < glyph.width; ++column) {
      const int x = left + int(column), y = top + int(row);
      if (x < 0 || y < 0 || x >= width || y >= height) continue;
      unsigned char& pixel = bitmap[size_t(y) * size_t(width) + size_t(x)];
      pixel = (unsigned char)std::min(255, pixel + glyph.buffer[row * unsigned(glyph.pitch) + column]);
    }
}

// One round: shape, lay out, render.
size_t Render(FT_Face face, hb_font_t* font, const std::vector<std::string>& lines) {
  std::vector<TShapedLine> shaped;
  long width = 1;
  for (const std::string& text : lines) {
    shaped.push_back(Shape(font, text));
    width = std::max(width, shaped.back().Width);
  }
  const int line_height = int(face->size->metrics.height / 64);
  const int ascent = int(face->size->metrics.ascender / 64);
  std::vector<unsigned char> bitmap(size_t(width) * size_t(line_height) * lines.size());
  for (size_t i = 0; i < shaped.size(); ++i) {
    long pen = 0;  // 26.6
    for (size_t g = 0; g < shaped[i].Glyphs.size(); ++g) {
      DrawGlyph(face, shaped[i].Glyphs[g].codepoint, int((pen + shaped[i].Positions[g].x_offset) / 64),
                int(i) * line_height + ascent, bitmap, int(width));
      pen += shaped[i].Positions[g].x_advance;
    }
  }
  return bitmap.size();
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc == 4 ? std::atoi(argv[3]) : 0;
  if (rounds < 1) {
    std::fprintf(stderr, "usage: text_render_ft FONTFILE TEXTFILE ROUNDS\n");
    return 2;
  }
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face)) {
    std::fprintf(stderr, "text_render_ft: cannot open %s\n", argv[1]);
    return 1;
  }
  FT_Set_Pixel_Sizes(face, 0, kPixelsPerEm);
  hb_font_t* font = hb_ft_font_create_referenced(face);
  std::ifstream file(argv[2]);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (Render(face, font, lines) == 0) return 1;
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  std::printf("%.4f\n", times[times.size() / 2]);
  hb_font_destroy(font);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return 0;
}
