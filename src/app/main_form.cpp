#include "app/main_form.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "app/show_open_hooks.h"
#include "base/log.h"
#include "platform/instance.h"
#include "platform/message_box.h"
#include "platform/screen.h"
#include "project/ini_values.h"
#include "project/show_options.h"
#include "show/engine_viewer.h"
#include "show/slide_navigation.h"

namespace orv {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Project names on this system separate folders with "/".
std::string DiskNameOfProject(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

}  // namespace

TMainForm::TMainForm(const TCommandLine& command_line, TServices services)
    : FCommandLine(command_line),
      FServices(std::move(services)),
      FStartupMode(command_line.HasRawToken(u"-startup")),
      FCoverMode(command_line.HasSwitch(u"cover")) {
  if (!FServices.ShowMessage)
    FServices.ShowMessage = [this](const std::string& text) { ShowMessageBox(FWindow.get(), text, kMessageCaption); };
  if (!FServices.CreateViewer)
    FServices.CreateViewer = [this](TViewerHost& host) { return CreateShowViewer(host, {FCoverMode}); };
  if (!FServices.Monitors) FServices.Monitors = TScreen::Monitors;
  if (!FServices.Pointer) FServices.Pointer = [this] { return PointerState(); };
  if (!FServices.SetCursor) FServices.SetCursor = SetCursorShape;
  if (!FServices.PrintServices) FServices.PrintServices = SystemPrintServices;
  FMouseMonitor = MakeRef<TMouseMonitor>(FServices.Ticks, FServices.Pointer);
  ConnectMouseMonitor();
  FViewer = FServices.CreateViewer(*this);

  const TShowName show =
      ShowNameOf(command_line, FServices.ProgramPath, FolderPartOf(FServices.ProgramPath), FServices.WorkingFolder);
  FFileNameGiven = show.FileNameGiven;
  if (FFileNameGiven) FProjectFileName = show.Path;
  const TStartPosition start = GetStartPosition(command_line);
  const TOpenOutcome outcome = OpenShowAt(show.Path, show.IsExecutable, start.IsTime, start.Value);
  if (outcome == TOpenOutcome::Opened) {
    FShowVersion = Utf16ToUtf8(FCurrentLocator->OrvVersion());
    FViewer->SetPaused(false);
  } else {
    FExitCode = outcome == TOpenOutcome::Failed ? kExitNotStarted : kExitOk;
    FinishClose();
  }
  FShowModulesAllowed = false;
  FCreatedTick = FServices.Ticks();
}

TMainForm::~TMainForm() {
  FinishClose();
  FViewer.Reset();
  FWindow.reset();
}

bool TMainForm::OpenShow(const std::string& name, bool is_executable, bool is_time, int position) {
  return OpenShowAt(name, is_executable, is_time, position) == TOpenOutcome::Opened;
}

TMainForm::TOpenOutcome TMainForm::OpenShowAt(const std::string& name, bool is_executable, bool is_time, int position) {
  // A failed open leaves the viewer paused: the caller decides what follows.
  const bool paused_here = !FViewer->Paused();
  if (paused_here) FViewer->SetPaused(true);
  const std::optional<TLocatedShow> show = is_executable ? LocateExecutable(name) : LocateProject(name);
  if (!show) return TOpenOutcome::Failed;
  MakeCurrent(show->Locator);
  const TOpenOutcome outcome = StartShow(name, *show, is_time, position);
  if (outcome == TOpenOutcome::Opened && paused_here) FViewer->SetPaused(false);
  return outcome;
}

std::optional<TMainForm::TLocatedShow> TMainForm::LocateExecutable(const std::string& name) {
  const bool redirected = !FExeRedirect.ExeName.empty() && SameTextUtf8(name, FExeRedirect.ExeName);
  const bool to_project = redirected && !FExeRedirect.ProjectPath.empty();
  TLocatorResult result = to_project
                              ? TLocatorResult{LocatorFromProject(DiskNameOfProject(FExeRedirect.ProjectPath)), {}}
                              : LocatorFromExecutable(redirected ? name : BundleShowFile(name));
  TLocatedShow show{result.Locator, to_project};
  const std::string sibling = OvShowNameOf(name);
  if (!show.Locator) {
    result = LocatorFromExecutable(BundleShowFile(sibling));
    show = TLocatedShow{result.Locator, false};
  }
  if (!show.Locator) {
    const std::string error = result.ErrorText.empty() ? "Can`t Load Show" : result.ErrorText;
    FServices.ShowMessage(error + "\r" + Quoted(name) + " or " + Quoted(sibling));
    return std::nullopt;
  }
  DecideExclusiveMode(*show.Locator);
  PrepareMediaLibrary(FShowModulesAllowed ? show.Locator.Get() : nullptr, FServices.ProgramPath);
  return show;
}

std::optional<TMainForm::TLocatedShow> TMainForm::LocateProject(const std::string& name) {
  PrepareMediaLibrary(nullptr, FServices.ProgramPath);
  Ref<TOrvShowLocator> locator = LocatorFromProject(DiskNameOfProject(name));
  if (!locator) {
    FServices.ShowMessage("Can`t Load .orv File\r" + Quoted(name));
    return std::nullopt;
  }
  DecideExclusiveMode(*locator);
  return TLocatedShow{std::move(locator), true};
}

void TMainForm::MakeCurrent(Ref<TOrvShowLocator> locator) {
  std::swap(FCurrentLocator, locator);
  try {
    locator.Reset();
  } catch (const Exception& e) {
    Log().Write(std::string("Closing the previous show: ") + e.what());
  }
}

TMainForm::TOpenOutcome TMainForm::StartShow(const std::string& name, const TLocatedShow& show, bool is_time,
                                             int position) {
  const Ref<TIniFile> project = Ref<TIniFile>::Share(show.Locator->Project());
  FSource.Reset();
  const bool screen_saver = IsScreenSaverFile(FServices.ProgramPath);
  // Before anything reads the show's options: a screen saver plays by its own rules.
  ApplyScreenSaverOverrides(*project, screen_saver);
  const TShowOptions options = TShowOptions::Read(*project);
  FOptions = options;
  FInputMapping = MakeRef<TInputMappingClass>(options, FServices.Ticks);
  FWheelNavigates = !options.LockWheel;
  FCaption = Utf16ToUtf8(options.MainWindowCaption);
  if (FWindow) FWindow->SetTitle(FCaption);
  ApplyCursorHiding(options);
  if (!ScreenSaverMayRun(screen_saver)) return TOpenOutcome::Refused;
  if (screen_saver) {
    BeginScreenSaver();
  } else {
    SuspendSystemScreenSaver();
  }
  FViewer->Open(show.Locator->Accessor(), project, 0);
  if (is_time || position > 0) FViewer->SetPosition(is_time ? position : SlideStartTime(*Source(), position));
  NoteShowFiles(name, show, Utf16ToUtf8(options.ExeFileName));
  Log().Write("Show opened: " + name + " (" + std::to_string(options.SlideCount) + " slides, from " +
              std::to_string(std::lround(FViewer->Position())) + " ms)");
  return TOpenOutcome::Opened;
}

TOrvSource* TMainForm::Source() {
  if (!FSource && FCurrentLocator) {
    TOrvSourceSettings settings;
    settings.ProgramFile = FServices.ProgramPath;
    FSource = MakeRef<TOrvSource>(Ref<TIniFile>::Share(FCurrentLocator->Project()), settings);
  }
  return FSource.Get();
}

// A screen saver runs only when the system starts it to run ("/s") and no other instance
// runs; its preview and settings calls end at once.
bool TMainForm::ScreenSaverMayRun(bool screen_saver) const {
  if (!screen_saver) return true;
  return !InstanceRunning() && (FCommandLine.HasRawToken(u"/s") || FCommandLine.HasRawToken(u"/S"));
}

void TMainForm::NoteShowFiles(const std::string& name, const TLocatedShow& show, const std::string& exe_file_name) {
  FShowExeName = name;
  if (!exe_file_name.empty() && show.FromProject) {
    FShowExeName = exe_file_name;
    FExeRedirect = TExeRedirect{exe_file_name, Utf16ToUtf8(show.Locator->ProjectName())};
  } else if (exe_file_name.empty() && !show.FromProject) {
    FServices.ShowMessage("opt_exefn - Empty");
  }
  FShowFolder = FolderPartOf(FShowExeName);
}

void TMainForm::ApplyCursorHiding(const TShowOptions& options) {
  switch (options.HideCursor) {
    case 1:
      FMouseMonitor->SetHideInterval(0);
      FMouseMonitor->SetHidden(true);
      break;
    case 2:
      FMouseMonitor->SetHideInterval(int64_t(options.CursorHideInterval) * 1000);
      FMouseMonitor->SetHidden(true);
      break;
    default:
      FMouseMonitor->SetHideInterval(0);
      FMouseMonitor->SetHidden(false);
  }
}

// The cursor: hidden when asked, a hand over objects with an action, the arrow elsewhere.
// A pointer that leaves the window takes the slides' hover looks with it.
void TMainForm::ConnectMouseMonitor() {
  FMouseMonitor->OnHiddenChanged = [this](bool hidden) {
    if (hidden && FViewer && FViewer->PointerOverPanel()) {
      FMouseMonitor->SetHidden(false);  // never hidden over the navigation panel
      return;
    }
    FServices.SetCursor(hidden ? TCursorShape::Hidden : TCursorShape::Arrow);
  };
  FMouseMonitor->OnCheck = [this] {
    if (FMouseMonitor->Hidden() || !FViewer) return;
    FServices.SetCursor(FViewer->PointerOverAction() ? TCursorShape::Hand : TCursorShape::Arrow);
  };
  const auto left = [this] {
    if (FViewer && !FMouseMonitor->IsInside())
      FViewer->MouseEvent(TMouseEvent::Move, kPointerOutside, kPointerOutside, 0, TMouseButton::None, std::nullopt);
  };
  FMouseMonitor->OnEnter = left;
  FMouseMonitor->OnLeave = left;
}

TPointerState TMainForm::PointerState() {
  TPointerState state;
  if (!FWindow) return state;
  int x = 0, y = 0;
  GlobalCursorPosition(x, y);
  const TRect client = FWindow->ClientRect();
  state.X = x - client.Left;
  state.Y = y - client.Top;
  state.Inside = x >= client.Left && x < client.Right && y >= client.Top && y < client.Bottom;
  return state;
}

void TMainForm::HandleEvent(const TPlatformEvent& event) {
  using TKind = TPlatformEvent::TKind;
  if (event.Kind == TKind::Quit) {
    CloseWindow();
    return;
  }
  if (!FWindow || event.WindowId != FWindow->Id()) return;
  switch (event.Kind) {
    case TKind::CloseRequested:
      CloseWindow();
      break;
    case TKind::Exposed:
      FViewer->Refresh();
      break;
    case TKind::Activated:
    case TKind::Deactivated:
      FViewer->SetWindowActive(event.Kind == TKind::Activated);
      break;
    case TKind::Key:
      OnKey(event.Modifiers, event.Key, event.KeyEvent);
      break;
    case TKind::Mouse:
      OnMouse(event.Modifiers, event.X, event.Y, event.MouseEvent, event.Button);
      break;
    case TKind::Wheel:
      OnWheel(event.Modifiers, event.WheelDelta);
      break;
    case TKind::Text:
      OnText(event.Text);
      break;
    case TKind::MouseEntered:
    case TKind::MouseLeft:
      FMouseMonitor->Check();
      break;
    case TKind::Quit:
      break;
  }
}

void TMainForm::OnTimer() {
  if (FMouseMonitor->TimerWanted()) FMouseMonitor->Check();
}

void TMainForm::CloseWindow() {
  if (FClosed) return;
  if (CloseQuery()) FinishClose();
}

// The close box and quit requests only end the program; an exit asked for by the show or
// the user also runs the program to run on exit, or goes back to the presentation that
// started this one (and then the window stays).
bool TMainForm::CloseQuery() {
  if (FClosing) return false;
  FClosing = true;
  bool cancelled = false;
  if (FCurrentLocator) {
    int run_mode = FOptions.RunAppOnExit;
    if (FOptions.RunAppOnExitIfLastSlide && !FEndedAtLastSlide) run_mode = 0;
    if (!FExitRequested) run_mode = 0;
    const bool exit_requested = FExitRequested;
    FExitRequested = false;
    FEndedAtLastSlide = false;
    if (run_mode > 0 && !FOptions.RunAppOnExitFileName.empty()) {
      const std::uint8_t kind = run_mode == 2 ? TOrvActionInfo::kRunPresentation : TOrvActionInfo::kRunApp;
      const bool done = Execute(TOrvActionInfo{kind, 0, FOptions.RunAppOnExitFileName});
      cancelled = run_mode == 2 && done;
    } else if (exit_requested && !FRunStack.empty()) {
      const WideString caller = std::move(FRunStack.back());
      FRunStack.pop_back();
      cancelled = Execute(TOrvActionInfo{TOrvActionInfo::kRunPresentation, 0, caller});
    }
  }
  FClosing = false;
  return !cancelled;
}

void TMainForm::FinishClose() {
  if (FClosed) return;
  FClosed = true;
  FViewer->Close();
}

TPlatformWindow& TMainForm::Window() {
  if (!FWindow) {
    TWindowParams params;
    params.Title = FCaption;
    params.Visible = false;
    FWindow = std::make_unique<TPlatformWindow>(params);
    // A start-up window stays above the others.
    if (FStartupMode) FWindow->SetAlwaysOnTop(true);
  }
  return *FWindow;
}

TPlacementSwitches TMainForm::PlacementSwitches() const {
  TPlacementSwitches switches;
  if (const std::optional<WideString> display = FCommandLine.GetSwitchArg(u"display", 0))
    switches.Display = ParseInteger(Utf16ToUtf8(*display)).value_or(0);
  switches.DesktopAlign = FCommandLine.HasSwitch(u"desktopalign");
  switches.Resize = FCommandLine.HasSwitch(u"resize");
  return switches;
}

void TMainForm::PlaceWindow(int width, int height, int mode) {
  TPlatformWindow& window = Window();
  const TWindowPlacement placement =
      WindowPlacement(width, height, mode, FServices.Monitors(), PlacementSwitches(), window.FrameMargins());
  window.Place(placement.Mode, placement.Client, placement.Resizable);
}

void TMainForm::ShowWindow() { Window().Show(); }

void TMainForm::EndProgram(int exit_code) {
  if (FClosed) return;
  FExitCode = exit_code;
  FinishClose();
}

void TMainForm::OnPosition(int, bool ended) {
  if (!ended || FClosing || FClosed || FOptions.Repeat != TRepeatMode::Close) return;
  FEndedAtLastSlide = true;
  FExitRequested = true;
  CloseWindow();
}

// Actions raised inside the show; one that leads to another (a presentation opened by an
// action whose show raises one at once) waits for the next.
void TMainForm::OnAction(const TOrvActionInfo& action) {
  if (FPerformingAction || FPrintSession) return;
  FPerformingAction = true;
  Execute(action);
  FPerformingAction = false;
}

}  // namespace orv
