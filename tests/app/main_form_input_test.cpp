// The main window's keys, clicks, wheel and actions, and its closing sequence, over a
// viewer that only remembers what it was asked.
#include <gtest/gtest.h>

#include "main_form_fixture.h"

namespace orv {
namespace {

using test::MainForm;
using A = TOrvActionInfo;

// Three slides of 3 s, no transitions; the wheel navigates.
const std::string kShow =
    "[Main]\r\nOrvVersion=8.1\r\nopt_exefn=C:\\Shows\\demo.exe\r\n"
    "[Times]\r\nopt_slidescount=3\r\nopt_synchpos1=3000\r\nopt_synchpos2=6000\r\nopt_synchpos3=9000\r\n"
    "[Slide2]\r\nSlideID=Middle\r\n";

std::string ShowWith(const std::string& main_keys, const std::string& show = kShow) {
  std::string text = show;
  text.insert(text.find("[Times]"), main_keys);
  return text;
}

class MainFormInput : public MainForm {
 public:
  TMainForm& Play(const std::string& project = kShow, const std::u16string& line = u"player") {
    WriteShow("bin/player", project);
    TMainForm& form = Start(line);
    Now += 2000;  // past the click guard
    FViewer->Positions.clear();
    return form;
  }
  double LastPosition() const { return FViewer->Positions.empty() ? -1 : FViewer->Positions.back(); }
};

TEST_F(MainFormInput, KeysMoveBetweenSlidesPauseAndLeave) {
  TMainForm& form = Play();
  form.OnKey(0, vk::kRight, kKeyDown);
  EXPECT_EQ(LastPosition(), 3001);
  form.OnKey(0, vk::kRight, kKeyDown);
  EXPECT_EQ(LastPosition(), 6001);
  // Back to where the slide before is fully shown.
  form.OnKey(0, vk::kLeft, kKeyDown);
  EXPECT_EQ(LastPosition(), 3000);
  form.OnKey(0, vk::kEnd, kKeyDown);
  EXPECT_EQ(LastPosition(), 9001);  // a repeating show: the next pass
  form.OnKey(0, vk::kHome, kKeyDown);
  EXPECT_EQ(LastPosition(), 1);
  // Only exactly the binding's modifiers count, and only presses.
  const size_t moves = FViewer->Positions.size();
  form.OnKey(modifier::kShift, vk::kRight, kKeyDown);
  form.OnKey(0, vk::kRight, kKeyUp);
  EXPECT_EQ(FViewer->Positions.size(), moves);
  EXPECT_FALSE(FViewer->Paused());
  form.OnKey(0, vk::kSpace, kKeyDown);
  EXPECT_TRUE(FViewer->Paused());
  form.OnKey(modifier::kCtrl, 'P', kKeyDown);
  EXPECT_FALSE(FViewer->Paused());
  form.OnKey(0, vk::kF1, kKeyDown);
  EXPECT_EQ(FViewer->HelpShown, 1);
  EXPECT_FALSE(form.Closed());
  form.OnKey(0, vk::kEscape, kKeyDown);
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(FViewer->Closed);
  EXPECT_EQ(form.ExitCode(), kExitOk);
}

TEST_F(MainFormInput, AnOpenDialogTakesTheKeysAndEscapeClosesIt) {
  TMainForm& form = Play();
  FViewer->ShowsDialog = true;
  form.OnKey(0, vk::kSpace, kKeyDown);
  EXPECT_FALSE(FViewer->Paused());
  form.OnKey(0, vk::kEscape, kKeyDown);
  EXPECT_EQ(FViewer->DialogsClosed, 1);
  EXPECT_FALSE(form.Closed());
  form.OnKey(0, vk::kF1, kKeyDown);
  EXPECT_EQ(FViewer->HelpShown, 1);
  FViewer->ShowsDialog = false;
  form.OnKey(0, vk::kEscape, kKeyDown);
  EXPECT_TRUE(form.Closed());
}

TEST_F(MainFormInput, APausedViewerGoesToTheEndOfTheNextTransition) {
  const std::string show =
      ShowWith("object TheEffect:AnEffect\r\n  time=1000\r\n  object push:push\r\n    checked=1\r\n  end\r\nend\r\n",
               kShow + "[Slide3]\r\nobject TheEffect:AnEffect\r\n  ref=push\r\n  time=800\r\nend\r\n");
  TMainForm& form = Play(show);
  form.OnKey(0, vk::kRight, kKeyDown);
  form.OnKey(0, vk::kRight, kKeyDown);
  EXPECT_EQ(LastPosition(), 6000);
  form.OnKey(0, vk::kLeft, kKeyDown);
  FViewer->SetPaused(true);
  form.OnKey(0, vk::kRight, kKeyDown);
  EXPECT_EQ(LastPosition(), 6800);
  // A slide waiting at its "pause" end goes on instead of being skipped.
  FViewer->AtBarrier = true;
  form.OnKey(0, vk::kRight, kKeyDown);
  EXPECT_FALSE(FViewer->AtBarrier);
  EXPECT_EQ(LastPosition(), 6800);
}

TEST_F(MainFormInput, WithoutControlKeysOnlyLeaveOrReleaseAWaitingSlide) {
  TMainForm& form = Play(ShowWith("opt_synchpermitcontrol=0\r\n"));
  for (const int key : {vk::kRight, vk::kLeft, vk::kSpace, vk::kHome}) form.OnKey(0, key, kKeyDown);
  EXPECT_TRUE(FViewer->Positions.empty());
  EXPECT_FALSE(FViewer->Paused());
  FViewer->AtBarrier = true;
  form.OnKey(0, vk::kLeft, kKeyDown);
  EXPECT_TRUE(FViewer->AtBarrier);
  form.OnKey(0, vk::kSpace, kKeyDown);
  EXPECT_FALSE(FViewer->AtBarrier);
  form.OnKey(0, vk::kEscape, kKeyDown);
  EXPECT_TRUE(form.Closed());
}

TEST_F(MainFormInput, ClicksGoToTheSlidesWithTheMappedActionAfterTheFirstSecond) {
  WriteShow("bin/player", ShowWith("opt_leftmouse=Next slide\r\nopt_rightmouse=Exit\r\n"));
  TMainForm& form = Start(u"player");
  Now += 999;
  form.OnMouse(modifier::kLeftButton, 10, 20, TMouseEvent::Down, TMouseButton::Left);
  form.OnMouse(0, 10, 20, TMouseEvent::Up, TMouseButton::Left);
  EXPECT_TRUE(FViewer->MouseEvents.empty());
  Now += 1;
  form.OnMouse(modifier::kLeftButton | modifier::kShift, 10, 20, TMouseEvent::Down, TMouseButton::Left);
  form.OnMouse(0, 10, 20, TMouseEvent::Up, TMouseButton::Left);
  ASSERT_EQ(FViewer->MouseEvents.size(), 2u);
  const auto& down = FViewer->MouseEvents[0];
  EXPECT_EQ(down.Event, TMouseEvent::Down);
  EXPECT_EQ(down.Buttons, modifier::kLeftButton);  // the keys are not the slides' business
  EXPECT_FALSE(down.Action);
  const auto& up = FViewer->MouseEvents[1];
  EXPECT_EQ(up.Event, TMouseEvent::Up);
  EXPECT_EQ(up.X, 10);
  EXPECT_EQ(up.Y, 20);
  ASSERT_TRUE(up.Action);
  EXPECT_EQ(up.Action->Kind, A::kNextSlide);
  // Nothing happened yet: the engine performs it when no object takes the click.
  EXPECT_TRUE(FViewer->Positions.empty());
  EXPECT_FALSE(form.Closed());
}

TEST_F(MainFormInput, WithTheCursorHiddenClicksActDirectly) {
  TMainForm& form = Play(ShowWith("opt_hidecursor=1\r\nopt_leftmouse=Next slide\r\nopt_rightmouse=Help\r\n"));
  EXPECT_TRUE(form.MouseMonitor().Hidden());
  EXPECT_EQ(Cursors, std::vector<TCursorShape>{TCursorShape::Hidden});
  form.OnMouse(0, 10, 20, TMouseEvent::Up, TMouseButton::Left);
  EXPECT_TRUE(FViewer->MouseEvents.empty());
  EXPECT_EQ(LastPosition(), 3001);
  // Help is the engine's, so it goes there even then.
  form.OnMouse(0, 10, 20, TMouseEvent::Up, TMouseButton::Right);
  ASSERT_EQ(FViewer->MouseEvents.size(), 1u);
  EXPECT_EQ(FViewer->MouseEvents[0].Action->Kind, A::kHelp);
  // Hidden for good: moving never shows it.
  form.OnMouse(0, 500, 500, TMouseEvent::Move, TMouseButton::None);
  EXPECT_TRUE(form.MouseMonitor().Hidden());
}

TEST_F(MainFormInput, AnIdleCursorHidesExceptOverTheNavigationPanel) {
  TMainForm& form = Play(ShowWith("opt_hidecursor=2\r\nopt_hc2_hideinterval=3\r\n"));
  Pointer = {40, 40, true};
  form.OnMouse(0, 40, 40, TMouseEvent::Move, TMouseButton::None);
  form.OnMouse(0, 100, 100, TMouseEvent::Move, TMouseButton::None);
  ASSERT_FALSE(form.MouseMonitor().Hidden());
  // Over the panel the idle interval passes and the arrow stays.
  FViewer->OverPanel = true;
  Now += 3001;
  form.OnTimer();
  EXPECT_FALSE(form.MouseMonitor().Hidden());
  EXPECT_EQ(Cursors.back(), TCursorShape::Arrow);
  // Off it, the next idle interval hides the cursor.
  FViewer->OverPanel = false;
  Now += 3001;
  form.OnTimer();
  EXPECT_TRUE(form.MouseMonitor().Hidden());
  EXPECT_EQ(Cursors.back(), TCursorShape::Hidden);
}

TEST_F(MainFormInput, TheCursorIsAHandOverObjectsWithActions) {
  TMainForm& form = Play();
  Pointer = {40, 40, true};
  FViewer->OverAction = true;
  form.OnMouse(0, 40, 40, TMouseEvent::Move, TMouseButton::None);
  EXPECT_EQ(Cursors.back(), TCursorShape::Hand);
  FViewer->OverAction = false;
  form.OnTimer();
  EXPECT_EQ(Cursors.back(), TCursorShape::Arrow);
  // Leaving the window clears the slides' hover looks.
  Pointer = {-5, 40, false};
  form.OnTimer();
  ASSERT_FALSE(FViewer->MouseEvents.empty());
  EXPECT_EQ(FViewer->MouseEvents.back().X, kPointerOutside);
  EXPECT_EQ(FViewer->MouseEvents.back().Y, kPointerOutside);
}

TEST_F(MainFormInput, TheWheelStepsInNotchesAndWithCtrlBySlides) {
  TMainForm& form = Play();
  form.OnKey(0, vk::kRight, kKeyDown);
  form.OnKey(0, vk::kRight, kKeyDown);  // at 6001
  form.OnWheel(0, 60);
  EXPECT_EQ(LastPosition(), 6001);  // half a notch waits for the rest
  form.OnWheel(0, 60);
  EXPECT_EQ(LastPosition(), 5301);
  form.OnWheel(0, -240);
  EXPECT_EQ(LastPosition(), 6701);
  form.OnWheel(modifier::kCtrl, -120);
  EXPECT_EQ(LastPosition(), 9001);
  form.OnWheel(modifier::kCtrl, 120);
  EXPECT_EQ(LastPosition(), 6000);
  form.OnWheel(0, 50 * 120);
  EXPECT_EQ(LastPosition(), 0);  // never before the show
  // A show that locks the wheel ignores it.
  TMainForm& locked = Play(ShowWith("opt_lockwheel=1\r\n"));
  locked.OnWheel(0, -120);
  EXPECT_TRUE(FViewer->Positions.empty());
}

TEST_F(MainFormInput, GoToSlideByIndexIdentifierAndTime) {
  TMainForm& form = Play();
  EXPECT_TRUE(form.Execute(A{A::kGoToSlide, 2, {}}));
  EXPECT_EQ(LastPosition(), 6001);
  EXPECT_TRUE(form.Execute(A{A::kGoToSlide, -1, u"Middle"}));
  EXPECT_EQ(LastPosition(), 3001);
  EXPECT_TRUE(form.Execute(A{A::kGoToSlide, -1, u"Nowhere"}));
  EXPECT_EQ(LastPosition(), 1);
  EXPECT_TRUE(form.Execute(A{A::kGoToTime, 4321, {}}));
  EXPECT_EQ(LastPosition(), 4321);
  EXPECT_TRUE(form.Execute(A{A::kStop, 0, {}}));
  EXPECT_EQ(LastPosition(), 0);
  EXPECT_TRUE(FViewer->Paused());
  for (const std::uint8_t kind : {A::kNone, A::kHelp, A::kOpenDialog, A::kSaveSlide, A::kChangePrinter, A::kTakenByPanel})
    EXPECT_FALSE(form.Execute(A{kind, 0, {}})) << int(kind);
}

TEST_F(MainFormInput, CloseDialogEndsTheProgramWithOne) {
  TMainForm& form = Play();
  form.OnAction(A{A::kCloseDialog, 0, {}});
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(form.ExitCode(), kExitClosedDialog);
  // A start-up window closes so with Enter.
  TMainForm& startup = Play(kShow, u"player -startup");
  startup.OnKey(0, vk::kReturn, kKeyDown);
  EXPECT_TRUE(startup.Closed());
  EXPECT_EQ(startup.ExitCode(), kExitClosedDialog);
}

// Runs of commands, as the launcher is asked for them.
class MainFormCommands : public MainFormInput {
 public:
  void SetUp() override {
    MainFormInput::SetUp();
    Launcher.Find = [this](const std::string& name, const std::string& folder) {
      Found.push_back(name + " in " + folder);
      if (name.ends_with(".pdf")) return TLaunchTarget{TLaunchTarget::TKind::Document, folder + name};
      if (Programs.contains(name)) return TLaunchTarget{TLaunchTarget::TKind::Program, "/usr/bin/" + name};
      return TLaunchTarget{};
    };
    Launcher.Start = [this](const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& folder) {
      std::string line = program + " in " + folder + ":";
      for (const std::string& argument : arguments) line += " [" + argument + "]";
      Started.push_back(line);
      return TLaunchResult::Started;
    };
    Launcher.Open = [this](const std::string& target, const std::string&) {
      Opened.push_back(target);
      return TLaunchResult::Started;
    };
  }
  std::set<std::string> Programs{"notepad.exe", "viewer"};
  std::vector<std::string> Found, Started, Opened;
};

TEST_F(MainFormCommands, RunActionsStartProgramsInTheProgramsFolder) {
  TMainForm& form = Play();
  const std::string bin = PathOf("bin") + "/";
  EXPECT_TRUE(form.Execute(A{A::kRunApp, 0, u"notepad.exe readme.txt"}));
  EXPECT_TRUE(form.Execute(A{A::kRunApp, 0, u"viewer \"my file.txt\" -x, manual.pdf"}));
  EXPECT_EQ(Started, (std::vector<std::string>{
                         "/usr/bin/notepad.exe in " + bin + ": [notepad.exe] [readme.txt]",
                         "/usr/bin/viewer in " + bin + ": [viewer] [my file.txt -x]",
                     }));
  EXPECT_EQ(Opened, std::vector<std::string>{bin + "manual.pdf"});
  EXPECT_TRUE(FMessages.empty());
  EXPECT_FALSE(form.Closed());
}

TEST_F(MainFormCommands, AMissingProgramIsLookedForBesideThePlayer) {
  TMainForm& form = Play();
  const std::string bin = PathOf("bin") + "/";
  form.Execute(A{A::kRunApp, 0, u"C:\\Tools\\viewer"});
  EXPECT_EQ(Found, (std::vector<std::string>{"C:/Tools/viewer in " + bin, "viewer in " + bin}));
  EXPECT_EQ(Started, std::vector<std::string>{"/usr/bin/viewer in " + bin + ": [viewer]"});
  Found.clear();
  form.Execute(A{A::kRunApp, 0, u"\"C:\\Tools\\gone.exe\" a b"});
  EXPECT_EQ(Found, (std::vector<std::string>{"C:/Tools/gone.exe in " + bin, "C:/Tools/gone.exe in " + bin}));
  EXPECT_TRUE(FMessages.empty());  // not found: no message
}

TEST_F(MainFormCommands, AForbiddenCommandRunsNothing) {
  TMainForm& form = Play();
  for (const char16_t* text : {u"notepad.exe a, cmd /c del x", u"/bin/sh -c 'rm -rf ~'", u"viewer > /etc/passwd"}) {
    EXPECT_TRUE(form.Execute(A{A::kRunApp, 0, text}));
    EXPECT_EQ(FMessages.back(), "Command line contains prohibited command and will not be performed.");
  }
  EXPECT_TRUE(Found.empty());
  EXPECT_TRUE(Started.empty());
}

TEST_F(MainFormCommands, AddressesGetTheirScheme) {
  TMainForm& form = Play();
  form.Execute(A{A::kOpenWebSite, 0, u"www.example.com/a"});
  form.Execute(A{A::kOpenWebSite, 0, u"HTTPS://example.com"});
  form.Execute(A{A::kWriteEmail, 0, u"me@example.com"});
  form.Execute(A{A::kWriteEmail, 0, u"mailto:you@example.com"});
  EXPECT_EQ(Opened, (std::vector<std::string>{"http://www.example.com/a", "HTTPS://example.com",
                                              "mailto:me@example.com", "mailto:you@example.com"}));
  EXPECT_TRUE(Started.empty());
}

TEST_F(MainFormCommands, RunAndExitClosesFirst) {
  TMainForm& form = Play();
  EXPECT_TRUE(form.Execute(A{A::kRunAppAndExit, 0, u"viewer"}));
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(Started.size(), 1u);
}

// The closing sequence: what runs, what opens, whether the window closes.
TEST_F(MainFormCommands, TheClosingSequence) {
  WriteShow("bin/caller.exe");
  struct {
    const char* name;
    std::string keys;            // the show's Main keys
    bool exit_requested;         // Esc or an exit action rather than the close box
    bool ended;                  // a "close" show reached its end
    std::vector<std::string> started;
    bool closed;
  } const cases[] = {
      {"close box", "opt_runapponexit=1\r\nopt_runapponexitfn=viewer\r\nopt_runapponexitiflastslide=0\r\n", false,
       false, {}, true},
      {"exit, any slide", "opt_runapponexit=1\r\nopt_runapponexitfn=viewer\r\nopt_runapponexitiflastslide=0\r\n",
       true, false, {"viewer"}, true},
      {"exit before the last slide", "opt_runapponexit=1\r\nopt_runapponexitfn=viewer\r\n", true, false, {}, true},
      {"the end of a closing show", "opt_repeat=close\r\nopt_runapponexit=1\r\nopt_runapponexitfn=viewer\r\n", true,
       true, {"viewer"}, true},
      {"nothing to run", "opt_runapponexit=1\r\nopt_runapponexitiflastslide=0\r\n", true, false, {}, true},
      {"run mode 0", "opt_runapponexitfn=viewer\r\nopt_runapponexitiflastslide=0\r\n", true, false, {}, true},
      {"a presentation that opens", "opt_runapponexit=2\r\nopt_runapponexitfn=caller.exe\r\n"
       "opt_runapponexitiflastslide=0\r\n", true, false, {}, false},
      {"a presentation that does not", "opt_runapponexit=2\r\nopt_runapponexitfn=missing.exe\r\n"
       "opt_runapponexitiflastslide=0\r\n", true, false, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Started.clear();
    TMainForm& form = Play(ShowWith(c.keys));
    const size_t opened = FViewer->Projects.size();
    if (c.ended) {
      form.OnPosition(9000, true);
    } else if (c.exit_requested) {
      form.OnKey(0, vk::kEscape, kKeyDown);
    } else {
      form.CloseWindow();
    }
    EXPECT_EQ(form.Closed(), c.closed);
    std::vector<std::string> programs;
    for (const std::string& line : Started) programs.push_back(line.substr(line.rfind('[') + 1, line.rfind(']') - line.rfind('[') - 1));
    EXPECT_EQ(programs, c.started);
    EXPECT_EQ(FViewer->Projects.size(), opened + (c.closed ? 0 : 1));
    EXPECT_FALSE(form.ExitRequested());
  }
}

}  // namespace
}  // namespace orv
