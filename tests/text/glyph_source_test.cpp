#include "text/font_vectorizer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orv {
namespace {

const TFontParams kArial{u"Arial", 72, 0};

std::vector<uint16_t> Indexes(const std::vector<TGlyphInfo>& glyphs) {
  std::vector<uint16_t> out;
  for (const TGlyphInfo& g : glyphs) out.push_back(g.Index);
  return out;
}

uint16_t GlyphOf(char16_t c) {
  const std::vector<TGlyphInfo> glyphs = InstalledFonts().Shape(kArial, WideString(1, c));
  return glyphs.size() == 1 ? glyphs[0].Index : 0;
}

TEST(GlyphSource, WindowsFamiliesUseTheirMetricCompatibleFontsWithWindowsMetrics) {
  // Liberation Sans: Windows ascent 1854 and descent 434 of 2048 units, at 96 pixels.
  const TFontMetrics arial = InstalledFonts().FontMetrics(kArial);
  EXPECT_EQ(arial.Ascent, 87);
  EXPECT_EQ(arial.Descent, 20);
  EXPECT_LT(arial.UnderlinePosition, 0);
  EXPECT_GT(arial.UnderlineThickness, 0);
  EXPECT_GT(arial.StrikeOutPosition, 0);
  EXPECT_TRUE(InstalledFonts().IsScalable(kArial));
  for (const char16_t* family : {u"Times New Roman", u"Courier New"}) {
    const std::vector<TGlyphInfo> glyphs = InstalledFonts().Shape({family, 72, 0}, u"Hi");
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[0].FontKey, WideString(family) + u":");
  }
  // Courier New is fixed pitch: every advance is the same.
  const std::vector<TGlyphInfo> mono = InstalledFonts().Shape({u"Courier New", 72, 0}, u"iWi");
  EXPECT_EQ(mono[1].PenX - mono[0].PenX, mono[2].PenX - mono[1].PenX);
}

TEST(GlyphSource, GlyphsCarryPenPositionsAbcWidthsAndOutlines) {
  const std::vector<TGlyphInfo> glyphs = InstalledFonts().Shape({u"Arial", 72, kStyleBold}, u"To");
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[0].FontKey, u"Arial:Bold");
  EXPECT_EQ(glyphs[0].PenX, 0);
  // No kerning: the o starts at the T's full advance.
  EXPECT_EQ(glyphs[1].PenX, glyphs[0].A + glyphs[0].B + glyphs[0].C);
  EXPECT_GT(glyphs[1].B, 30);
  const TPath o = InstalledFonts().GlyphOutline(glyphs[1]);
  EXPECT_EQ(std::count_if(o.begin(), o.end(), [](const TPathPoint& p) { return p.Command == TPathCommand::MoveTo; }), 2);
  // y grows downward: the letter lies above the baseline.
  EXPECT_TRUE(std::all_of(o.begin(), o.end(), [](const TPathPoint& p) { return p.Y <= 1; }));
  const auto [low, high] = std::minmax_element(o.begin(), o.end(), [](auto& a, auto& b) { return a.X < b.X; });
  EXPECT_GE(low->X, glyphs[1].A - 0.01);
  EXPECT_LE(high->X, glyphs[1].A + glyphs[1].B + 0.01);
}

TEST(GlyphSource, ScriptsTheFontLacksComeFromFallbackFonts) {
  const std::vector<WideString> fallbacks = FallbackFamilies();
  struct TCase {
    const char16_t* Text;
    const char16_t* Family;
  };
  for (const TCase& c : {TCase{u"日本語の文字", u"Noto Sans CJK JP"}, TCase{u"ภาษาไทย", u"Noto Sans Thai"},
                         TCase{u"مرحبا بالعالم", u"Noto Sans Arabic"}}) {
    ASSERT_NE(std::find(fallbacks.begin(), fallbacks.end(), c.Family), fallbacks.end()) << "install " << Utf16ToUtf8(c.Family);
    const std::vector<TGlyphInfo> glyphs = InstalledFonts().Shape(kArial, c.Text);
    ASSERT_FALSE(glyphs.empty());
    for (const TGlyphInfo& g : glyphs) {
      if (g.FontKey == u"Arial:") continue;  // the space between Arabic words
      EXPECT_EQ(g.FontKey, WideString(c.Family) + u":") << Utf16ToUtf8(c.Text);
      EXPECT_NE(g.Index, 0);
      // The fallback's size is adapted so that its ascent just exceeds Arial's.
      EXPECT_GT(g.Ascent, 87);
      EXPECT_FALSE(InstalledFonts().GlyphOutline(g).empty() && g.B > 0);
    }
  }
}

TEST(GlyphSource, CharactersNoFontHasAreTheFixedSymbol) {
  const std::vector<TGlyphInfo> glyphs = InstalledFonts().Shape(kArial, u"a\U0010FFFDb");
  ASSERT_EQ(glyphs.size(), 3u);
  EXPECT_EQ(glyphs[1].FontKey, MissingGlyphFontKey());
  EXPECT_NE(glyphs[1].Index, 0);
  EXPECT_FALSE(InstalledFonts().GlyphOutline(glyphs[1]).empty());
  EXPECT_GT(glyphs[2].PenX, glyphs[1].PenX);
}

TEST(GlyphSource, RightToLeftRunsComeOutInDisplayOrder) {
  const uint16_t alef = GlyphOf(u'א'), bet = GlyphOf(u'ב'), gimel = GlyphOf(u'ג');
  const uint16_t a = GlyphOf(u'a'), b = GlyphOf(u'b'), one = GlyphOf(u'1'), space = GlyphOf(u' ');
  // A Hebrew word inside a Latin line: the word reversed, the line left to right.
  EXPECT_EQ(Indexes(InstalledFonts().Shape(kArial, u"a אבג b")),
            (std::vector<uint16_t>{a, space, gimel, bet, alef, space, b}));
  // A number after the Hebrew word belongs to its right-to-left run.
  EXPECT_EQ(Indexes(InstalledFonts().Shape(kArial, u"a אבג 1")),
            (std::vector<uint16_t>{a, space, one, space, gimel, bet, alef}));
  // A Hebrew line: the whole line right to left, the number inside it left to right.
  const uint16_t two = GlyphOf(u'2');
  EXPECT_EQ(Indexes(InstalledFonts().Shape(kArial, u"אב 12")), (std::vector<uint16_t>{one, two, space, bet, alef}));
  const std::vector<TGlyphInfo> glyphs = InstalledFonts().Shape(kArial, u"a אבג b");
  for (size_t i = 1; i < glyphs.size(); ++i) EXPECT_GT(glyphs[i].PenX, glyphs[i - 1].PenX);
}

}  // namespace
}  // namespace orv
