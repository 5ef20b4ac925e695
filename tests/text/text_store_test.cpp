#include "text/text_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "../slide/button_theme_fixture.h"
#include "png_dump.h"
#include "text/rasterizer.h"
#include "text/vect_text_reader.h"

namespace orv {
namespace {

Ref<TTextBitmapStore> Store(const std::vector<WideString>& lines, TTextParams params = {}, TFileAccessor* accessor = nullptr) {
  return TTextBitmapStore::Create(EncodeTextName(lines, params), accessor);
}

// White text over dark blue, to look at.
Ref<TBitmap> OnDark(const TBitmap& text) {
  Ref<TBitmap> view = TBitmap::Create(text.Width(), text.Height(), pf::A8R8G8B8);
  view->Fill(0xFF000050u);
  for (int y = 0; y < text.Height(); ++y)
    for (int x = 0; x < text.Width(); ++x) BlendPixel(view->Row(y) + 4 * x, text.PixelArgb(x, y));
  return view;
}

int Alpha(const TBitmap& b, int x, int y) { return int(b.PixelArgb(x, y) >> 24); }

// The columns [first, last] that hold ink in the rows [top, bottom).
std::pair<int, int> InkColumns(const TBitmap& b, int top, int bottom) {
  int first = b.Width(), last = -1;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (Alpha(b, x, y) > 0) first = std::min(first, x), last = std::max(last, x);
  return {first, last};
}

TEST(TextLayout, LineSpacingAddsItsShareOfTheLineHeight) {
  TTextParams spaced;
  spaced.LineSpacing = 100;
  const Ref<TTextBitmapStore> plain = Store({u"One", u"Two"});
  const Ref<TTextBitmapStore> wide = Store({u"One", u"Two"}, spaced);
  const double line = plain->LineHeight();
  EXPECT_NEAR(line, 107, 1e-9);  // Arial at 72 points: 87 + 20
  EXPECT_NEAR(wide->Layout().LineTops[1] - plain->Layout().LineTops[1], line / 2, 1e-9);
  EXPECT_NEAR(wide->MeasuredHeight() - plain->MeasuredHeight(), line / 2, 1e-9);
}

TEST(TextLayout, CentredLinesShareTheBoxAndRightAlignedLinesEndTogether) {
  // "mm" is half as wide as "mmmm": centred, it starts a quarter of the box further right.
  TTextParams params;
  params.Scale = 0.5;
  const Ref<TTextBitmapStore> centred = Store({u"mmmm", u"mm"}, params);
  const Ref<TBitmap> picture = centred->GetLevel(0);
  const TTextLayout& l = centred->Layout();
  const int split = int(l.LineTops[1] + 1);
  const auto first = InkColumns(*picture, 0, split);
  const auto second = InkColumns(*picture, split, picture->Height());
  EXPECT_NEAR(second.first - first.first, l.MaxWidth / 4, 1.5);
  params.Alignment = uint8_t(TTextAlign::Right);
  const Ref<TBitmap> right = Store({u"mmmm", u"mm"}, params)->GetLevel(0);
  EXPECT_NEAR(InkColumns(*right, 0, split).second, InkColumns(*right, split, right->Height()).second, 1);
}

TEST(TextLayout, UnderlineDrawsOneBarPerLineBelowTheBaseline) {
  TTextParams params;
  params.Style = kStyleUnderline;
  params.Alignment = uint8_t(TTextAlign::Left);
  const Ref<TTextBitmapStore> store = Store({u"ab", u"cd"}, params);
  const Ref<TBitmap> picture = store->GetLevel(0);
  const TTextLayout& l = store->Layout();
  const TFontMetrics& font = store->Text().Font();
  for (double top : l.LineTops) {
    // Halfway through the bar's thickness, below the baseline, the whole width is covered.
    const int y = int(top + 1 + l.TopExtent - font.UnderlinePosition + font.UnderlineThickness / 2);
    const auto [first, last] = InkColumns(*picture, y, y + 1);
    EXPECT_LE(first, 2);
    EXPECT_GE(last - first, l.MaxWidth * 0.8);
    EXPECT_EQ(Alpha(*picture, (first + last) / 2, y), 255);
  }
}

// A picture's alpha halved by 2 × 2 averages, moved by its one-pixel frame so that its
// content starts where the smaller picture's does.
std::vector<double> HalvedAlpha(const TBitmap& b, int width, int height) {
  std::vector<double> out(size_t(width * height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double sum = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          const int sx = 2 * x + dx - 1, sy = 2 * y + dy - 1;
          sum += sx >= 0 && sy >= 0 && sx < b.Width() && sy < b.Height() ? Alpha(b, sx, sy) : 0;
        }
      out[size_t(y * width + x)] = sum / 4;
    }
  return out;
}

TEST(TextPicture, CaptionAtTwoScalesMatchesWithinTolerance) {
  TTextParams half;
  half.Scale = 0.25;
  TTextParams full;
  full.Scale = 0.5;
  const std::vector<WideString> caption{u"Golden Caption", u"Ünïcödé ÀÉÎ"};
  const Ref<TTextBitmapStore> small = Store(caption, half);
  const Ref<TTextBitmapStore> large = Store(caption, full);
  const Ref<TBitmap> a = small->GetLevel(0);
  const Ref<TBitmap> b = large->GetLevel(0);
  test::DumpPng(*OnDark(*a), "caption_quarter");
  test::DumpPng(*OnDark(*b), "caption_half");
  EXPECT_NEAR(b->Width(), 2 * a->Width(), 3);
  EXPECT_NEAR(b->Height(), 2 * a->Height(), 3);
  const std::vector<double> halved = HalvedAlpha(*b, a->Width(), a->Height());
  double difference = 0, ink = 0;
  for (int y = 0; y < a->Height(); ++y)
    for (int x = 0; x < a->Width(); ++x) {
      difference += std::abs(Alpha(*a, x, y) - halved[size_t(y * a->Width() + x)]);
      ink += Alpha(*a, x, y);
    }
  EXPECT_GT(ink, 255 * 500);
  EXPECT_LT(difference / ink, 0.15);
  // Measuring follows the scale.
  EXPECT_NEAR(large->MeasuredWidth(), 2 * small->MeasuredWidth(), 2);
  EXPECT_NEAR(large->LineHeight(), 2 * small->LineHeight(), 1e-9);
}

TEST(TextPicture, NoLinesOrABadScaleGiveNoPicture) {
  TTextParams zero;
  zero.Scale = 0;
  EXPECT_FALSE(Store({u"x"}, zero));
  TTextParams huge;
  huge.Scale = 1e9;
  EXPECT_FALSE(Store({u"x"}, huge));
  EXPECT_FALSE(Store({}));
}

// ---- pre-vectorised text from the package

void Put32(std::string& out, int32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); }
void PutFloat(std::string& out, float v) { out.append(reinterpret_cast<const char*>(&v), 4); }
void Put16(std::string& out, uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); }
void PutUtf16(std::string& out, WideView text) {
  Put32(out, int32_t(text.size()));
  out.append(reinterpret_cast<const char*>(text.data()), 2 * text.size());
}

