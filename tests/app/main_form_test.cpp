#include "app/main_form.h"

#include <gtest/gtest.h>

#include "main_form_fixture.h"
#include "project/show_options.h"
#include "render/device.h"

namespace orv {
namespace {

using testing_package::WriteFile;
using test::kPlayer;
using test::kProject;
using test::MainForm;

TEST_F(MainForm, TheProgramsOwnShowOpensAndPlays) {
  WriteShow("bin/player");
  TMainForm& form = Start(u"player");
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(FMessages, std::vector<std::string>{});
  ASSERT_EQ(FViewer->Projects.size(), 1u);
  EXPECT_EQ(FViewer->Projects[0].Get(), form.CurrentLocator()->Project());
  EXPECT_EQ(FViewer->OpenPositions, std::vector<double>{0});
  EXPECT_FALSE(FViewer->Paused());
  EXPECT_EQ(form.ShowVersion(), "8.1");
  EXPECT_EQ(form.Caption(), "Holidays");
  EXPECT_FALSE(form.WheelNavigates());
  EXPECT_EQ(form.ShowExeName(), PathOf("bin/player"));
  EXPECT_EQ(form.ShowFolder(), PathOf("bin") + "/");
  EXPECT_EQ(form.Source()->SlideCount(), 3);
  EXPECT_FALSE(form.Source()->ScreenSaver());
  EXPECT_FALSE(form.FileNameGiven());
  EXPECT_EQ(form.ExitCode(), kExitOk);
  EXPECT_TRUE(EngineSettings().ExclusiveAllowed);
}

TEST_F(MainForm, TheViewerStartsAtTheSlideOrTimeAsked) {
  WriteShow("bin/player");
  struct {
    const char16_t* line;
    std::vector<double> positions;
  } const cases[] = {
      {u"player", {}},
      {u"player -slide 0", {}},
      {u"player -slide 1", {}},
      {u"player -slide 2", {3001}},  // slides without a transition start 1 ms in
      {u"player -slide 3", {6001}},
      {u"player -Slide 9", {24001}},  // past the end of a repeating show: a later pass
      {u"player -time 5000", {4999}},
      {u"player -time 1", {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.line));
    Start(c.line);
    EXPECT_EQ(FViewer->Positions, c.positions);
  }
}

TEST_F(MainForm, ASlideWithATransitionStartsWhereItBegins) {
  std::string project = kProject;
  project.insert(project.find("[Times]"),
                 "object TheEffect:AnEffect\r\n  time=1500\r\n  object push:push\r\n    checked=1\r\n  end\r\nend\r\n");
  WriteShow("bin/player", project + "[Slide3]\r\nobject TheEffect:AnEffect\r\n  ref=push\r\n  time=500\r\nend\r\n");
  Start(u"player -slide 3");
  EXPECT_EQ(FViewer->Positions, std::vector<double>{6000});
}

TEST_F(MainForm, TheEndOfAShowThatDoesNotRepeatStartsWithoutTheExtraMillisecond) {
  std::string project = kProject;
  project.insert(project.find("[Times]"), "opt_repeat=close\r\n");
  WriteShow("bin/player", project);
  Start(u"player -slide 4");
  EXPECT_EQ(FViewer->Positions, std::vector<double>{9000});
  Start(u"player -slide 3");
  EXPECT_EQ(FViewer->Positions, std::vector<double>{6001});
}

TEST_F(MainForm, AProgramWithoutAShowNamesBothFilesItTried) {
  WriteFile(PathOf("bin/player"), kPlayer);
  const TMainForm& form = Start(u"player");
  const std::string names = "\r\"" + PathOf("bin/player") + "\" or \"" + PathOf("bin/player.OvShow") + "\"";
  EXPECT_EQ(FMessages, std::vector<std::string>{"Slideshow File not Found" + names});
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(FViewer->Closed);
  EXPECT_TRUE(FViewer->Projects.empty());
  EXPECT_EQ(form.ExitCode(), kExitNotStarted);

  // The sibling exists but is no package either: the locator has no words of its own.
  WriteFile(PathOf("bin/player.OvShow"), "no package");
  Start(u"player");
  EXPECT_EQ(FMessages, std::vector<std::string>{"Can`t Load Show" + names});
}

TEST_F(MainForm, TheOvShowSiblingIsTriedNext) {
  WriteFile(PathOf("bin/player"), kPlayer);
  WriteShow("bin/player.OvShow");
  const TMainForm& form = Start(u"player");
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(FMessages, std::vector<std::string>{});
  EXPECT_EQ(form.ShowExeName(), PathOf("bin/player"));
  EXPECT_EQ(FViewer->Projects.size(), 1u);
}

TEST_F(MainForm, ABundleStandsForTheShowInside) {
  WriteShow("bin/Show.app/Contents/Resources/slideshow.dat");
  const TMainForm& form = Start(u"player -exename Show.app");
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(form.ShowExeName(), PathOf("bin/Show.app"));
}

TEST_F(MainForm, ALooseProjectOpensAndRedirectsItsExecutable) {
  WriteFile(PathOf("My Shows/show one.orv"), kProject);
  TMainForm& form = Start(u"player -FileName \"" + AsciiToWide(PathOf("My Shows/show one.orv")) + u"\" -slide 2");
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(FMessages, std::vector<std::string>{});
  EXPECT_TRUE(form.FileNameGiven());
  EXPECT_EQ(form.ProjectFileName(), PathOf("My Shows/show one.orv"));
  EXPECT_EQ(FViewer->Positions, std::vector<double>{3001});
  EXPECT_EQ(form.ShowExeName(), "C:\\Shows\\demo.exe");
  EXPECT_EQ(form.ShowFolder(), "C:\\Shows\\");
  EXPECT_EQ(form.ExeRedirect().ExeName, "C:\\Shows\\demo.exe");
  EXPECT_EQ(form.ExeRedirect().ProjectPath, PathOf("My Shows/show one.orv"));

  // Opening the executable it stands for (in any case) opens the project again.
  FViewer->SetPaused(false);
  EXPECT_TRUE(form.OpenShow("c:\\shows\\DEMO.EXE", true, true, 1500));
  EXPECT_EQ(FViewer->Projects.size(), 2u);
  EXPECT_EQ(FViewer->Positions.back(), 1500);
  EXPECT_FALSE(FViewer->Paused());
  EXPECT_EQ(FMessages, std::vector<std::string>{});
}

TEST_F(MainForm, AProjectThatCannotBeReadIsNamed) {
  const TMainForm& form = Start(u"player -filename ../shows/missing.orv");
  EXPECT_EQ(FMessages, std::vector<std::string>{"Can`t Load .orv File\r\"" + PathOf("shows/missing.orv") + "\""});
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(form.ExitCode(), kExitNotStarted);
}

TEST_F(MainForm, AFailedOpenLeavesTheCurrentShowAndThePause) {
  WriteShow("bin/player");
  TMainForm& form = Start(u"player");
  const Ref<TOrvShowLocator> first = form.CurrentLocator();
  EXPECT_FALSE(form.OpenShow(PathOf("missing.orv"), false, false, 0));
  EXPECT_EQ(form.CurrentLocator(), first);
  EXPECT_TRUE(FViewer->Paused());
  EXPECT_FALSE(form.Closed());
}

TEST_F(MainForm, AShowWithoutItsExecutableNameStillPlays) {
  WriteShow("bin/player", "[Main]\r\nOrvVersion=8.1\r\n");
  const TMainForm& form = Start(u"player");
  EXPECT_EQ(FMessages, std::vector<std::string>{"opt_exefn - Empty"});
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(form.Caption(), "OrvViewer v5.6");
  EXPECT_TRUE(form.WheelNavigates());
}

TEST_F(MainForm, AWordAfterTheProgramNamesTheShow) {
  WriteFile(PathOf("work/show.orv"), kProject);
  WriteShow("work/show.exe");
  EXPECT_TRUE(Start(u"player show.orv").FileNameGiven());
  EXPECT_EQ(FForm->CurrentLocator()->ProjectName(), AsciiToWide(PathOf("work/show.orv")));
  EXPECT_FALSE(Start(u"player show.exe").FileNameGiven());
  EXPECT_EQ(FForm->ShowExeName(), PathOf("work/show.exe"));
  EXPECT_FALSE(FForm->Closed());
}

TEST_F(MainForm, AScreenSaverRunsOnlyWhenStartedAsOne) {
  WriteShow("bin/saver.scr");
  for (const char16_t* line : {u"saver.scr", u"saver.scr /p 1234", u"saver.scr /c"}) {
    const TMainForm& form = Start(line, "saver.scr");
    EXPECT_TRUE(form.Closed()) << Utf16ToUtf8(line);
    EXPECT_EQ(form.ExitCode(), kExitOk);
    EXPECT_TRUE(FViewer->Projects.empty());
    EXPECT_EQ(FMessages, std::vector<std::string>{});
  }
  for (const char16_t* line : {u"saver.scr /s", u"saver.scr /S"}) {
    EXPECT_FALSE(Start(line, "saver.scr").Closed()) << Utf16ToUtf8(line);
    ASSERT_EQ(FViewer->Projects.size(), 1u);
    // The viewer gets the show as a screen saver plays it: full screen, repeating.
    EXPECT_EQ(TShowOptions::Read(*FViewer->Projects[0]).ScreenFull, 1);
    EXPECT_TRUE(FForm->Source()->ScreenSaver());
  }
}

TEST_F(MainForm, ModesFromTheCommandLineAndTheShow) {
  std::string project = kProject;
  project.insert(project.find("[Times]"), "opt_scr_noexclusive=1\r\n");
  WriteShow("bin/player", project);
  EXPECT_TRUE(Start(u"player -startup -Cover").StartupMode());
  EXPECT_TRUE(FForm->CoverMode());
  EXPECT_FALSE(EngineSettings().ExclusiveAllowed);
  EXPECT_FALSE(Start(u"player -Startup").StartupMode());
  EXPECT_FALSE(FForm->CoverMode());
}

}  // namespace
}  // namespace orv
