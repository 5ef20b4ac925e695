#include "package/show_locator.h"

#include <gtest/gtest.h>

#include <chrono>

#include "package/load_pacing.h"
#include "package/path_variables.h"
#include "package/windows_names.h"
#include "package_fixture.h"

namespace orv {
namespace {

using testing_package::PackageTest;
using testing_package::WriteFile;
using testing_package::WritePackage;

using LocatorTest = testing_package::PathModifiersTest;

const std::string kProject =
    "[Main]\r\nOrvVersion=8.1\r\nopt_exefn=C:\\Users\\Author\\Show.exe\r\n"
    "[FileMap]\r\n;\"C:\\Old=Pics\\a.jpg\"=\"C:\\Pics\\a.jpg\"\r\n"
    "[RotationState]\r\n;\"C:\\Pics\\a.jpg\"=6\r\n";

std::string Read(StreamPtr stream) { return stream ? stream->ReadAll() : "<nothing>"; }

TEST_F(LocatorTest, ExecutableShowReadsItsProjectAndTables) {
  const std::string path = PathOf("show.exe");
  WritePackage(path, {{u"Project.orv", kProject, TPackMethod::Deflated}, {u"C:\\Pics\\a.jpg", "picture"}}, {},
               "\x7f" "ELF player");
  WriteFile(PathOf("beside.mp3"), "music");
  const TLocatorResult result = LocatorFromExecutable(path);
  ASSERT_TRUE(result.Locator) << result.ErrorText;
  const TOrvShowLocator& locator = *result.Locator;
  EXPECT_EQ(locator.OrvVersion(), u"8.1");
  EXPECT_EQ(locator.ProjectName(), u"Project.orv");
  EXPECT_EQ(Read(locator.Accessor()->OpenStream(u"c:\\old=pics\\A.JPG")), "picture");
  EXPECT_EQ(locator.Accessor()->Source()->OrientationOf(u"C:\\Pics\\a.jpg"), orTurnedClockwise);
  EXPECT_EQ(locator.Accessor()->FindFile(u"C:\\Users\\Author\\beside.mp3"), PathOf("beside.mp3"));
}

TEST_F(LocatorTest, ExecutableShowFailures) {
  WritePackage(PathOf("no_project.exe"), {{u"a.jpg", "x"}});
  WritePackage(PathOf("moved.exe"), {{u"Project.orv", kProject}}, {.PrefixBytes = 10});
  WriteFile(PathOf("plain.exe"), "\x7f" "ELF nothing appended");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"no_project.exe", "Executable SlideShow Open Error"},
      {"moved.exe", "Slide-show File Modified"},
      {"plain.exe", ""},
      {"missing.exe", "Slideshow File not Found"},
  };
  for (const auto& [file, error] : cases) {
    const TLocatorResult result = LocatorFromExecutable(PathOf(file));
    EXPECT_FALSE(result.Locator) << file;
    EXPECT_EQ(result.ErrorText, error) << file;
  }
}

TEST_F(LocatorTest, LooseProjectFindsFilesBesideIt) {
  WriteFile(PathOf("show/show.orv"), kProject + "[PathModifiers]\r\nCount=0\r\n");
  WriteFile(PathOf("show/a.jpg"), "beside");
  WriteFile(PathOf("show/C:/Pics/a.jpg"), "never a drive");
  const Ref<TOrvShowLocator> locator = LocatorFromProject(PathOf("show/show.orv"));
  ASSERT_TRUE(locator);
  EXPECT_EQ(locator->Accessor()->BaseFolder(), WideFromDiskPath(PathOf("show") + "/"));
  EXPECT_EQ(locator->Accessor()->FindFile(u"C:\\Pics\\a.jpg"), PathOf("show") + "/a.jpg");
  // Opened from wherever the program runs, by the author's path or by a bare name.
  for (const char16_t* name : {u"C:\\Pics\\a.jpg", u"a.jpg", u"elsewhere/a.jpg"})
    EXPECT_EQ(Read(locator->Accessor()->OpenStream(name)), "beside") << Utf16ToUtf8(name);
  EXPECT_FALSE(locator->Accessor()->OpenStream(u"b.jpg"));
  EXPECT_EQ(locator->Accessor()->Source()->OrientationOf(u"c:\\pics\\A.jpg"), orTurnedClockwise);
  // "Count" 0 removed every path variable, the built-in ones included.
  EXPECT_TRUE(CurrentPathModifiers().Items().empty());
  EXPECT_EQ(ApplyPathVariables(u"%styles%\\x.png"), u"%styles%\\x.png");
}

