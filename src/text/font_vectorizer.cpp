#include "text/font_vectorizer.h"

#include <fribidi.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>

#include "text/font_library.h"

namespace orv {
namespace {

// The installed families that stand for the platform's fallback fonts, covering the same
// scripts in the same order (the platform's font each replaces in the comment).
constexpr const char* kFallbackList[] = {
    "Noto Sans Malayalam",                    // Kartika
    "Noto Sans Bengali",                      // Vrinda
    "Noto Sans Thaana",                       // Mv Boli
    "Noto Sans Telugu",                       // Gautami
    "Noto Sans Kannada",                      // Tunga
    "Noto Sans Gujarati",                     // Shruti
    "Noto Sans Gurmukhi",                     // Raavi
    "Noto Sans Armenian", "Noto Sans Georgian",  // Sylfaen
    "Noto Sans Syriac",                       // Estrangelo Edessa
    "Liberation Sans", "Noto Sans Hebrew", "Noto Sans Arabic",  // Arial
    "Noto Sans Tamil",                        // Latha
    "Noto Sans Devanagari",                   // Mangal
    "Noto Sans Thai", "Noto Sans", "DejaVu Sans",  // Microsoft Sans Serif
    "Noto Sans CJK JP",                       // Ms Gothic
};

// The symbol for characters no font has: the frowning face the platform draws from
// "Wingdings" "L".
constexpr const char16_t* kMissingFamily = u"DejaVu Sans";
constexpr char32_t kMissingSymbol = 0x2639;

constexpr hb_feature_t kNoKerning{HB_TAG('k', 'e', 'r', 'n'), 0, 0, unsigned(-1)};

std::u32string CodePoints(WideView text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    const bool pair = unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
    out.push_back(pair ? 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00) : unit);
  }
  return out;
}

// Marks, joiners and variation selectors stay with the character before them.
bool JoinsPrevious(char32_t c) {
  switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), c)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
      return true;
    default:
      return c == 0x200D || c == 0x200C || (c >= 0xFE00 && c <= 0xFE0F);
  }
}

std::vector<FriBidiLevel> BidiLevels(const std::u32string& text) {
  const auto length = FriBidiStrIndex(text.size());
  std::vector<FriBidiCharType> types(text.size());
  std::vector<FriBidiBracketType> brackets(text.size());
  std::vector<FriBidiLevel> levels(text.size());
  const auto* chars = reinterpret_cast<const FriBidiChar*>(text.data());
  fribidi_get_bidi_types(chars, length, types.data());
  fribidi_get_bracket_types(chars, length, types.data(), brackets.data());
  FriBidiParType direction = FRIBIDI_PAR_ON;
  if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), length, &direction, levels.data()) == 0)
    std::fill(levels.begin(), levels.end(), FriBidiLevel(0));
  return levels;
}

// A stretch of characters drawn in one face at one embedding level.
struct TRun {
  size_t First = 0;
  size_t Count = 0;
  TFontFace* Face = nullptr;  // none: characters no font has
  WideString Family;
  FriBidiLevel Level = 0;
};

// Reverses every maximal sequence of runs at or above each odd level, highest first.
void ToVisualOrder(std::vector<TRun>& runs) {
  if (runs.empty()) return;
  FriBidiLevel highest = 0, lowest_odd = 255;
  for (const TRun& run : runs) {
    highest = std::max(highest, run.Level);
    if (run.Level % 2) lowest_odd = std::min(lowest_odd, run.Level);
  }
  for (int level = highest; level >= lowest_odd; --level)
    for (size_t i = 0; i < runs.size();) {
      if (runs[i].Level < level) {
        ++i;
        continue;
      }
      size_t end = i;
      while (end < runs.size() && runs[end].Level >= level) ++end;
      std::reverse(runs.begin() + ptrdiff_t(i), runs.begin() + ptrdiff_t(end));
      i = end;
    }
}

class TFontVectorizer : public TVectorizer {
public:
  TFontVectorizer() {
    for (const char* family : kFallbackList)
      if (FLibrary.HasFamily(family)) FFallbacks.push_back(Utf8ToUtf16(family));
  }

  const std::vector<WideString>& Fallbacks() const noexcept { return FFallbacks; }