constexpr std::u16string_view kStoredFont = u"Orv Stored Script:";

// One line of two glyph references to a square glyph of the stored font.
std::string StoredLayout(int32_t ascent = 60, int32_t descent = 15) {
  std::string bytes;
  Put32(bytes, 1), Put32(bytes, ascent), Put32(bytes, descent);
  for (float v : {-8.f, 2.f, 20.f, 2.f}) PutFloat(bytes, v);
  Put32(bytes, 2);
  for (int32_t pen : {0, 50}) {
    Put32(bytes, pen), PutFloat(bytes, 72), Put16(bytes, 7), PutUtf16(bytes, kStoredFont);
  }
  return bytes;
}

std::string StoredGlyphs(int32_t command = 1) {
  std::string bytes;
  Put32(bytes, 1);
  PutUtf16(bytes, kStoredFont);
  Put16(bytes, 7);
  for (int32_t v : {5, 40, 5, 60, 15}) Put32(bytes, v);
  PutFloat(bytes, 72);
  Put32(bytes, 4);
  const float square[4][2] = {{5, -50}, {45, -50}, {45, 0}, {5, 0}};
  for (int i = 0; i < 4; ++i) PutFloat(bytes, square[i][0]), PutFloat(bytes, square[i][1]), Put32(bytes, i ? command : 0);
  return bytes;
}

