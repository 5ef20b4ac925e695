#include "project/ini_values.h"

#include <gtest/gtest.h>

#include <limits>

namespace orv {
namespace {

TEST(IniValueSyntax, Integers) {
  struct TCase {
    std::string_view text;
    std::optional<int32_t> value;
  };
  const TCase cases[] = {
      {"12", 12},       {"  12", 12},     {"\b7", 7},        {"+12", 12},          {"-12", -12},
      {"1.5", {}},      {"", {}},         {"-", {}},         {"12 ", {}},          {"\t12", {}},
      {"0x10", {}},     {"1e3", {}},      {"2147483647", 2147483647},            {"2147483648", {}},
      {"-2147483648", std::numeric_limits<int32_t>::min()}, {"-2147483649", {}}, {"00000000000000000042", 42},
  };
  for (const TCase& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';

  EXPECT_EQ(ParseInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(ParseInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ParseInt64("9223372036854775808"), std::nullopt);
  EXPECT_EQ(ParseInt64("99999999999999999999"), std::nullopt);
}

TEST(IniValueSyntax, Floats) {
  struct TCase {
    std::string_view text;
    std::optional<double> value;
  };
  const TCase cases[] = {
      {"1.5", 1.5}, {"1,5", {}},     {"2E3", 2000}, {"2e+3", 2000}, {"25e-1", 2.5}, {" -0.25", -0.25},
      {"+.5", 0.5}, {"5.", 5},       {".", {}},     {"1e", {}},     {"e5", {}},     {"1.2.3", {}},
      {"1 ", {}},   {"inf", {}},     {"nan", {}},   {"1e400", {}},  {"0x1p3", {}},  {"0.1", 0.1},
      {"123456789012345678901234567890", 1.2345678901234568e29},
  };
  for (const TCase& c : cases) EXPECT_EQ(ParseFloat(c.text), c.value) << '"' << c.text << '"';
}

TEST(IniValueSyntax, FloatsAreWrittenInShortFixedPoint) {
  struct TCase {
    double value;
    std::string_view text;
  };
  for (const TCase& c : {TCase{2.0, "2"}, TCase{0.1, "0.1"}, TCase{-1.25, "-1.25"}, TCase{1e20, "100000000000000000000"},
                         TCase{1.0 / 3, "0.3333333333333333"}, TCase{1e-17, "0"}, TCase{0, "0"}}) {
    EXPECT_EQ(FormatFloat(c.value), c.text);
    EXPECT_NEAR(*ParseFloat(FormatFloat(c.value)), c.value, 1e-16);
  }
}

TEST(IniValueSyntax, BooleansAreExactlyZeroOrOne) {
  EXPECT_EQ(ParseBool("1"), true);
  EXPECT_EQ(ParseBool("0"), false);
  for (std::string_view other : {"", "true", "01", " 1", "2", "1.0"}) EXPECT_EQ(ParseBool(other), std::nullopt);
}

TEST(IniValueSyntax, ListsSplitAtEverySeparatorWithoutTrimming) {
  using Parts = std::vector<std::string_view>;
  EXPECT_EQ(SplitList(""), Parts{});
  EXPECT_EQ(SplitList(","), (Parts{"", ""}));
  EXPECT_EQ(SplitList("a, b,,c"), (Parts{"a", " b", "", "c"}));
  EXPECT_EQ(SplitList("a;b", ';'), (Parts{"a", "b"}));
}

TEST(IniValueSyntax, PairsAndVectorsNeedTheirExactPartCount) {
  EXPECT_EQ(ParseIntPair("3,4", {1, 2}), (TIntPair{3, 4}));
  EXPECT_EQ(ParseIntPair("3,x", {1, 2}), (TIntPair{3, 2}));
  EXPECT_EQ(ParseIntPair("3", {1, 2}), (TIntPair{1, 2}));
  EXPECT_EQ(ParseIntPair("3,4,5", {1, 2}), (TIntPair{1, 2}));
  EXPECT_EQ(ParseVector3("1.5,-2,3e1", {0, 0, 0}), (TVector3{1.5, -2, 30}));
  EXPECT_EQ(ParseVector3("1,2", {7, 8, 9}), (TVector3{7, 8, 9}));
  EXPECT_EQ(ParseVector3("1,,3", {7, 8, 9}), (TVector3{1, 8, 3}));
  EXPECT_EQ(ParseVector4("1,2,3,4", {0, 0, 0, 0}), (TVector4{1, 2, 3, 4}));
  EXPECT_EQ(ParseVector4("1,2,3", {5, 6, 7, 8}), (TVector4{5, 6, 7, 8}));
}

TEST(IniValueSyntax, Colours) {
  struct TCase {
    std::string_view text;
    TIniColor color;
  };
  const TIniColor fallback{9, 8, 7, 6};
  const TCase cases[] = {
      {"0,0,0", {0, 0, 0, 255}},
      {"0, 0, 0", {0, 0, 0, 255}},
      {"10 ,20,30", {0, 20, 30, 255}},  // a part with a trailing blank takes its default
      {"1,2,3,4", {1, 2, 3, 4}},
      {"1,2,3,260", {1, 2, 3, 4}},
      {"300,2,3", {44, 2, 3, 255}},
      {"a,b,c", {0, 0, 0, 255}},
      {"#808080", {128, 128, 128, 255}},
      {"8421504", {128, 128, 128, 255}},
      {"255", {255, 0, 0, 255}},
      {"#FF0000,128", {255, 0, 0, 128}},
      {"#ff0000,#80", {255, 0, 0, 128}},
      {"#FF0000,300", {255, 0, 0, 255}},
      {"#FF0000,-5", {255, 0, 0, 0}},
      {"#FF0000,x", {255, 0, 0, 255}},
      {"#1234567", {0x23, 0x45, 0x67, 255}},
      {"#12", {0, 0, 0x12, 255}},
      {"1,2", {1, 0, 0, 2}},
      {"#", {9, 8, 7, 255}},
      {"#GG0000", {9, 8, 7, 255}},
      {"x,5", {9, 8, 7, 5}},
      {"", {9, 8, 7, 255}},
      {"1,2,3,4,5", {9, 8, 7, 255}},
  };
  for (const TCase& c : cases) EXPECT_EQ(ParseColor(c.text, fallback), c.color) << '"' << c.text << '"';
}

TEST(IniValueSyntax, FontStylesCompareWordsExactly) {
  EXPECT_EQ(ParseFontStyle("Bold,Italic"), fsBold | fsItalic);
  EXPECT_EQ(ParseFontStyle("Underline,StrikeOut,Shadow"), fsUnderline | fsStrikeOut);
  EXPECT_EQ(ParseFontStyle("Bold, Italic"), fsBold);
  EXPECT_EQ(ParseFontStyle("bold"), 0u);
  EXPECT_EQ(ParseFontStyle(""), 0u);
}

TEST(IniValueSyntax, EscapedText) {
  EXPECT_EQ(EscapeText("a\\b\r\nc\rd\ne"), "a\\\\b\\nc\\nd\\ne");
  EXPECT_EQ(UnescapeText("a\\\\b\\nc"), "a\\b\r\nc");
  EXPECT_EQ(UnescapeText(""), "");
  for (std::string_view bad : {"\\", "a\\t", "\\N", "ok\\\\\\"}) EXPECT_EQ(UnescapeText(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace orv
