// The main window's input and actions: keys, clicks and the wheel through the show's input
// mapping, and the actions that belong to the main window (moving between slides,
// pausing, running programs, opening pages and other presentations, leaving).
#include <algorithm>
#include <filesystem>

#include "app/main_form.h"
#include "base/log.h"
#include "package/orv_unpack.h"
#include "show/slide_navigation.h"

namespace orv {
namespace {

// Clicks this soon after the window was made are the ones that started the program.
constexpr int64_t kClickGuard = 1000;
constexpr int kWheelNotch = 120;
constexpr int kWheelStep = 700;  // ms a notch

constexpr const char* kProhibitedCommand = "Command line contains prohibited command and will not be performed.";

WideString WithPrefix(const WideString& text, std::initializer_list<std::u16string_view> kept, WideView prefix) {
  const WideString lower = LowerWide(text);
  for (const std::u16string_view start : kept)
    if (lower.starts_with(start)) return text;
  return WideString(prefix) + text;
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// The folders of a name, split at "/" and "\".
std::vector<std::string> FoldersOf(const std::string& name) {
  std::vector<std::string> folders;
  std::string folder;
  for (const char c : FolderPartOf(name)) {
    if (c != '/' && c != '\\') {
      folder += c;
    } else if (!folder.empty()) {
      folders.push_back(std::move(folder));
      folder.clear();
    }
  }
  return folders;
}

std::string LastComponentOf(const std::string& name) { return name.substr(FolderPartOf(name).size()); }

// `name` moved from the folder tree of `from` (the show's own executable name, often a
// path on the author's machine) to `base` (where the show is now): the relative way from
// `from`'s folder to `name`'s folder, taken from `base`. Nothing when the two have no
// folder in common (different drives).
std::optional<std::string> Rebased(const std::string& name, const std::string& from, const std::string& base) {
  const std::vector<std::string> source = FoldersOf(from);
  const std::vector<std::string> target = FoldersOf(name);
  size_t common = 0;
  while (common < source.size() && common < target.size() && SameTextUtf8(source[common], target[common])) ++common;
  if (common == 0) return std::nullopt;
  std::string path = base;
  for (size_t i = common; i < source.size(); ++i) path += "../";
  for (size_t i = common; i < target.size(); ++i) path += target[i] + "/";
  return path + LastComponentOf(name);
}

}  // namespace

// ---- input

void TMainForm::OnKey(std::uint8_t modifiers, int key, int event) {
  if (ToPrintDialog([&](TPrintSession& session) { session.Key(key, modifiers, event); }) || !FInputMapping) return;
  if (FStartupMode && key == vk::kReturn && event == kKeyDown) {
    Execute(TOrvActionInfo{TOrvActionInfo::kCloseDialog, 0, {}});
    return;
  }
  // An open dialog of the show takes the keys: Esc closes it, F1 goes on to the help.
  if (FViewer->DialogShown()) {
    if (key == vk::kEscape && event == kKeyDown) FViewer->CloseDialog();
    if (key != vk::kF1) return;
  }
  if (const TKeyMap* map = FInputMapping->KeyAction(modifiers, key, event)) {
    if (map->Action.Kind == TOrvActionInfo::kHelp) {
      FViewer->ShowHelp();
    } else {
      Execute(map->Action);
    }
  }
  if (!FInputMapping->PermitControl() && event == kKeyDown && ReleasesBarrier(key) && FViewer->StoppedAtBarrier())
    FViewer->ReleaseBarrier();
}

// Keys that let a show without control go on from a slide that waits at its end.
bool TMainForm::ReleasesBarrier(int key) const {
  for (const int releasing : {vk::kPause, vk::kSpace, vk::kPageDown, vk::kRight, vk::kBrowserForward,
                              vk::kMediaNextTrack, vk::kMediaPlayPause})
    if (key == releasing) return true;
  return false;
}

// The objects under the pointer take a click first and the engine performs the mapped
// action only when none did; with the cursor hidden, clicks reach no object.
void TMainForm::OnMouse(std::uint8_t modifiers, int x, int y, TMouseEvent event, TMouseButton button) {
  if (ToPrintDialog([&](TPrintSession& session) { session.Mouse(x, y, event, button); })) return;
  if (!FInputMapping || FServices.Ticks() - FCreatedTick < kClickGuard) return;
  if (event == TMouseEvent::Move) {
    FMouseMonitor->MouseMoved(x, y);
  } else {
    FMouseMonitor->Check();
  }
  const TOrvActionInfo action = FInputMapping->MouseAction(modifiers, x, y, event, button);
  const bool has_action = action.Kind != TOrvActionInfo::kNone;
  if (!FMouseMonitor->Hidden() || action.Kind == TOrvActionInfo::kHelp) {
    const std::uint8_t buttons =
        modifiers & (modifier::kLeftButton | modifier::kRightButton | modifier::kMiddleButton);
    FViewer->MouseEvent(event, x, y, buttons, button, has_action ? std::optional(action) : std::nullopt);
  } else if (has_action) {
    Execute(action);
  }
}

void TMainForm::OnWheel(std::uint8_t modifiers, int delta) {
  if (FPrintSession || !FWheelNavigates || !FCurrentLocator) return;
  FWheelRemainder += delta;
  const int notches = FWheelRemainder / kWheelNotch;
  FWheelRemainder %= kWheelNotch;
  if (notches == 0) return;
  const double position = FViewer->Position();
  if ((modifiers & modifier::kShiftAltCtrl) == modifier::kCtrl) {
    // Towards the user is forwards, as pages scroll.
    FViewer->SetPosition(notches < 0 ? NextSlideTime(*Source(), position, FViewer->Paused())
                                     : PreviousSlideTime(*Source(), position));
    return;
  }
  FViewer->SetPosition(std::max(0.0, position - double(notches) * kWheelStep));
}

void TMainForm::OnText(std::string_view utf8) {
  ToPrintDialog([&](TPrintSession& session) { session.Text(utf8); });
}

// The print dialog is modal: while it is open it takes every input, and once it closes
// the show goes on as it was.
template <typename TInput>
bool TMainForm::ToPrintDialog(TInput&& input) {
  if (!FPrintSession) return false;
  input(*FPrintSession);
  if (FPrintSession->Closed()) FPrintSession.reset();
  return true;
}

// The slide on screen (modulo the slide count, so a later pass of a repeating show names
// its slide) gives the main picture and the suggested file name. Files are saved in the
// show's own folder (the project's, or the executable show's) unless another is typed.
void TMainForm::OnImage(Ref<TImage> picture) {
  if (FPrintSession || FClosed || !FCurrentLocator) return;
  TOrvSource* source = Source();
  const int count = source ? source->SlideCount() : 0;
  const int slide = count > 0 ? source->FindSlideAt(FViewer->Position()) % count : -1;
  const std::string show_folder = Utf16ToUtf8(FCurrentLocator->Accessor()->BaseFolder());
  const std::string folder = show_folder.empty() ? FServices.WorkingFolder : show_folder;
  const TRect client = Window().ClientRect();
  FPrintSession = std::make_unique<TPrintSession>(*FViewer, FCurrentLocator, std::move(picture), slide, FOptions,
                                                  FServices.PrintServices(), folder, client);
}

// ---- actions

bool TMainForm::Execute(const TOrvActionInfo& action) {
  if (FClosed || !FCurrentLocator) return false;
  switch (action.Kind) {
    case TOrvActionInfo::kExit:
      FExitRequested = true;
      CloseWindow();
      return true;
    case TOrvActionInfo::kPrevSlide:
      FViewer->SetPosition(PreviousSlideTime(*Source(), FViewer->Position()));
      return true;
    case TOrvActionInfo::kNextSlide:
      return GoToNextSlide();
    case TOrvActionInfo::kPause:
      return TogglePause();
    case TOrvActionInfo::kGoToSlide:
      return GoToSlide(action);
    case TOrvActionInfo::kOpenWebSite:
      return RunCommand(WithPrefix(action.Text, {u"http://", u"https://"}, u"http://"));
    case TOrvActionInfo::kWriteEmail:
      return RunCommand(WithPrefix(action.Text, {u"mailto:"}, u"mailto:"));
    case TOrvActionInfo::kRunApp:
      return RunCommand(action.Text);
    case TOrvActionInfo::kRunAppAndExit:
      CloseWindow();
      return RunCommand(action.Text);
    case TOrvActionInfo::kRunPresentation:
    case TOrvActionInfo::kRunPresentationAndReturn:
      return StartPresentation(action);
    case TOrvActionInfo::kStop:
      FViewer->SetPaused(true);
      FViewer->SetPosition(0);
      return true;
    case TOrvActionInfo::kCloseDialog:
      FExitRequested = true;
      FExitCode = kExitClosedDialog;
      CloseWindow();
      return true;
    case TOrvActionInfo::kGoToTime:
      FViewer->SetPosition(action.Number);
      return true;
    case TOrvActionInfo::kPrint:
      // The picture comes back through OnImage.
      if (!FPrintSession) FViewer->CaptureFrame();
      return true;
  }
  // Help and dialogs are the engine's; saving, the printer and the panel's own events
  // change nothing here.
  return false;
}

bool TMainForm::GoToNextSlide() {
  if (FViewer->StoppedAtBarrier()) {
    FViewer->ReleaseBarrier();
  } else {
    FViewer->SetPosition(NextSlideTime(*Source(), FViewer->Position(), FViewer->Paused()));
  }
  return true;
}

bool TMainForm::TogglePause() {
  if (FViewer->StoppedAtBarrier()) {
    FViewer->ReleaseBarrier();
  } else {
    FViewer->SetPaused(!FViewer->Paused());
  }
  return true;
}

// A slide identifier that no slide has leads to the first slide.
bool TMainForm::GoToSlide(const TOrvActionInfo& action) {
  const int index = action.Number >= 0 ? action.Number : SlideIndexOfId(*Source(), action.Text);
  FViewer->SetPosition(SlideStartTime(*Source(), index));
  return true;
}

// A start-up window that stays on top lets the started program come to the front.
bool TMainForm::RunCommand(WideView text) {
  if (FStartupMode && FWindow) FWindow->SetAlwaysOnTop(false);
  const TRunOutcome outcome = TCommandRunner(FolderPartOf(FServices.ProgramPath), FServices.Launcher).Run(text);
  if (outcome == TRunOutcome::Forbidden) FServices.ShowMessage(kProhibitedCommand);
  if (outcome != TRunOutcome::Ran && FStartupMode && FWindow) FWindow->SetAlwaysOnTop(true);
  return true;
}

// The show file a run-presentation command names: as written (relative names from the
// program's folder), or, when that does not exist, moved along with the show.
std::optional<std::string> TMainForm::PresentationFile(const std::string& written) {
  std::string name = written;
  std::replace(name.begin(), name.end(), '\\', '/');
  name = BundleShowFile(AbsoluteName(name, FolderPartOf(FServices.ProgramPath)));
  if (FileExists(name) || FOptions.ExeFileName.empty()) return name;
  const std::string show_folder = FShowFolder;
  if (const std::optional<std::string> moved = Rebased(name, Utf16ToUtf8(FOptions.ExeFileName), show_folder);
      moved && FileExists(*moved))
    return *moved;
  const std::string beside = show_folder + LastComponentOf(name);
  return FileExists(beside) ? beside : name;
}

// Another presentation must be a show package of the same version as this show.
bool TMainForm::PresentationMayOpen(const std::string& name) {
  if (name == FProjectFileName) return true;
  const std::optional<WideString> version = PackageVersion(name);
  if (!version) {
    FServices.ShowMessage((FileExists(name) ? "Not OrvShow Executable File or File Corrupted:\r"
                                            : "OrvShow File not Found:\r") +
                          name);
    return false;
  }
  if (Utf16ToUtf8(*version) != FShowVersion) {
    FServices.ShowMessage("OrvShow ExeFile Version Mismatch:\r" + name);
    return false;
  }
  return true;
}

bool TMainForm::StartPresentation(const TOrvActionInfo& action) {
  const bool returns = action.Kind == TOrvActionInfo::kRunPresentationAndReturn;
  const TCommandLine command(action.Text);
  const std::optional<WideString> written = command.GetSwitchArg(u"", 0);
  const std::optional<std::string> name = written ? PresentationFile(Utf16ToUtf8(*written)) : std::nullopt;
  if (!name || !PresentationMayOpen(*name)) return false;
  Log().Write("Open show: " + *name);
  WideString caller;
  if (returns)
    caller = u"\"" + Utf8ToUtf16(FShowExeName) + u"\" -slide " +
             AsciiToWide(std::to_string(Source()->FindSlideAt(FViewer->Position()) + 1));
  const bool was_paused = FViewer->Paused();
  const TStartPosition start = GetStartPosition(command);
  if (OpenShow(*name, *name != FProjectFileName, start.IsTime, start.Value)) {
    if (returns) FRunStack.push_back(std::move(caller));
    FViewer->SetPaused(false);
    return true;
  }
  if (returns) {
    FViewer->SetPaused(was_paused);
  } else {
    FExitRequested = true;
    CloseWindow();
  }
  return false;
}

}  // namespace orv
