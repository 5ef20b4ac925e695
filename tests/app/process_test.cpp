// Run actions that really start programs: a recorder stands in for them and for the
// desktop's opener (first on PATH), and presentations built by orvpack open and return.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "main_form_fixture.h"
#include "orvpack_runner.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using A = TOrvActionInfo;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t Count(const std::string& text, const std::string& word) {
  size_t count = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
  return count;
}

class ProcessTest : public test::MainForm {
 public:
  void SetUp() override {
    MainForm::SetUp();
    FLog = PathOf("recorder.log");
    FOldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("ORV_RECORDER_LOG", FLog.c_str(), 1);
    // The desktop's opener is the recorder, found first on PATH.
    fs::create_directories(PathOf("opener"));
    fs::create_symlink(RECORDER_PATH, PathOf("opener/xdg-open"));
    setenv("PATH", (PathOf("opener") + ":" + FOldPath).c_str(), 1);
    fs::create_directories(PathOf("bin"));
    fs::copy_file(RECORDER_PATH, PathOf("bin/recorder"));
    WriteShow("bin/player");
  }
  void TearDown() override {
    setenv("PATH", FOldPath.c_str(), 1);
    unsetenv("ORV_RECORDER_LOG");
    MainForm::TearDown();
  }
  // The recorder's log once `runs` runs have ended (they run on their own).
  std::string Recorded(size_t runs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string log;
    while ((log = ReadAll(FLog), Count(log, "end\n") < runs) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return log;
  }
  std::string FLog;
  std::string FOldPath;
};

TEST_F(ProcessTest, ARunActionStartsTheProgramWithItsArgumentsInTheProgramsFolder) {
  TMainForm& form = Start(u"player");
  EXPECT_TRUE(form.Execute(A{A::kRunApp, 0, u"recorder \"my file.txt\" --flag"}));
  Recorded(1);
  EXPECT_TRUE(form.Execute(A{A::kRunApp, 0, u"C:\\Tools\\recorder"}));
  const std::string bin = fs::canonical(PathOf("bin")).string();
  EXPECT_EQ(Recorded(2), "cwd=" + bin + "\narg=recorder\narg=my file.txt --flag\nend\n" +
                             "cwd=" + bin + "\narg=recorder\nend\n");
  EXPECT_TRUE(FMessages.empty());
}

TEST_F(ProcessTest, AddressesAndDocumentsGoToTheOpenerAsOneArgument) {
  TMainForm& form = Start(u"player");
  std::ofstream(PathOf("bin/manual.pdf")) << "%PDF";
  form.Execute(A{A::kOpenWebSite, 0, u"example.com/a b; rm -rf ~"});
  Recorded(1);  // one after the other, so that the log keeps their order
  form.Execute(A{A::kRunApp, 0, u"manual.pdf"});
  const std::string bin = fs::canonical(PathOf("bin")).string();
  // The address ends at its first blank (the rest would be its parameters); the opener gets
  // it alone.
  EXPECT_EQ(Recorded(2), "cwd=" + bin + "\narg=xdg-open\narg=http://example.com/a\nend\n" +
                             "cwd=" + bin + "\narg=xdg-open\narg=" + PathOf("bin") + "/manual.pdf\nend\n");
}

TEST_F(ProcessTest, TheOpenerIsNeverGivenProgramsOrLaunchers) {
  TMainForm& form = Start(u"player");
  std::ofstream(PathOf("bin/evil.desktop")) << "[Desktop Entry]\nExec=rm -rf ~\n";
  for (const char16_t* text : {u"evil.desktop", u"file:///bin/ls", u"file://localhost" u"/bin/ls",
                               u"smb://server/share", u"EVIL.DESKTOP"})
    form.Execute(A{A::kRunApp, 0, text});
  form.Execute(A{A::kRunApp, 0, u"recorder done"});
  EXPECT_EQ(Count(Recorded(1), "end\n"), 1u);
  EXPECT_EQ(Count(ReadAll(FLog), "arg=done"), 1u);
}

TEST_F(ProcessTest, AForbiddenCommandStartsNothing) {
  TMainForm& form = Start(u"player");
  form.Execute(A{A::kRunApp, 0, u"recorder first, /bin/sh -c \"recorder second\""});
  form.Execute(A{A::kRunApp, 0, u"recorder last"});
  const std::string log = Recorded(1);
  EXPECT_EQ(Count(log, "end\n"), 1u);
  EXPECT_EQ(Count(log, "arg=last"), 1u);
  EXPECT_EQ(FMessages, std::vector<std::string>{"Command line contains prohibited command and will not be performed."});
}

// Packages as orvpack builds them: its version is the project's "OrvVersion".
std::string Project(const std::string& version, int slides) {
  std::string text = "[Main]\r\nOrvVersion=" + version + "\r\nopt_exefn=x.exe\r\n[Times]\r\nopt_slidescount=" +
                     std::to_string(slides) + "\r\n";
  for (int i = 1; i <= slides; ++i)
    text += "opt_synchpos" + std::to_string(i) + "=" + std::to_string(i * 3000) + "\r\n";
  return text;
}

class Presentations : public test::MainForm {
 public:
  void Build(const std::string& name, const std::string& project) {
    const std::string source = PathOf(name + ".orv");
    std::ofstream(source) << project;
    fs::create_directories(PathOf("bin"));
    const test::TToolRun run =
        test::RunOrvpack("build -o " + test::Quoted(PathOf("bin/" + name)) + " --project " + test::Quoted(source));
    ASSERT_EQ(run.exit_code, 0);
  }
};

TEST_F(Presentations, APresentationStartedToReturnComesBackThroughTheRunStack) {
  Build("first", Project("8.1", 4));
  Build("second", Project("8.1", 3));
  TMainForm& form = Start(u"player -exename first");
  ASSERT_FALSE(form.Closed());
  form.Execute(A{A::kGoToSlide, 2, {}});  // the third slide
  EXPECT_TRUE(form.Execute(A{A::kRunPresentationAndReturn, 0, u"second -slide 2"}));
  ASSERT_EQ(FViewer->Projects.size(), 2u);
  EXPECT_EQ(FViewer->Positions.back(), 3001);
  EXPECT_FALSE(FViewer->Paused());
  EXPECT_EQ(form.RunStack(), std::vector<WideString>{u"\"" + AsciiToWide(PathOf("bin/first")) + u"\" -slide 3"});
  // Leaving the second goes back to the first at the slide it was left on.
  form.OnKey(0, vk::kEscape, kKeyDown);
  EXPECT_FALSE(form.Closed());
  ASSERT_EQ(FViewer->Projects.size(), 3u);
  EXPECT_EQ(FViewer->Positions.back(), 6001);
  EXPECT_TRUE(form.RunStack().empty());
  // The close box ends the program, stack or not.
  form.Execute(A{A::kRunPresentationAndReturn, 0, u"second"});
  EXPECT_EQ(form.RunStack().size(), 1u);
  form.CloseWindow();
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(FMessages.empty());
}

TEST_F(Presentations, OnlyShowPackagesOfTheSameVersionOpen) {
  Build("first", Project("8.1", 4));
  Build("newer", Project("9.0", 4));
  std::ofstream(PathOf("bin/plain.txt")) << "no show";
  TMainForm& form = Start(u"player -exename first");
  FViewer->SetPaused(true);
  const std::string bin = PathOf("bin/");
  struct {
    const char16_t* command;
    std::string message;
  } const cases[] = {
      {u"newer", "OrvShow ExeFile Version Mismatch:\r" + bin + "newer"},
      {u"plain.txt", "Not OrvShow Executable File or File Corrupted:\r" + bin + "plain.txt"},
      {u"missing -slide 2", "OrvShow File not Found:\r" + bin + "missing"},
  };
  for (const auto& c : cases) {
    FMessages.clear();
    EXPECT_FALSE(form.Execute(A{A::kRunPresentationAndReturn, 0, c.command}));
    EXPECT_EQ(FMessages, std::vector<std::string>{c.message});
    EXPECT_TRUE(FViewer->Paused());  // the calling show as it was
    EXPECT_FALSE(form.Closed());
  }
  EXPECT_EQ(FViewer->Projects.size(), 1u);
  // A package of the right version that does not open as a show ends a show that only
  // hands over to it.
  TPackageLayout layout;
  layout.Version = "8.1";
  testing_package::WritePackage(PathOf("bin/broken"), {{u"readme.txt", "no project", TPackMethod::Stored}}, layout);
  FMessages.clear();
  EXPECT_FALSE(form.Execute(A{A::kRunPresentation, 0, u"broken"}));
  EXPECT_EQ(FMessages.size(), 1u);
  EXPECT_TRUE(form.Closed());
}

}  // namespace
}  // namespace orv
