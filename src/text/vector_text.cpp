#include "text/vector_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

TCachedVectorText::TCachedVectorText(std::vector<TGlyphLine> lines, const TFontMetrics& font)
    : FLines(std::move(lines)), FFont(font) {}

double TCachedVectorText::GlyphScale(const TGlyphPointer& glyph) {
  if (!glyph.Glyph || !(glyph.Glyph->Size > 0)) return 0;
  const double scale = double(glyph.Size) / glyph.Glyph->Size;
  return std::isfinite(scale) ? scale : 0;
}

TGlyphPlacement TCachedVectorText::Placement(const TGlyphPointer& glyph) {
  const double k = GlyphScale(glyph);
  const TGlyphData& g = *glyph.Glyph;
  return {k * g.A, k * g.B, k * g.C, k * g.Ascent, k * g.Descent, double(glyph.PenX)};
}

TLineMetrics TCachedVectorText::LineMetrics(size_t line) const {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  double lo = kInf, hi = -kInf, first = kInf, last = -kInf;
  TLineMetrics m;
  for (const TGlyphPointer& glyph : FLines[line]) {
    if (!glyph.Glyph) continue;
    const TGlyphPlacement p = Placement(glyph);
    for (double x : {p.PenX, p.PenX + p.A, p.PenX + p.A + p.B, p.PenX + p.A + p.B + p.C}) {
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
    first = std::min(first, p.PenX);
    last = std::max(last, p.PenX + p.A + p.B + p.C);
    m.Ascent = std::max(m.Ascent, p.Ascent);
    m.Descent = std::max(m.Descent, p.Descent);
  }
  if (lo == kInf) return {0, 0, 0, 0, double(FFont.Ascent), double(FFont.Descent)};
  m.LeftBearing = lo - first;
  m.InkWidth = hi - lo;
  m.RightBearing = last - hi;
  m.Advance = last - first;
  return m;
}

Ref<TCachedVectorText> VectorizeText(TVectorizer& source, TFontCache& cache, TFontParams font,
                                     const std::vector<WideString>& lines) {
  if (!source.IsScalable(font)) font.Name = u"Arial";
  std::vector<TGlyphLine> glyph_lines;
  for (const WideString& line : lines) {
    TGlyphLine& out = glyph_lines.emplace_back();
    for (const TGlyphInfo& info : source.Shape(font, line)) {
      TGlyphRef glyph = cache.Find(info.FontKey, info.Index);
      if (!glyph)
        glyph = cache.Add(info.FontKey, {info.Index, info.Size, info.A, info.B, info.C, info.Ascent, info.Descent,
                                         source.GlyphOutline(info)});
      out.push_back({info.FontKey, info.Index, info.PenX, info.Size, std::move(glyph)});
    }
  }
  return MakeRef<TCachedVectorText>(std::move(glyph_lines), source.FontMetrics(font));
}

}  // namespace orv