TEST(TextPicture, PrevectorisedPackageTextDrawsItsStoredOutlines) {
  auto source = MakeRef<test::TMemoryFileSource>();
  source->Files[u"VectTxt2: Orv Stored Script::\"ab\""] = StoredLayout();
  source->Files[u"VectTextCache: Orv Stored Script:"] = StoredGlyphs();
  auto accessor = MakeRef<TFileAccessor>(source, u"");
  TTextParams params;
  params.FontName = u"Orv Stored Script";
  const Ref<TTextBitmapStore> store = Store({u"ab"}, params, accessor.Get());
  ASSERT_TRUE(store);
  EXPECT_EQ(store->MeasuredWidth(), 100);  // two advances of 50
  EXPECT_EQ(store->LineHeight(), 75);
  const Ref<TBitmap> picture = store->GetLevel(0);
  // Square glyphs: full coverage inside each, nothing between them.
  const int baseline = int(1 + store->Layout().TopExtent);
  EXPECT_EQ(Alpha(*picture, 1 + 25, baseline - 25), 255);
  EXPECT_EQ(Alpha(*picture, 1 + 75, baseline - 25), 255);
  EXPECT_EQ(Alpha(*picture, 1 + 48, baseline - 25), 0);
}

TEST(TextPicture, AFontWithoutHeightGivesNoPicture) {
  auto source = MakeRef<test::TMemoryFileSource>();
  source->Files[u"VectTxt2: Orv Stored Script::\"ab\""] = StoredLayout(0, 0);
  source->Files[u"VectTextCache: Orv Stored Script:"] = StoredGlyphs();
  auto accessor = MakeRef<TFileAccessor>(source, u"");
  TTextParams params;
  params.FontName = u"Orv Stored Script";
  EXPECT_FALSE(Store({u"ab"}, params, accessor.Get()));
}

TEST(VectTextReaders, MalformedEntriesAreRefusedWhole) {
  EXPECT_TRUE(ParseVectTxt2(StoredLayout()));
  const std::string layout = StoredLayout();
  for (size_t cut = 0; cut < layout.size(); ++cut) EXPECT_FALSE(ParseVectTxt2(layout.substr(0, cut))) << cut;
  std::string huge_count = layout;
  const int32_t count = 0x7FFFFFFF;
  std::memcpy(&huge_count[0], &count, 4);
  EXPECT_FALSE(ParseVectTxt2(huge_count));
  TFontCache cache;
  const std::string glyphs = StoredGlyphs();
  for (size_t cut = 0; cut < glyphs.size(); ++cut) EXPECT_FALSE(ParseVectTextCache(glyphs.substr(0, cut), cache)) << cut;
  EXPECT_FALSE(ParseVectTextCache(StoredGlyphs(5), cache));  // not a path command
  EXPECT_FALSE(cache.HasFont(kStoredFont));
  EXPECT_TRUE(ParseVectTextCache(glyphs, cache));
  EXPECT_TRUE(cache.Find(kStoredFont, 7));
}

TEST(TextPicture, GlyphsFilledOnceAreBlendedAgainToTheSamePicture) {
  TTextParams params;
  params.Scale = 0.37;
  params.OffsetX = 0.4f;
  const WideString name = EncodeTextName({u"Warm glyphs, cold glyphs", u"Ünïcödé"}, params);
  FontCache().Clear();
  const Ref<TBitmap> cold = TTextBitmapStore::Create(name, nullptr)->GetLevel(0);
  EXPECT_GT(FontCache().MaskBytes(), 0u);
  const Ref<TBitmap> warm = TTextBitmapStore::Create(name, nullptr)->GetLevel(0);
  ASSERT_EQ(cold->Width(), warm->Width());
  ASSERT_EQ(cold->Height(), warm->Height());
  for (int y = 0; y < cold->Height(); ++y)
    ASSERT_EQ(std::memcmp(cold->Row(y), warm->Row(y), size_t(4 * cold->Width())), 0) << y;
}

