#include "text/text_store.h"

#include <algorithm>
#include <cmath>

#include "image/picture_limits.h"
#include "text/font_vectorizer.h"
#include "text/rasterizer.h"
#include "text/vect_text_reader.h"

namespace orv {
namespace {

// Package entries beyond this are not text layouts.
constexpr int64_t kMaxEntrySize = 64 << 20;

double Nearest(double x) { return std::round(x); }

std::optional<std::string> ReadEntry(TFileAccessor& accessor, WideView name) {
  StreamPtr stream = accessor.OpenStream(name);
  if (!stream || stream->Size() > kMaxEntrySize) return std::nullopt;
  return stream->ReadAll();
}

// The text from the package, its fonts' outlines read into the cache; none without the
// entry.
Ref<TCachedVectorText> ReadStoredText(TFileAccessor& accessor, const std::vector<WideString>& lines,
                                      const TTextParams& params) {
  const WideString entry =
      WideString(kVectTxtPrefix) + params.FontName + u':' + StyleWords(params.Style) + u':' + QuotedText(lines);
  const std::optional<std::string> bytes = ReadEntry(accessor, entry);
  std::optional<TStoredVectorText> stored = bytes ? ParseVectTxt2(*bytes) : std::nullopt;
  if (!stored) return nullptr;
  TFontCache& cache = FontCache();
  for (TGlyphLine& line : stored->Lines)
    for (TGlyphPointer& glyph : line) {
      if (!cache.HasFont(glyph.FontKey)) {
        const std::optional<std::string> font = ReadEntry(accessor, WideString(kVectTextCachePrefix) + glyph.FontKey);
        if (!font || !ParseVectTextCache(*font, cache)) cache.AddFont(glyph.FontKey);
      }
      glyph.Glyph = cache.Find(glyph.FontKey, glyph.Index);
    }
  return MakeRef<TCachedVectorText>(std::move(stored->Lines), stored->Font);
}

// A position split into whole pixels and sixteenths.
struct TSnapped {
  int Whole = 0;
  uint8_t Phase = 0;
};

TSnapped Snap(double v) {
  const double sixteenths = std::round(v * 16);
  const double whole = std::floor(sixteenths / 16);
  return {int(whole), uint8_t(sixteenths - whole * 16)};
}

// Glyphs are placed on a grid of sixteenths of a pixel, so that a glyph's coverage at each of
// its sub-pixel phases is filled once and then only blended.
void DrawGlyph(TRasterHelper& painter, const TGlyphPointer& glyph, double scale, double x, double y) {
  const TSnapped sx = Snap(x), sy = Snap(y);
  TGlyphMaskKey key{glyph.Glyph, scale, sx.Phase, sy.Phase};
  TGlyphMaskRef mask = FontCache().FindMask(key);
  if (!mask) {
    painter.SetTransform({scale, scale, sx.Phase / 16.0, sy.Phase / 16.0});
    std::optional<TCoverageMask> filled = painter.MaskOf(glyph.Glyph->Path);
    if (!filled) return;
    mask = FontCache().AddMask(std::move(key), std::move(*filled));
  }
  painter.DrawMask(*mask, sx.Whole, sy.Whole);
}

}  // namespace

TTextLayout LayoutText(const TCachedVectorText& text, double s, int line_spacing) {
  TTextLayout layout;
  layout.Scale = s;
  const TFontMetrics& font = text.Font();
  layout.FontHeight = s * (double(font.Ascent) + font.Descent);
  layout.FontAscent = s * font.Ascent;
  double y = 0;
  for (size_t i = 0; i < text.LineCount(); ++i) {
    const TLineMetrics m = text.LineMetrics(i);
    if (i > 0) y += layout.FontHeight * line_spacing / 200;
    layout.LineTops.push_back(y);
    y += layout.FontHeight;
    const double width = std::ceil(s * m.Advance);
    layout.LineWidths.push_back(width);
    layout.MaxWidth = std::max(layout.MaxWidth, width);
    layout.LeftOverhang = std::max(layout.LeftOverhang, -s * m.LeftBearing);
    layout.RightOverhang = std::max(layout.RightOverhang, -s * m.RightBearing);
    layout.TopExtent = std::max(layout.TopExtent, s * m.Ascent);
    layout.BottomExtent = std::max(layout.BottomExtent, s * m.Descent);
  }
  layout.TotalHeight = y;
  return layout;
}

Ref<TTextBitmapStore> TTextBitmapStore::Create(const WideString& name, TFileAccessor* accessor) {
  TDecodedTextName decoded = DecodeTextName(name);
  const TTextParams& params = decoded.Params;
  Ref<TCachedVectorText> text = accessor ? ReadStoredText(*accessor, decoded.Lines, params) : nullptr;
  if (!text) {
    const TFontParams font{params.FontName, 72, params.Style};
    text = VectorizeText(InstalledFonts(), FontCache(), font, decoded.Lines);
  }
  if (!(params.Scale > 0) || !std::isfinite(params.Scale)) return nullptr;
  const TTextLayout l = LayoutText(*text, params.Scale, params.LineSpacing);
  const double width = std::ceil(l.LeftOverhang) + Nearest(l.MaxWidth) + std::ceil(l.RightOverhang) + 2;
  const double height = std::ceil(l.TopExtent - l.FontAscent) + Nearest(l.TotalHeight) +
                        std::ceil(l.BottomExtent - (l.FontHeight - l.FontAscent)) + 2;
  // Zero metrics (no font, no lines) give no picture.
  if (!(l.FontHeight > 0) || !(width >= 1 && height >= 1) || !PictureSizeAllowed(int64_t(width), int64_t(height)))
    return nullptr;
  return Ref<TTextBitmapStore>::Adopt(new TTextBitmapStore(name, std::move(decoded.Lines), params, std::move(text), l,
                                                           int(width), int(height)));
}

TTextBitmapStore::TTextBitmapStore(WideString name, std::vector<WideString> lines, const TTextParams& params,
                                   Ref<TCachedVectorText> text, const TTextLayout& layout, int width, int height)
    : TSysBitmapStore(std::move(name), width, height, pf::A8R8G8B8, nullptr),
      FLines(std::move(lines)),
      FParams(params),
      FText(std::move(text)),
      FLayout(layout) {}

double TTextBitmapStore::MeasuredWidth() const { return std::max(FLayout.MaxWidth, 1.0); }

double TTextBitmapStore::MeasuredHeight() const {
  const TTextLayout& l = FLayout;
  return std::max(l.TotalHeight + l.TopExtent + l.BottomExtent - l.FontHeight, 1.0);
}

double TTextBitmapStore::LineHeight() const { return FLayout.FontHeight; }

double TTextBitmapStore::BoxOriginX() const { return FParams.OffsetX + 1 + FLayout.LeftOverhang; }

double TTextBitmapStore::BoxOriginY() const { return FParams.OffsetY + 1; }

bool TRectListWrapper::Contains(double x, double y) const {
  return std::any_of(FRects.begin(), FRects.end(),
                     [x, y](const TRect& r) { return r.Left <= x && x < r.Right && r.Top <= y && y < r.Bottom; });
}

Ref<TBitmap> TTextBitmapStore::LoadLevel(int level) {
  if (level != 0) return nullptr;
  Ref<TBitmap> picture = Produce();
  if (picture && !LineRects()) Attachments().Add(MakeRef<TRectListWrapper>(LineRectangles()));
  return picture;
}

TPointD TTextBitmapStore::LineOrigin(size_t i) const {
  const TTextLayout& l = FLayout;
  const double full_width = Nearest(l.MaxWidth);
  double x = FParams.OffsetX + 1;
  if (FParams.Alignment == uint8_t(TTextAlign::Center)) x += (full_width - l.LineWidths[i]) / 2;
  if (FParams.Alignment == uint8_t(TTextAlign::Right)) x += full_width - l.LineWidths[i];
  return {x, l.LineTops[i] + FParams.OffsetY + 1};
}

// A line's rectangle spans its advance from where its box starts (past the overhang on
// the left, as its glyphs do), and the font's ascent and descent around its baseline.
std::vector<TRect> TTextBitmapStore::LineRectangles() const {
  const TTextLayout& l = FLayout;
  const double descent = l.FontHeight - l.FontAscent;
  std::vector<TRect> rects;
  for (size_t i = 0; i < FText->LineCount(); ++i) {
    const TPointD origin = LineOrigin(i);
    const int left = int(Nearest(origin.X + l.LeftOverhang));
    const int baseline = int(Nearest(origin.Y + l.FontAscent));
    rects.push_back({left, baseline - int(std::ceil(l.FontAscent)), left + int(l.LineWidths[i]),
                     baseline + int(std::ceil(descent))});
  }
  return rects;
}

bool TTextBitmapStore::AbortAfterLine(size_t done) {
  try {
    ReportProgress(double(done) / double(FText->LineCount()));
    return false;
  } catch (...) {
    return true;
  }
}

Ref<TBitmap> TTextBitmapStore::Produce() {
  const TTextLayout& l = FLayout;
  const double s = l.Scale;
  TRasterHelper painter;
  painter.BeginPaint(Width(), Height(), 0x00FFFFFFu);
  painter.SetPaintColor(0xFFFFFFFFu);
  for (size_t i = 0; i < FText->LineCount(); ++i) {
    const TPointD origin = LineOrigin(i);
    const double gx = origin.X + l.LeftOverhang, gy = origin.Y + l.TopExtent;
    for (const TGlyphPointer& glyph : FText->Line(i)) {
      const double k = TCachedVectorText::GlyphScale(glyph);
      if (k == 0) continue;  // not in its cache: nothing to draw
      DrawGlyph(painter, glyph, s * k, gx + s * glyph.PenX, gy);
    }
    const TLineMetrics m = FText->LineMetrics(i);
    const TFontMetrics& font = FText->Font();
    painter.SetTransform({s, s, gx, gy});
    const auto bar = [&](float position, float thickness) {
      const float right = float(Nearest(m.InkWidth + m.RightBearing));
      const float top = float(Nearest(-position)), bottom = float(Nearest(thickness - position));
      painter.DrawPath({{0, top, TPathCommand::MoveTo}, {right, top, TPathCommand::LineTo},
                        {right, bottom, TPathCommand::LineTo}, {0, bottom, TPathCommand::LineTo}});
    };
    if (FParams.Style & kStyleUnderline) bar(font.UnderlinePosition, font.UnderlineThickness);
    if (FParams.Style & kStyleStrikeOut) bar(font.StrikeOutPosition, font.StrikeOutThickness);
    if (AbortAfterLine(i + 1)) break;
  }
  return painter.EndPaint();
}

}  // namespace orv
