#include "show/command_text.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(CommandText, CommasSplitOutsideQuotes) {
  using List = std::vector<WideString>;
  EXPECT_EQ(SplitCommands(u" notepad.exe  readme.txt "), List{u" notepad.exe  readme.txt "});
  EXPECT_EQ(SplitCommands(u"a.exe x, b.exe y ,c.exe"), (List{u"a.exe x", u"b.exe y", u"c.exe"}));
  EXPECT_EQ(SplitCommands(u"\"a,b.exe\" \"1,2\", c"), (List{u"\"a,b.exe\" \"1,2\"", u"c"}));
  EXPECT_EQ(SplitCommands(u"a,,b"), (List{u"a", u"", u"b"}));
}

TEST(CommandText, TheProgramWord) {
  struct {
    const char16_t* command;
    const char16_t* word;
  } const cases[] = {
      {u"notepad.exe readme.txt", u"notepad"},
      {u"C:\\WINDOWS\\SYSTEM32\\CMD.EXE /c del x", u"cmd"},
      {u"@cmd /c del x", u"cmd"},
      {u"\"C:\\Program Files\\App\\run.exe\" x", u"run"},
      {u"\"my tool\".exe", u"my_tool"},
      {u"  \t/usr/bin/Bash -c ls", u"bash"},
      {u"dir > out.txt", u">"},
      {u"http://example.com/path/page.html", u"page"},
      {u"mkfs.ext4 /dev/sda1", u"mkfs"},
      {u"|rm -rf /", u"rm"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgramWord(c.command), c.word) << Utf16ToUtf8(c.command);
}

TEST(CommandText, TheGuardRefusesWhatCouldHarmTheSystem) {
  for (const char16_t* command : {
           // the original platform's commands, however written
           u"cmd /c del C:\\x", u"C:\\Windows\\System32\\CMD.EXE /c del x", u"@cmd", u"\"@CmD.eXe\" /k",
           u"format c:", u"regsvr32 x.dll", u"type secrets.txt", u"echo hi > C:\\autoexec.bat", u"dir>x",
           u"ftp -s:x", u"start evil.exe",
           // their counterparts here
           u"sh -c 'rm -rf ~'", u"/bin/sh", u"/usr/bin/BASH script", u"\"/bin/dash\" -c x", u"busybox rm x",
           u"env X=1 prog", u"xargs rm", u"setsid prog", u"sudo prog", u"su -", u"pkexec prog", u"rm -rf /",
           u"/bin/mv a b", u"cp a b", u"dd if=/dev/zero of=/dev/sda", u"mkfs.ext4 /dev/sda1", u"chmod +s x",
           u"chown root x", u"crontab -r", u"at now", u"xterm -e rm x", u"find / -delete", u"awk 'BEGIN{}'",
           u"python3 -c \"import os\"", u"python -Ic x", u"/usr/bin/python3.11 -c x", u"perl -e 1", u"perl -ne 1",
           u"ruby -e 1", u"node --eval 1", u"node -p 1", u"php -r 1", u"lua -e 1", u"curl -o x http://h/",
       }) {
    EXPECT_TRUE(IsForbiddenCommand(command)) << Utf16ToUtf8(command);
  }
  for (const char16_t* command : {
           u"notepad.exe readme.txt", u"\"C:\\Program Files\\Viewer\\viewer.exe\" \"my file.pdf\"",
           u"http://example.com", u"mailto:me@example.com", u"python3 slideshow_helper.py", u"perl report.pl",
           u"node app.js", u"firefox", u"/usr/bin/evince manual.pdf", u"shell.exe", u"readme.txt", u"",
       }) {
    EXPECT_FALSE(IsForbiddenCommand(command)) << Utf16ToUtf8(command);
  }
}

TEST(CommandText, FileAndParameters) {
  struct {
    const char16_t* command;
    const char16_t* file;
    const char16_t* parameters;
  } const cases[] = {
      {u"notepad.exe readme.txt", u"notepad.exe", u"readme.txt"},
      {u"notepad.exe   a  b ", u"notepad.exe", u"a  b"},
      {u"\"C:\\Program Files\\A\\a.exe\" -x y", u"\"C:\\Program Files\\A\\a.exe\"", u"-x y"},
      {u"\"C:\\A\\a.exe\"", u"\"C:\\A\\a.exe\"", u""},
      {u"a.exe \"my file.txt\" 2", u"a.exe", u"\"my file.txt 2\""},
      {u"viewer", u"viewer", u""},
      {u"", u"", u""},
  };
  for (const auto& c : cases) {
    const TFileAndParameters parts = SplitFileAndParameters(c.command);
    EXPECT_EQ(parts.File, c.file) << Utf16ToUtf8(c.command);
    EXPECT_EQ(parts.Parameters, c.parameters) << Utf16ToUtf8(c.command);
  }
}

TEST(CommandText, ArgumentsSplitAsOnTheShowsPlatform) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(SplitArguments(""), Words{});
  EXPECT_EQ(SplitArguments("  a  b\tc "), (Words{"a", "b", "c"}));
  EXPECT_EQ(SplitArguments("\"a b\" c"), (Words{"a b", "c"}));
  EXPECT_EQ(SplitArguments("a\"b c\"d"), (Words{"ab cd"}));
  EXPECT_EQ(SplitArguments("\"\""), (Words{""}));
  EXPECT_EQ(SplitArguments("C:\\dir\\ x"), (Words{"C:\\dir\\", "x"}));
  EXPECT_EQ(SplitArguments("a\\\\\"b c\""), (Words{"a\\b c"}));  // 2n backslashes: n, the quote opens
  EXPECT_EQ(SplitArguments("a\\\"b c"), (Words{"a\"b", "c"}));    // 2n + 1: n and a literal quote
  EXPECT_EQ(SplitArguments("\"a \"\"b\"\" c\""), (Words{"a \"b\" c"}));
  EXPECT_EQ(SplitArguments("\"unclosed  quote"), (Words{"unclosed  quote"}));
  EXPECT_EQ(SplitArguments("\\\\"), (Words{"\\\\"}));
}

TEST(CommandText, Unquoted) {
  EXPECT_EQ(Unquoted(u"\"a b\""), u"a b");
  EXPECT_EQ(Unquoted(u"\"a"), u"\"a");
  EXPECT_EQ(Unquoted(u"\""), u"\"");
  EXPECT_EQ(Unquoted(u"ab"), u"ab");
}

}  // namespace
}  // namespace orv
