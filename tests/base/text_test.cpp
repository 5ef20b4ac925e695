#include "base/text.h"

#include <gtest/gtest.h>

#include "base/exceptions.h"

namespace orv {
namespace {

TEST(Utf8ToUtf16, DecodesEveryLengthAndSurrogatePairs) {
  // a, e-acute, euro sign, G clef (U+1D11E, a surrogate pair in UTF-16)
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E"), WideString(u"a\u00E9\u20AC\U0001D11E"));
  EXPECT_EQ(Utf8ToUtf16(""), WideString());
}

TEST(Utf8ToUtf16, RejectsMalformedInput) {
  const char* bad[] = {
      "\x80",              // lone continuation byte
      "\xC3",              // truncated two-byte sequence
      "\xE2\x82",          // truncated three-byte sequence
      "\xC0\xAF",          // overlong "/"
      "\xE0\x80\xAF",      // overlong three-byte form
      "\xED\xA0\x80",      // encoded surrogate U+D800
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xFF",              // invalid lead byte
      "ok\xC3(",           // bad continuation
  };
  for (const char* text : bad) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    EXPECT_FALSE(IsValidUtf8(text));
    try {
      Utf8ToUtf16(text);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), "Invalid UTF8 Char");
    }
  }
}

TEST(Utf16ToUtf8, RoundTripsAndReplacesLoneSurrogates) {
  const WideString text = u"Zo\u00EB \u4E2D\u6587 \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(WideString(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(Windows1252, MapsTheHighHalf) {
  EXPECT_EQ(Windows1252ToUtf8("caf\xE9 \x80 \x93"), "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C");
  EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xC2\x81");  // undefined: the C1 control of that value
}

TEST(CaseFolding, FoldsBeyondAscii) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"Main", "mAIN", true},
      {"\xC3\x84pfel", "\xC3\xA4PFEL", true},             // Äpfel / äPFEL
      {"\xCE\xA3\xCE\xB9", "\xCF\x83\xCE\x99", true},     // Σι / σΙ
      {"\xD0\x9C\xD0\xB8\xD1\x80", "\xD0\xBC\xD0\x98\xD0\xA0", true},  // Мир / мИР
      {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", true},     // Deseret capital / small long I
      {"abc", "abd", false},
      {"abc", "ab", false},
      {"\xC3\x84", "A", false},
      {"\xFF", "\xFF", true},                             // malformed bytes compare as themselves
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(SameTextUtf8(c.a, c.b), c.same);
    if (c.same) {
      EXPECT_EQ(FoldedHashUtf8(c.a), FoldedHashUtf8(c.b));
    }
  }
  EXPECT_TRUE(SameText(u"\u00C4\u03A3\u041C", u"\u00E4\u03C3\u043C"));
  EXPECT_EQ(FoldCase(U'\u0130'), U'i');  // capital I with dot above lowers to i
  EXPECT_EQ(LowerUtf8("\xC3\x84X\xFF"), "\xC3\xA4x\xFF");
  EXPECT_EQ(LowerWide(u"\u0391B"), u"\u03B1b");
}

}  // namespace
}  // namespace orv