  std::vector<TGlyphInfo> Shape(const TFontParams& font, WideView line) override {
    std::lock_guard lock(FLock);
    TFontFace* requested = FLibrary.Face(font.Name, font.Style);
    const std::u32string text = CodePoints(line);
    if (!requested || text.empty()) return {};
    const int ppem = PixelsPerEm(font.Size);
    const int ascent = requested->Metrics(ppem).Ascent;
    std::vector<TRun> runs = SplitIntoRuns(text, font, requested);
    ToVisualOrder(runs);
    std::vector<TGlyphInfo> glyphs;
    int pen = 0;  // whole pixels: each advance is rounded, as the platform's are
    for (const TRun& run : runs) {
      TFontFace* face = run.Face ? run.Face : FLibrary.Face(kMissingFamily, 0);
      const bool fallback = run.Face != requested;
      const int run_ppem = fallback && face ? AdaptedSize(*face, ppem, ascent) : ppem;
      if (!face) continue;
      // The symbol is always the regular face's.
      const TFontParams run_font{run.Face ? run.Family : WideString(kMissingFamily), PointsOf(run_ppem, font.Size, fallback),
                                 run.Face ? font.Style : 0};
      if (run.Face)
        ShapeRun(text, run, *face, run_font, run_ppem, pen, glyphs);
      else
        AddMissingSymbols(text, run, *face, run_font, run_ppem, pen, glyphs);
    }
    return glyphs;
  }

  TPath GlyphOutline(const TGlyphInfo& glyph) override {
    std::lock_guard lock(FLock);
    const TFontParams font = FontOfKey(glyph.FontKey, glyph.Size);
    TFontFace* face = FLibrary.Face(font.Name, font.Style);
    if (!face) return {};
    TPath path = face->Outline(glyph.Index, PixelsPerEm(glyph.Size));
    FitIntoAbcBox(path, glyph);
    return path;
  }

  TFontMetrics FontMetrics(const TFontParams& font) override {
    std::lock_guard lock(FLock);
    TFontFace* face = FLibrary.Face(font.Name, font.Style);
    return face ? face->Metrics(PixelsPerEm(font.Size)) : TFontMetrics{};
  }

  bool IsScalable(const TFontParams& font) override {
    std::lock_guard lock(FLock);
    TFontFace* face = FLibrary.Face(font.Name, font.Style);
    return face && face->IsScalable();
  }

private:
  // The first face that has every character of the cluster: the requested one, then the
  // fallbacks in order; none when no font has them.
  std::pair<TFontFace*, WideString> FaceFor(std::u32string_view cluster, const TFontParams& font, TFontFace* requested) {
    const auto covers = [cluster](TFontFace* face) {
      return face && std::all_of(cluster.begin(), cluster.end(), [face](char32_t c) { return face->HasChar(c); });
    };
    if (covers(requested)) return {requested, font.Name};
    for (const WideString& family : FFallbacks)
      if (TFontFace* face = FLibrary.Face(family, font.Style); covers(face)) return {face, family};
    return {nullptr, {}};
  }

  std::vector<TRun> SplitIntoRuns(const std::u32string& text, const TFontParams& font, TFontFace* requested) {
    const std::vector<FriBidiLevel> levels = BidiLevels(text);
    std::vector<TRun> runs;
    for (size_t i = 0; i < text.size();) {
      size_t end = i + 1;
      while (end < text.size() && JoinsPrevious(text[end])) ++end;
      auto [face, family] = FaceFor(std::u32string_view(text).substr(i, end - i), font, requested);
      // Missing characters are drawn one symbol per cluster, never merged.
      const bool joins = !runs.empty() && face && runs.back().Face == face && runs.back().Level == levels[i];
      if (joins)
        runs.back().Count += end - i;
      else
        runs.push_back({i, end - i, face, std::move(family), levels[i]});
      i = end;
    }
    return runs;
  }

  // The smallest whole-pixel height whose ascent exceeds the requested font's.
  static int AdaptedSize(TFontFace& face, int requested_ppem, int requested_ascent) {
    int ppem = requested_ppem + PixelsPerEm(10);
    while (ppem > 1 && face.Metrics(ppem).Ascent > requested_ascent) --ppem;
    while (face.Metrics(ppem).Ascent <= requested_ascent && ppem < 4 * requested_ppem + 64) ++ppem;
    return ppem;
  }

