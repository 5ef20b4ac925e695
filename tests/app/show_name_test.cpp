#include "app/show_name.h"

#include <gtest/gtest.h>

#include "app/show_open_hooks.h"
#include "base/program_path.h"
#include "package_fixture.h"

namespace orv {
namespace {

using testing_package::PackageTest;
using testing_package::ReadFile;
using testing_package::WriteFile;
using testing_package::WritePackage;

TEST(ShowName, NamesAreMadeAbsoluteAgainstAFolder) {
  struct {
    const char* name;
    const char* expected;
  } const cases[] = {
      {"show.exe", "/opt/orv/bin/show.exe"},
      {"../show.exe", "/opt/orv/show.exe"},
      {"..\\..\\shows/a.orv", "/opt/shows/a.orv"},
      {"../../../../a.orv", "/a.orv"},
      {"/srv/show.exe", "/srv/show.exe"},
      {"C:\\Shows\\show.exe", "C:\\Shows\\show.exe"},
      {"\\\\server\\share\\show.exe", "\\\\server\\share\\show.exe"},
      {"sub/../show.exe", "/opt/orv/bin/sub/../show.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(AbsoluteName(c.name, "/opt/orv/bin/"), c.expected) << c.name;
}

TEST(ShowName, TheOvShowSiblingAndTheFolder) {
  EXPECT_EQ(OvShowNameOf("/a/show.exe"), "/a/show.OvShow");
  EXPECT_EQ(OvShowNameOf("/a/orvviewer"), "/a/orvviewer.OvShow");
  EXPECT_EQ(OvShowNameOf("/a.b/show"), "/a.b/show.OvShow");
  EXPECT_EQ(OvShowNameOf("/a/show.tar.gz"), "/a/show.tar.OvShow");
  EXPECT_EQ(FolderPartOf("/a/b/show.exe"), "/a/b/");
  EXPECT_EQ(FolderPartOf("C:\\Shows\\show.exe"), "C:\\Shows\\");
  EXPECT_EQ(FolderPartOf("show.exe"), "");
}

class ShowFiles : public PackageTest {};

TEST_F(ShowFiles, BundlesStandForTheShowInside) {
  WriteFile(PathOf("Show.APP/Contents/Resources/slideshow.dat"), "show");
  WriteFile(PathOf("Empty.app/Contents/readme"), "");
  EXPECT_EQ(BundleShowFile(PathOf("Show.APP")), PathOf("Show.APP") + "/Contents/Resources/slideshow.dat");
  EXPECT_EQ(BundleShowFile(PathOf("Empty.app")), PathOf("Empty.app"));
  EXPECT_EQ(BundleShowFile(PathOf("show.exe")), PathOf("show.exe"));
}

TEST_F(ShowFiles, ProjectTextIsToldFromProgramsAndPackages) {
  WriteFile(PathOf("utf8.txt"), "\xEF\xBB\xBF\r\n  [Main]\r\nOrvVersion=8\r\n");
  WriteFile(PathOf("comment.txt"), ";made by hand\n[Main]\n");
  WriteFile(PathOf("utf16.txt"), std::string("\xFF\xFE[\0M\0", 6));
  WriteFile(PathOf("program"),
            "\x7f"
            "ELF\x02\x01\x01");
  WriteFile(PathOf("notes.orv"), "some words");
  WritePackage(PathOf("package.orv"), {{u"Project.orv", "[Main]\n"}}, {}, "[Main]\nlooks like a project");
  for (const char* project : {"utf8.txt", "comment.txt", "utf16.txt", "missing.orv", "missing.ORV"})
    EXPECT_TRUE(LooksLikeProjectText(PathOf(project))) << project;
  for (const char* other : {"program", "notes.orv", "package.orv", "missing.exe"})
    EXPECT_FALSE(LooksLikeProjectText(PathOf(other))) << other;
}

TEST_F(ShowFiles, TheShowNamedOnTheCommandLine) {
  WriteFile(PathOf("here/show.orv"), "[Main]\n");
  WriteFile(PathOf("here/show.exe"),
            "\x7f"
            "ELF");
  struct {
    std::u16string line;
    std::string path;
    bool executable, given;
  } const cases[] = {
      {u"prog", "/opt/bin/prog", true, false},
      {u"prog -filename ../a.orv", "/opt/a.orv", false, true},
      {u"prog -exename b.exe", "/opt/bin/b.exe", true, false},
      {u"prog -exename b.exe -FILENAME a.orv", "/opt/bin/a.orv", false, true},
      {u"prog show.orv", PathOf("here/show.orv"), false, true},
      {u"prog show.exe -slide 2", PathOf("here/show.exe"), true, false},
      {u"prog show.orv -exename b.exe", "/opt/bin/b.exe", true, false},
      {u"prog /s", "/opt/bin/prog", true, false},
      {u"prog /P 1234", "/opt/bin/prog", true, false},
      {u"prog /c:5678", "/opt/bin/prog", true, false},
      {u"prog /shows/a.exe", "/shows/a.exe", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    const TShowName show = ShowNameOf(TCommandLine(c.line), "/opt/bin/prog", "/opt/bin/", PathOf("here") + "/");
    EXPECT_EQ(show.Path, c.path);
    EXPECT_EQ(show.IsExecutable, c.executable);
    EXPECT_EQ(show.FileNameGiven, c.given);
  }
}

TEST_F(ShowFiles, OnlyLibrariesForThisMachineAreLoaded) {
  const std::string library = ReadFile(ORV_MEDIA_LIBRARY_PATH);
  std::string other_machine = library;
  other_machine[18] = char(other_machine[18] + 1);
  std::string other_class = library;
  other_class[4] = other_class[4] == 2 ? 1 : 2;
  struct {
    const char* what;
    std::string bytes;
    bool loadable;
  } const cases[] = {
      {"our library", library, true},
      {"another machine", other_machine, false},
      {"another word size", other_class, false},
      {"a Windows library", "MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff\x00\x00\xb8\x00\x00\x00\x00\x00",
       false},
      {"a few bytes",
       "\x7f"
       "ELF",
       false},
  };
  for (const auto& c : cases) {
    TMemoryStream stream(c.bytes);
    EXPECT_EQ(IsLibraryForThisMachine(stream, ProgramPath()), c.loadable) << c.what;
  }
}

}  // namespace
}  // namespace orv
