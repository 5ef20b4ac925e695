#include "app/command_line.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Tokens = std::vector<WideString>;

TEST(CommandLine, TokensFollowTheQuoteRules) {
  struct {
    const char16_t* line;
    Tokens tokens;
  } const cases[] = {
      {u"a\"b c\"d", {u"ab cd"}},
      {u"prog -FileName \"/home/me/My Shows/a.orv\"", {u"prog", u"-FileName", u"/home/me/My Shows/a.orv"}},
      {u"x \"\" y", {u"x", u"", u"y"}},
      {u"\"a\"b\"", {u"ab"}},
      {u"a\"b\"", {u"ab"}},
      // An open quote carries over: the rest of the line is one token.
      {u"\"a b -c", {u"a b -c"}},
      {u"\"a\" \"b c", {u"a", u"b c"}},
      {u" \t a\x01"
       u"b\x1f"
       u"c  ",
       {u"a", u"b", u"c"}},
      {u"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    EXPECT_EQ(TokenizeCommandLine(c.line), c.tokens);
  }
}

TEST(CommandLine, ArgumentsAreQuotedWordByWord) {
  const char* argv[] = {"/opt/orv/orvviewer", "-FileName", "/home/me/My Shows/a.orv", ""};
  const WideString line = CommandLineOfArguments(4, argv);
  EXPECT_EQ(line, u"\"/opt/orv/orvviewer\" \"-FileName\" \"/home/me/My Shows/a.orv\" \"\"");
  EXPECT_EQ(TokenizeCommandLine(line), (Tokens{u"/opt/orv/orvviewer", u"-FileName", u"/home/me/My Shows/a.orv", u""}));
}

TEST(CommandLine, SwitchesCollectTheirWordsWhateverTheirCase) {
  const TCommandLine line(u"prog \"\" first -FileName \"/x/My Show.orv\" -SLIDE 3 Word -slide 4 -Empty");
  EXPECT_EQ(line.GetSwitchArg(u"", 0), u"prog");
  EXPECT_EQ(line.GetSwitchArg(u"", 1), u"first");
  EXPECT_EQ(line.GetSwitchArg(u"FileName", 0), u"/x/My Show.orv");
  EXPECT_EQ(line.GetSwitchArg(u"slide", 0), u"3");
  EXPECT_EQ(line.GetSwitchArg(u"slide", 1), u"Word");  // words keep their case
  EXPECT_EQ(line.GetSwitchArg(u"slide", 2), u"4");
  EXPECT_EQ(line.GetSwitchArg(u"slide", 3), std::nullopt);
  EXPECT_EQ(line.GetSwitchArg(u"empty", 0), std::nullopt);
  EXPECT_EQ(line.GetSwitchArg(u"missing", 0), std::nullopt);
  EXPECT_TRUE(line.HasSwitch(u"empty"));
  EXPECT_TRUE(line.HasSwitch(u"filename"));
  EXPECT_FALSE(line.HasSwitch(u"FileName"));  // callers ask in lower case
  EXPECT_EQ(line.Switches().Count(), 4u);     // "", filename, slide, empty
}

TEST(CommandLine, StartupIsARawTokenWrittenExactly) {
  const TCommandLine written_so(u"prog -startup");
  const TCommandLine capital(u"prog -Startup");
  EXPECT_TRUE(written_so.HasRawToken(u"-startup"));
  EXPECT_FALSE(capital.HasRawToken(u"-startup"));
  EXPECT_TRUE(capital.HasSwitch(u"startup"));
  EXPECT_TRUE(TCommandLine(u"saver.scr /S").HasRawToken(u"/S"));
  EXPECT_FALSE(TCommandLine(u"saver.scr /S").HasRawToken(u"/s"));
}

TEST(CommandLine, SwitchNamesHashIntoTheirBucket) {
  const TCommandsStorage storage;
  // h("log") = (108 * 16 + 111) * 16 + 103 = 29527, and 29527 mod 251 = 160.
  EXPECT_EQ(storage.BucketOf(u"log"), 160u);
  // Long names fold the bits above 2^28 back: the bucket stays the hash's.
  EXPECT_EQ(storage.BucketOf(u"desktopalign"), NameHash(WideView(u"desktopalign")) % 251);
}

TEST(CommandLine, StartPositions) {
  struct {
    const char16_t* line;
    int value;
    bool is_time;
  } const cases[] = {
      {u"prog", 0, false},
      {u"prog -slide 3", 2, false},
      {u"prog -slide 1", 0, false},
      {u"prog -slide 0", 0, false},
      {u"prog -slide three", 0, false},
      {u"prog -slide 3x", 0, false},
      {u"prog -slide 99999999999", 0, false},
      {u"prog -time 5000", 4999, true},
      {u"prog -TIME 1", 0, true},
      {u"prog -time soon", 0, true},
      {u"prog -slide 2 -time 100", 1, false},
      {u"prog -slide -time 7", 6, true},  // "slide" has no word, so "time" counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    const TStartPosition start = GetStartPosition(TCommandLine(c.line));
    EXPECT_EQ(start.Value, c.value);
    EXPECT_EQ(start.IsTime, c.is_time);
  }
}

}  // namespace
}  // namespace orv