TEST_F(LocatorTest, LooseProjectReplacesPathVariables) {
  WriteFile(PathOf("vars/frame.png"), "frame");
  WriteFile(PathOf("show.orv"), "[Main]\r\nopt_exefn=" + PathOf("program") + "/Show.exe\r\n"
                                "[PathModifiers]\r\nCount=2\r\nEnv0=%frames%\r\nPath0=" + PathOf("vars") +
                                "\\\r\nDef0=0\r\nEnv1=%frames%\r\nPath1=" + PathOf("none") + "\r\nDef1=1\r\n");
  std::filesystem::create_directories(PathOf("program"));
  const Ref<TOrvShowLocator> locator = LocatorFromProject(PathOf("show.orv"));
  ASSERT_TRUE(locator);
  EXPECT_EQ(locator->Accessor()->BaseFolder(), WideFromDiskPath(PathOf("program") + "/"));
  const TPathModifiers current = CurrentPathModifiers();
  const auto& items = current.Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_TRUE(items[1].IsDefault);
  EXPECT_EQ(Read(locator->Accessor()->OpenStream(u"%FRAMES%\\frame.png")), "frame");
  EXPECT_EQ(ApplyPathVariables(u"%frames%\\gone.png"), WideFromDiskPath(PathOf("none")) + u"\\gone.png");
}

TEST_F(LocatorTest, AbsurdModifierCountsStopAtTheSectionsKeys) {
  WriteFile(PathOf("show.orv"), "[PathModifiers]\r\nCount=2000000000\r\nEnv0=%a%\r\nPath0=/x\r\n");
  ASSERT_TRUE(LocatorFromProject(PathOf("show.orv")));
  EXPECT_LE(CurrentPathModifiers().Items().size(), 3u);
}

TEST_F(LocatorTest, UnreadableLooseProject) {
  EXPECT_FALSE(LocatorFromProject(PathOf("missing.orv")));
  std::filesystem::create_directories(PathOf("folder.orv"));
  EXPECT_FALSE(LocatorFromProject(PathOf("folder.orv")));
}

TEST(LoadPacing, PausesOnlyWhilePlayingAndEvery5Ms) {
  using std::chrono::microseconds;
  EXPECT_FALSE(LoadPauseDue(TLoadPacingMode::Off, std::chrono::seconds(1)));
  EXPECT_FALSE(LoadPauseDue(TLoadPacingMode::Playing, microseconds(5000)));
  EXPECT_TRUE(LoadPauseDue(TLoadPacingMode::Playing, microseconds(5001)));
}

TEST(LoadPacing, PlayingLoadsSleepAboutOneMsInSix) {
  using Clock = std::chrono::steady_clock;
  EXPECT_EQ(LoadPacingMode(), TLoadPacingMode::Off);
  SetLoadPacingMode(TLoadPacingMode::Playing);
  Clock::duration in_pacing{};
  for (const auto end = Clock::now() + std::chrono::milliseconds(60); Clock::now() < end;) {
    const auto before = Clock::now();
    PaceLoading(nullptr);
    in_pacing += Clock::now() - before;
  }
  SetLoadPacingMode(TLoadPacingMode::Off);
  // About ten pauses of a millisecond; a busy machine only makes them longer.
  EXPECT_GE(in_pacing, std::chrono::milliseconds(5));
}

}  // namespace
}  // namespace orv
