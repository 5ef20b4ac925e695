// The main window: it opens the show named on the command line (or carried by the
// program file itself) when it is made, hands it to the viewer, and closes when the
// show cannot be opened.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/command_runner.h"
#include "app/mouse_monitor.h"
#include "app/print_session.h"
#include "app/show_name.h"
#include "app/window_placement.h"
#include "base/tick_count.h"
#include "package/show_locator.h"
#include "platform/cursor.h"
#include "platform/event_loop.h"
#include "platform/platform_window.h"
#include "show/input_mapping.h"
#include "show/orv_show_viewer.h"
#include "show/orv_source.h"

namespace orv {

inline constexpr const char* kMessageCaption = "Slideshow Error";

// Exit codes of the program.
inline constexpr int kExitOk = 0;
// The show was left through its "closedialog" action.
inline constexpr int kExitClosedDialog = 1;
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
    // The millisecond clock of the click guard and the cursor's hiding.
    TTickSource Ticks = TickCount;
    // The desktop rectangles of the monitors; by default the platform's.
    std::function<std::vector<TRect>()> Monitors;
    // Where the pointer is relative to the window; by default the platform's.
    std::function<TPointerState()> Pointer;
    // Shapes the cursor; by default the platform's cursor.
    std::function<void(TCursorShape)> SetCursor;
    // How run actions start programs and open documents.
    TLauncher Launcher;
    // The printers and the disk the print dialog uses; by default the real ones.
    std::function<TPrintServices()> PrintServices;
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
  // Every 20 ms of the message loop: the cursor's hiding and hover shape.
  void OnTimer();
  // A request to close the window (the close box, a quit request, an exit action): the
  // closing sequence decides whether it closes, runs a program first, or goes back to
  // the presentation that started this one.
  void CloseWindow();
  // The closing sequence; true when the window may close.
  bool CloseQuery();
  bool Closed() const noexcept { return FClosed; }
  int ExitCode() const noexcept { return FExitCode; }

  // ---- input: keys (virtual-key codes), the mouse in client coordinates, the wheel in
  // units of 120 a notch
  void OnKey(std::uint8_t modifiers, int key, int event);
  void OnMouse(std::uint8_t modifiers, int x, int y, TMouseEvent event, TMouseButton button);
  void OnWheel(std::uint8_t modifiers, int delta);
  // Text typed on the keyboard (UTF-8): it goes to the print dialog's file name.
  void OnText(std::string_view utf8);
  // Performs an action of the main window; true when it was taken.
  bool Execute(const TOrvActionInfo& action);
  // The presentations to go back to, the last one first.
  const std::vector<WideString>& RunStack() const noexcept { return FRunStack; }
  const TInputMappingClass* InputMapping() const noexcept { return FInputMapping.Get(); }
  const TMouseMonitor& MouseMonitor() const noexcept { return *FMouseMonitor; }
  bool ExitRequested() const noexcept { return FExitRequested; }

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
  void OnPosition(int time, bool ended) override;
  void OnAction(const TOrvActionInfo& action) override;
  // The frame a print action captured: the print dialog opens over the paused show.
  void OnImage(Ref<TImage> picture) override;
  // The print dialog while it is open; keys, the mouse and the show's actions go nowhere
  // else then.
  const TPrintSession* PrintSession() const noexcept { return FPrintSession.get(); }

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
  void ApplyCursorHiding(const TShowOptions& options);
  void ConnectMouseMonitor();
  TPointerState PointerState();
  TPlacementSwitches PlacementSwitches() const;
  void FinishClose();

  // ---- actions (main_form_actions.cpp)
  bool GoToNextSlide();
  bool TogglePause();
  bool GoToSlide(const TOrvActionInfo& action);
  bool RunCommand(WideView text);
  bool StartPresentation(const TOrvActionInfo& action);
  std::optional<std::string> PresentationFile(const std::string& name);
  bool PresentationMayOpen(const std::string& name);
  bool ReleasesBarrier(int key) const;
  // Passes an input event to the print dialog when one is open; true when it took it.
  template <typename TInput>
  bool ToPrintDialog(TInput&& input);

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
  TShowOptions FOptions;
  Ref<TInputMappingClass> FInputMapping;
  Ref<TMouseMonitor> FMouseMonitor;
  std::unique_ptr<TPrintSession> FPrintSession;
  std::vector<WideString> FRunStack;
  // Only the show the program was started with may bring its own library modules.
  bool FShowModulesAllowed = true;
  int FWheelRemainder = 0;
  bool FPerformingAction = false;
  bool FClosing = false;
  bool FClosed = false;
  bool FEndedAtLastSlide = false;
  bool FExitRequested = false;
  int FExitCode = kExitOk;
  int64_t FCreatedTick = 0;
};

}  // namespace orv
