#include "app/main_form.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "app/show_open_hooks.h"
#include "base/log.h"
#include "platform/instance.h"
#include "platform/message_box.h"
#include "platform/screen.h"
#include "project/show_options.h"
#include "show/engine_viewer.h"

namespace orv {
namespace {

int64_t TickCount() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Project names on this system separate folders with "/".
std::string DiskNameOfProject(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

TWindowMode WindowModeOf(int mode) {
  switch (mode) {
    case 0:
      return TWindowMode::FullScreen;
    case 1:
      return TWindowMode::Windowed;
  }
  return TWindowMode::Borderless;
}

}  // namespace

int SlideStartTime(const TOrvSource& source, int index) {
  index = std::max(index, 0);
  TSlideTimes times;
  source.GetSlideTimes(index, times);
  const bool show_end = source.RepeatMode() != TRepeatMode::Repeat && index == source.SlideCount();
  return int(std::lround(times.StartTime)) + (times.EffectIn == 0 && !show_end ? 1 : 0);
}

TMainForm::TMainForm(const TCommandLine& command_line, TServices services)
    : FCommandLine(command_line),
      FServices(std::move(services)),
      FStartupMode(command_line.HasRawToken(u"-startup")),
      FCoverMode(command_line.HasSwitch(u"cover")) {
  if (!FServices.ShowMessage)
    FServices.ShowMessage = [this](const std::string& text) { ShowMessageBox(FWindow.get(), text, kMessageCaption); };
  if (!FServices.CreateViewer)
    FServices.CreateViewer = [this](TViewerHost& host) { return CreateShowViewer(host, {FCoverMode}); };
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
    Close();
  }
  FCreatedTick = TickCount();
}

TMainForm::~TMainForm() {
  Close();
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
  PrepareMediaLibrary(show.Locator.Get(), FServices.ProgramPath);
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
  FWheelNavigates = !options.LockWheel;
  FCaption = Utf16ToUtf8(options.MainWindowCaption);
  if (!ScreenSaverMayRun(screen_saver)) return TOpenOutcome::Refused;
  SuspendSystemScreenSaver();
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

void TMainForm::HandleEvent(const TPlatformEvent& event) {
  switch (event.Kind) {
    case TPlatformEvent::TKind::Quit:
      Close();
      break;
    case TPlatformEvent::TKind::CloseRequested:
      if (FWindow && event.WindowId == FWindow->Id()) Close();
      break;
    case TPlatformEvent::TKind::Exposed:
      if (FWindow && event.WindowId == FWindow->Id()) FViewer->Refresh();
      break;
    case TPlatformEvent::TKind::Activated:
    case TPlatformEvent::TKind::Deactivated:
      if (FWindow && event.WindowId == FWindow->Id())
        FViewer->SetWindowActive(event.Kind == TPlatformEvent::TKind::Activated);
      break;
  }
}

void TMainForm::Close() {
  if (FClosing || FClosed) return;
  FClosing = true;
  FViewer->Close();
  FClosed = true;
  FClosing = false;
}

TPlatformWindow& TMainForm::Window() {
  if (!FWindow) {
    TWindowParams params;
    params.Title = FCaption;
    params.Visible = false;
    FWindow = std::make_unique<TPlatformWindow>(params);
  }
  return *FWindow;
}

// Centred on the first monitor; full screen covers it.
void TMainForm::PlaceWindow(int width, int height, int mode) {
  const TWindowMode window_mode = WindowModeOf(mode);
  if (window_mode == TWindowMode::FullScreen) {
    Window().SetMode(window_mode, 0);
    return;
  }
  const std::vector<TRect> monitors = TScreen::Monitors();
  const TRect area = monitors.empty() ? RectOfSize(width, height) : monitors.front();
  const int left = area.Left + (area.Width() - width) / 2;
  const int top = area.Top + (area.Height() - height) / 2;
  Window().SetMode(window_mode, 0);
  Window().SetBounds(TRect{left, top, left + width, top + height});
}

void TMainForm::ShowWindow() { Window().Show(); }

void TMainForm::EndProgram(int exit_code) {
  if (FClosed) return;
  FExitCode = exit_code;
  Close();
}

}  // namespace orv
