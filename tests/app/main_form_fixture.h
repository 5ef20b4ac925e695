// The main window over a viewer that only remembers what it was asked, in a folder of its
// own (bin/ holds the program, work/ is where it was started).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "package_fixture.h"
#include "render/device.h"

namespace orv::test {

using testing_package::PackageTest;
using testing_package::WritePackage;

// Remembers what the window asked of it.
class TRecordingViewer : public TOrvShowViewer {
 public:
  void Open(Ref<TFileAccessor>, Ref<TIniFile> project, double position) override {
    Projects.push_back(std::move(project));
    OpenPositions.push_back(position);
  }
  bool Paused() const override { return FPaused; }
  void SetPaused(bool paused) override { FPaused = paused; }
  void SetPosition(double position) override { Positions.push_back(position); }
  double Position() const override { return Positions.empty() ? 0 : Positions.back(); }
  void Refresh() override {}
  void SetWindowActive(bool) override {}
  void Close() override { Closed = true; }
  void MouseEvent(TMouseEvent event, int x, int y, std::uint8_t buttons, TMouseButton button,
                  std::optional<TOrvActionInfo> action) override {
    MouseEvents.push_back({event, x, y, buttons, button, std::move(action)});
  }
  bool PointerOverAction() const override { return OverAction; }
  bool PointerOverPanel() const override { return OverPanel; }
  void ShowHelp() override { ++HelpShown; }
  void CaptureFrame() override { ++Captures; }
  void ShowWindowDialog(Ref<TImage> picture, const TRect& place) override {
    WindowDialogs.push_back({std::move(picture), place});
  }
  void CloseDialog() override { ++DialogsClosed; }
  bool DialogShown() const override { return ShowsDialog; }
  bool StoppedAtBarrier() const override { return AtBarrier; }
  void ReleaseBarrier() override { AtBarrier = false; }

  struct TMouse {
    TMouseEvent Event;
    int X, Y;
    std::uint8_t Buttons;
    TMouseButton Button;
    std::optional<TOrvActionInfo> Action;
  };
  std::vector<Ref<TIniFile>> Projects;
  std::vector<double> OpenPositions;
  std::vector<double> Positions;
  std::vector<TMouse> MouseEvents;
  bool Closed = false;
  bool OverAction = false;
  bool OverPanel = false;
  bool AtBarrier = false;
  bool ShowsDialog = false;
  int DialogsClosed = 0;
  int HelpShown = 0;
  int Captures = 0;
  std::vector<std::pair<Ref<TImage>, TRect>> WindowDialogs;

 private:
  bool FPaused = true;
};

const std::string kProject =
    "[Main]\r\nOrvVersion=8.1\r\nopt_exefn=C:\\Shows\\demo.exe\r\nopt_scr_caption=Holidays\r\nopt_lockwheel=1\r\n"
    "[Times]\r\nopt_slidescount=3\r\nopt_synchpos1=3000\r\nopt_synchpos2=6000\r\nopt_synchpos3=9000\r\n";
const std::string kPlayer =
    "\x7f"
    "ELF a player";

class MainForm : public PackageTest {
 public:
  void SetUp() override {
    PackageTest::SetUp();
    EngineSettings().ExclusiveAllowed = true;
  }

  // The program is bin/player (or another file in bin/), started in work/.
  TMainForm& Start(const std::u16string& line, const std::string& program = "player") {
    FViewer = MakeRef<TRecordingViewer>();
    FMessages.clear();
    FCommandLine = std::make_unique<TCommandLine>(line);
    TMainForm::TServices services;
    services.ShowMessage = [this](const std::string& text) { FMessages.push_back(text); };
    services.CreateViewer = [this](TViewerHost&) -> Ref<TOrvShowViewer> { return FViewer; };
    services.ProgramPath = PathOf("bin/" + program);
    services.WorkingFolder = PathOf("work") + "/";
    services.Ticks = [this] { return Now; };
    services.Monitors = [this] { return Monitors; };
    services.Pointer = [this] { return Pointer; };
    services.SetCursor = [this](TCursorShape shape) { Cursors.push_back(shape); };
    services.Launcher = Launcher;
    FForm.reset();
    FForm = std::make_unique<TMainForm>(*FCommandLine, std::move(services));
    return *FForm;
  }
  // A show package as the authoring tool writes it: its version is the project's.
  void WriteShow(const std::string& name, const std::string& project = kProject, const std::string& version = "8.1") {
    std::filesystem::create_directories(std::filesystem::path(PathOf(name)).parent_path());
    TPackageLayout layout;
    layout.Version = version;
    WritePackage(PathOf(name), {{u"Project.orv", project, TPackMethod::Deflated}}, layout, kPlayer);
  }

  // What the world looks like to the window.
  int64_t Now = 100000;
  std::vector<TRect> Monitors{RectOfSize(1366, 768)};
  TPointerState Pointer;
  std::vector<TCursorShape> Cursors;
  TLauncher Launcher;

  Ref<TRecordingViewer> FViewer;
  std::vector<std::string> FMessages;
  std::unique_ptr<TCommandLine> FCommandLine;
  std::unique_ptr<TMainForm> FForm;
};

}  // namespace orv::test
