// The main window: it opens the show named on the command line (or carried by the
// program file itself) when it is made, hands it to the viewer, and closes when the
// show cannot be opened.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/show_name.h"
#include "package/show_locator.h"
#include "platform/event_loop.h"
#include "platform/platform_window.h"
#include "show/orv_show_viewer.h"
#include "show/orv_source.h"

namespace orv {

inline constexpr const char* kMessageCaption = "Slideshow Error";

// Exit codes of the program (1 is left for a show ended through its "closedialog" action).
inline constexpr int kExitOk = 0;
// The program could not start its show (the message says why).
inline constexpr int kExitNotStarted = 2;

// A loose project that stands for an executable show: opening that executable opens the
// project instead.
struct TExeRedirect {
  std::string ExeName;
  std::string ProjectPath;
};

class TMainForm final : public TViewerHost {
 public:
  // What the window uses of the world, replaceable for tests.
  struct TServices {
    // Shows a message to the user; by default a message box "Slideshow Error" over the
    // window.
    std::function<void(const std::string& text)> ShowMessage;
    // By default the engine's viewer, playing the show in the window.
    std::function<Ref<TOrvShowViewer>(TViewerHost& host)> CreateViewer;
    // Where the program is and where it was started from (folders end in "/").
    std::string ProgramPath;
    std::string WorkingFolder;
  };

  TMainForm(const TCommandLine& command_line, TServices services);
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // Locates and opens a show (an executable show, or a loose project) and starts it on
  // the viewer at a slide index or a time in ms. False, after saying why, when it does
  // not open; false without a word for a screen saver that may not run now.
  bool OpenShow(const std::string& name, bool is_executable, bool is_time, int position);

  void HandleEvent(const TPlatformEvent& event);
  // Ends the show and the window; the message loop ends after it.
  void Close();
  bool Closed() const noexcept { return FClosed; }
  int ExitCode() const noexcept { return FExitCode; }

  bool StartupMode() const noexcept { return FStartupMode; }
  bool CoverMode() const noexcept { return FCoverMode; }
  bool FileNameGiven() const noexcept { return FFileNameGiven; }
  const std::string& ProjectFileName() const noexcept { return FProjectFileName; }
  const std::string& ShowVersion() const noexcept { return FShowVersion; }
  const std::string& ShowExeName() const noexcept { return FShowExeName; }
  const std::string& ShowFolder() const noexcept { return FShowFolder; }
  const std::string& Caption() const noexcept { return FCaption; }
  bool WheelNavigates() const noexcept { return FWheelNavigates; }
  const TExeRedirect& ExeRedirect() const noexcept { return FExeRedirect; }
  const Ref<TOrvShowLocator>& CurrentLocator() const noexcept { return FCurrentLocator; }
  // The current show's slides and times, made when first asked for (a show that starts at
  // its beginning opens without them). Null without a show.
  TOrvSource* Source();
  TOrvShowViewer& Viewer() const noexcept { return *FViewer; }
  int64_t CreatedTick() const noexcept { return FCreatedTick; }

  TPlatformWindow& Window() override;
  void PlaceWindow(int width, int height, int mode) override;
  void ShowWindow() override;
  void EndProgram(int exit_code) override;

 private:
  enum class TOpenOutcome { Opened, Failed, Refused };
  struct TLocatedShow {
    Ref<TOrvShowLocator> Locator;
    bool FromProject = false;
  };

  TOpenOutcome OpenShowAt(const std::string& name, bool is_executable, bool is_time, int position);
  std::optional<TLocatedShow> LocateExecutable(const std::string& name);
  std::optional<TLocatedShow> LocateProject(const std::string& name);
  TOpenOutcome StartShow(const std::string& name, const TLocatedShow& show, bool is_time, int position);
  void MakeCurrent(Ref<TOrvShowLocator> locator);
  bool ScreenSaverMayRun(bool screen_saver) const;
  void NoteShowFiles(const std::string& name, const TLocatedShow& show, const std::string& exe_file_name);

  const TCommandLine& FCommandLine;
  TServices FServices;
  std::unique_ptr<TPlatformWindow> FWindow;
  Ref<TOrvShowViewer> FViewer;
  Ref<TOrvShowLocator> FCurrentLocator;
  Ref<TOrvSource> FSource;
  TExeRedirect FExeRedirect;
  bool FStartupMode;
  bool FCoverMode;
  bool FFileNameGiven = false;
  std::string FProjectFileName;
  std::string FShowVersion;
  std::string FShowExeName;
  std::string FShowFolder;
  std::string FCaption = "OrvViewer v5.6";
  bool FWheelNavigates = true;
  bool FClosing = false;
  bool FClosed = false;
  int FExitCode = kExitOk;
  int64_t FCreatedTick = 0;
};

// The start time (ms) of a slide index: its start rounded, plus 1 ms when it has no
// incoming transition (so that it shows complete), unless it is the end of a show that
// does not repeat. A negative index counts as 0.
int SlideStartTime(const TOrvSource& source, int index);

}  // namespace orv