TEST(GlyphCache, FilledGlyphsStayWithinTheBudgetOldestGoingFirst) {
  const auto mask = [](int side) {
    TCoverageMask m;
    m.Width = m.Height = side;
    m.Cells.assign(size_t(side * side), 7);
    return m;
  };
  const auto glyph = [](uint16_t index) {
    TGlyphData data;
    data.Index = index;
    return std::make_shared<const TGlyphData>(std::move(data));
  };
  std::vector<TGlyphRef> glyphs;
  for (uint16_t index = 0; index <= 100; ++index) glyphs.push_back(glyph(index));
  const auto key = [&glyphs](uint16_t index) { return TGlyphMaskKey{glyphs[index], 0.5, 3, 0}; };
  TFontCache cache(20000);
  for (uint16_t index = 0; index < 10; ++index) cache.AddMask(key(index), mask(40));  // 3200 bytes each
  EXPECT_LE(cache.MaskBytes(), 20000u);
  EXPECT_FALSE(cache.FindMask(key(0)));
  ASSERT_TRUE(cache.FindMask(key(9)));
  EXPECT_EQ(cache.FindMask(key(9))->Cells[5], 7);
  // Another phase or scale is another mask.
  EXPECT_FALSE(cache.FindMask({glyphs[9], 0.5, 4, 0}));
  EXPECT_FALSE(cache.FindMask({glyphs[9], 0.25, 3, 0}));
  // The same font and index after the outlines were read anew is another glyph.
  EXPECT_FALSE(cache.FindMask({glyph(9), 0.5, 3, 0}));
  // A mask larger than the whole budget is handed back but not kept.
  const size_t before = cache.MaskBytes();
  EXPECT_EQ(cache.AddMask(key(100), mask(200))->Width, 200);
  EXPECT_FALSE(cache.FindMask(key(100)));
  EXPECT_EQ(cache.MaskBytes(), before);
  cache.SetIdentity("another show");
  EXPECT_EQ(cache.MaskBytes(), 0u);
  EXPECT_FALSE(cache.FindMask(key(9)));
}

TEST(GlyphCache, AnotherShowsIdentityEmptiesIt) {
  TFontCache cache;
  cache.SetIdentity("show one");
  TGlyphData glyph;
  glyph.Index = 3;
  cache.Add(u"Arial:", glyph);
  cache.SetIdentity("show one");
  EXPECT_TRUE(cache.Find(u"Arial:", 3));
  cache.SetIdentity("show two");
  EXPECT_FALSE(cache.Find(u"Arial:", 3));
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST(TextPicture, AStopAskedAfterALineKeepsTheLinesDrawnSoFar) {
  const Ref<TTextBitmapStore> store = Store({u"One", u"Two", u"Three"});
  std::vector<double> reported;
  store->SetProgressHandler([&reported](double fraction) {
    reported.push_back(fraction);
    if (reported.size() == 2) throw std::runtime_error("loading stops");
  });
  const Ref<TBitmap> picture = store->GetLevel(0);
  ASSERT_TRUE(picture);
  test::DumpPng(*OnDark(*picture), "stopped_after_two_lines");
  EXPECT_EQ(reported, (std::vector<double>{1.0 / 3, 2.0 / 3}));
  // Asked after each line: the first two are there, the third never drawn.
  const std::vector<double>& tops = store->Layout().LineTops;
  EXPECT_GE(InkColumns(*picture, int(tops[0]), int(tops[1])).second, 0);
  EXPECT_GE(InkColumns(*picture, int(tops[1]), int(tops[2])).second, 0);
  EXPECT_EQ(InkColumns(*picture, int(tops[2]) + 2, picture->Height()).second, -1);
}

}  // namespace
}  // namespace orv