  static float PointsOf(int ppem, float requested_points, bool adapted) {
    return adapted ? float(ppem) * 72 / 96 : requested_points;
  }

  static TGlyphInfo GlyphRecord(const TFontParams& font, TFontFace& face, int ppem, uint16_t index) {
    const TFontMetrics metrics = face.Metrics(ppem);
    TGlyphInfo glyph;
    glyph.FontKey = FontKey(font.Name, font.Style);
    glyph.Index = index;
    glyph.Size = font.Size;
    glyph.Ascent = metrics.Ascent;
    glyph.Descent = metrics.Descent;
    return glyph;
  }

  static void SetAbc(TGlyphInfo& glyph, hb_font_t* hb, int advance) {
    hb_glyph_extents_t extents{};
    if (hb_font_get_glyph_extents(hb, glyph.Index, &extents)) {
      glyph.A = int(std::lround(extents.x_bearing / 64.0));
      glyph.B = int(std::lround(extents.width / 64.0));
    } else {
      glyph.A = 0;
      glyph.B = advance;
    }
    glyph.C = advance - glyph.A - glyph.B;
  }

  void ShapeRun(const std::u32string& text, const TRun& run, TFontFace& face, const TFontParams& font, int ppem,
                int& pen, std::vector<TGlyphInfo>& glyphs) {
    hb_font_t* hb = face.ShapingFont(ppem);
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(text.data()), int(text.size()), unsigned(run.First),
                        int(run.Count));
    hb_buffer_guess_segment_properties(buffer);
    hb_buffer_set_direction(buffer, run.Level % 2 ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_shape(hb, buffer, &kNoKerning, 1);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, nullptr);
    for (unsigned i = 0; i < count; ++i) {
      TGlyphInfo glyph = GlyphRecord(font, face, ppem, uint16_t(infos[i].codepoint));
      const int advance = int(std::lround(positions[i].x_advance / 64.0));
      glyph.PenX = pen + int(std::lround(positions[i].x_offset / 64.0));
      SetAbc(glyph, hb, advance);
      glyphs.push_back(std::move(glyph));
      pen += advance;
    }
    hb_buffer_destroy(buffer);
  }

  void AddMissingSymbols(const std::u32string& text, const TRun& run, TFontFace& face, const TFontParams& font, int ppem,
                         int& pen, std::vector<TGlyphInfo>& glyphs) {
    hb_font_t* hb = face.ShapingFont(ppem);
    const uint16_t index = face.GlyphIndex(kMissingSymbol);
    for (size_t i = run.First; i < run.First + run.Count; ++i) {
      if (i > run.First && JoinsPrevious(text[i])) continue;
      TGlyphInfo glyph = GlyphRecord(font, face, ppem, index);
      const int advance = int(std::lround(hb_font_get_glyph_h_advance(hb, index) / 64.0));
      glyph.PenX = pen;
      SetAbc(glyph, hb, advance);
      glyphs.push_back(std::move(glyph));
      pen += advance;
    }
  }

  // Moves the outline right when it starts left of A, and squeezes it when it ends past
  // A + B.
  static void FitIntoAbcBox(TPath& path, const TGlyphInfo& glyph) {
    if (path.empty()) return;
    const auto [low, high] = std::minmax_element(path.begin(), path.end(), [](const TPathPoint& a, const TPathPoint& b) {
      return a.X < b.X;
    });
    const float left = low->X, right = high->X;
    const float shift = left < glyph.A ? glyph.A - left : 0;
    const float start = left + shift;
    const float end = float(glyph.A + glyph.B);
    const float squeeze = right + shift > end && right > left ? (end - start) / (right - left) : 1;
    for (TPathPoint& point : path) point.X = start + (point.X + shift - start) * squeeze;
  }

  std::mutex FLock;
  TFontLibrary FLibrary;
  std::vector<WideString> FFallbacks;
};

TFontVectorizer& Instance() {
  static const Ref<TFontVectorizer> instance = MakeRef<TFontVectorizer>();
  return *instance;
}

}  // namespace

TVectorizer& InstalledFonts() { return Instance(); }
std::vector<WideString> FallbackFamilies() { return Instance().Fallbacks(); }
WideString MissingGlyphFontKey() { return FontKey(kMissingFamily, 0); }

}  // namespace orv
