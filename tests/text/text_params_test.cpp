#include "text/text_params.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(TextName, DecodesTheFieldsAndKeepsDefaultsForBadNumbers) {
  const TDecodedTextName hello = DecodeTextName(u"Text: Arial:1:0:0::1:1:0:\"Hello\"");
  EXPECT_EQ(hello.Lines, std::vector<WideString>{u"Hello"});
  EXPECT_EQ(hello.Params.FontName, u"Arial");
  EXPECT_EQ(hello.Params.Style, 0u);
  EXPECT_EQ(hello.Params.Alignment, 1);
  EXPECT_EQ(hello.Params.Scale, 1);
  const TDecodedTextName bad = DecodeTextName(u"Text: Arial:x:0.5:0.25:Bold,StrikeOut:2:1.5:100.:\"a:b\"");
  EXPECT_EQ(bad.Params.Scale, 1);
  EXPECT_EQ(bad.Params.OffsetX, 0.5f);
  EXPECT_EQ(bad.Params.OffsetY, 0.25f);
  EXPECT_EQ(bad.Params.Style, kStyleBold | kStyleStrikeOut);
  EXPECT_EQ(bad.Params.Alignment, 2);
  EXPECT_EQ(bad.Params.Correction, 1.5);
  EXPECT_EQ(bad.Params.LineSpacing, 100);
  EXPECT_EQ(bad.Lines, std::vector<WideString>{u"a:b"});
  EXPECT_TRUE(DecodeTextName(u"Text: Arial:1:0:0::1:1:0:\"\"").Lines.empty());
}

TEST(TextName, EscapesUpperCaseAndAngleBrackets) {
  EXPECT_EQ(QuotedText({u"Noël", u"a<b"}), u"\"<N>oël\r\na<<b\"");
  EXPECT_EQ(CaseEscape(u"ABC def"), u"<ABC> def");
  EXPECT_EQ(CaseEscape(u"AB<C>"), u"<AB><<<C>>>");
  for (const WideString line : {u"Noël", u"ABC def", u"AB<C>", u"<<>>", u"ÉTÉ à Paris"})
    EXPECT_EQ(CaseUnescape(CaseEscape(line)), line);
}

TEST(TextName, EncodesEveryFieldAndRoundTrips) {
  TTextParams params;
  params.FontName = u"Times New Roman";
  params.Scale = 0.5;
  params.OffsetX = 0.25f;
  params.Style = kStyleItalic | kStyleUnderline;
  params.Alignment = 0;
  params.LineSpacing = 50;
  const std::vector<WideString> lines{u"First Line", u"second: <x>"};
  const WideString name = EncodeTextName(lines, params);
  EXPECT_EQ(name, u"Text: Times New Roman:0.5:0.25:0:Italic,Underline:0:1:50.:\"<F>irst <L>ine\r\nsecond: <<x>>\"");
  const TDecodedTextName decoded = DecodeTextName(name);
  EXPECT_EQ(decoded.Lines, lines);
  EXPECT_EQ(decoded.Params, params);
}

TEST(TextName, SplitsLinesAtEveryKindOfBreak) {
  EXPECT_EQ(SplitLines(u"a\r\nb\n\rc\rd\ne"), (std::vector<WideString>{u"a", u"b", u"c", u"d", u"e"}));
  EXPECT_EQ(SplitLines(u"a\n\nb"), (std::vector<WideString>{u"a", u"", u"b"}));
}

}  // namespace
}  // namespace orv
