#include "app/viewer_program.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/main_form.h"
#include "app/offscreen_run.h"
#include "app/show_name.h"
#include "audio/audio_decoders.h"
#include "base/log.h"
#include "base/program_path.h"
#include "image/picture_library.h"
#include "image/picture_loaders.h"
#include "package/temp_folders.h"
#include "platform/event_loop.h"
#include "platform/instance.h"
#include "platform/message_box.h"
#include "render/gl/gl_engine.h"

namespace orv {
namespace {

constexpr const char* kColourDepthMessage =
    "Currently you have 256 or 16 colors display mode.\rSet True color or High color display mode.";

constexpr const char* kUsage =
    "usage: orvviewer [SHOW] [switches]\n"
    "Plays a slide show: SHOW, or the show appended to this program file when none is named.\n"
    "SHOW is an executable show or a package (a project text file opens as a loose project).\n"
    "\n"
    "  -filename PROJECT   play a loose project (its pictures found through its file map)\n"
    "  -exename SHOW       play an executable show or package\n"
    "  -slide N            start at slide N (1 = the first)\n"
    "  -time T             start at T - 1 ms\n"
    "  -log                write the log to stderr\n"
    "  -filelog            write the log to the program's name with \".log\"\n"
    "  -noicc              do not apply colour profiles of pictures\n"
    "  -cover              let slides cover the whole screen\n"
    "  -resize             a window with a border can be resized\n"
    "  -desktopalign       place the window over all monitors\n"
    "  -display N          use monitor N (1 = the first)\n"
    "  -startup            run as a start-up window that stays on top\n"
    "  -help               print this text\n"
    "\n"
    "Rendering without playing (the show is drawn off screen, frame by frame):\n"
    "  -snapshot MS OUT.png        the frame at show time MS as a PNG picture\n"
    "  -export OUT.mp4             every frame as H.264 video in an MP4 file\n"
    "  -export DIR/                every frame as a numbered PNG picture in DIR\n"
    "  -export OUT -raw            every frame's bytes (BGRA, top row first), e.g. to /dev/null\n"
    "  -size WxH                   the frame size (default: the show's own)\n"
    "  -fps N                      frames per second of an export (default 25)\n"
    "  -from MS, -to MS            the stretch of the show to export (default: all of it)\n"
    "\n"
    "Switch names are matched without regard to case. Relative names after -filename and\n"
    "-exename are taken from the program's folder, a SHOW from the current folder.\n"
    "Keys: Right/Left next and previous slide, Space pause, Home/End, Esc leave.\n"
    "Exit codes: 0 played, 1 left through the show's \"closedialog\" action, 2 the show\n"
    "could not be started (or a switch is wrong), 3 an export failed part way.\n";

void SelectLog(const TCommandLine& command_line) {
  std::unique_ptr<TLog> log;
  if (command_line.HasSwitch(u"filelog")) {
    log = std::make_unique<TFileLog>(LogFileNameFor(ProgramPath()));
  } else if (command_line.HasSwitch(u"log")) {
    log = std::make_unique<TStdLog>();
  }
  if (log) log->SetPrefixes(true, true);
  SetLog(std::move(log));
}

std::string WorkingFolder() {
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).string();
  return error ? ProgramFolder() : folder + "/";
}

int RunMainForm(const TCommandLine& command_line, TEventLoop& loop, TOffscreenRun* offscreen) {
  TMainForm::TServices services;
  services.ProgramPath = ProgramPath();
  services.WorkingFolder = WorkingFolder();
  if (offscreen) offscreen->Configure(services);
  TMainForm form(command_line, std::move(services));
  loop.Run([&form](const TPlatformEvent& event) { form.HandleEvent(event); }, [&form] { return !form.Closed(); },
           TLoopTimer{TMouseMonitor::kCheckInterval, [&form] { form.OnTimer(); }});
  return offscreen ? offscreen->ExitCode(form.ExitCode()) : form.ExitCode();
}

int RunWithDisplay(const TCommandLine& command_line, TOffscreenRun* offscreen) {
  TEventLoop loop;
  const int depth = loop.DesktopBitsPerPixel();
  if (depth > 0 && depth <= 15) {
    ShowMessageBox(nullptr, kColourDepthMessage, kMessageCaption);
    return kExitNotStarted;
  }
  SelectLog(command_line);
  Log().WriteStartBlock(ProgramPath());
  RegisterInstance();
  SetNoIcc(command_line.HasSwitch(u"noicc"));
  int exit_code = kExitNotStarted;
  try {
    exit_code = RunMainForm(command_line, loop, offscreen);
  } catch (const std::exception& e) {
    ShowMessageBox(nullptr, e.what(), kMessageCaption);
  }
  ReleaseAll();
  Log().WriteEndBlock();
  return exit_code;
}

}  // namespace

int RunViewerProgram(int argc, const char* const* argv) {
  const TCommandLine command_line(CommandLineOfArguments(argc, argv));
  if (command_line.HasSwitch(u"help") || command_line.HasSwitch(u"-help")) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  PrepareGLEnvironment();
  std::unique_ptr<TOffscreenRun> offscreen;
  try {
    if (std::optional<TExportSettings> settings = ReadExportSettings(command_line)) {
      const TShowName show = ShowNameOf(command_line, ProgramPath(), ProgramFolder(), WorkingFolder());
      offscreen = std::make_unique<TOffscreenRun>(std::move(*settings), show.Path);
      UseOffscreenDrivers();
    }
  } catch (const Exception& e) {
    TellOnStderr(e.what());
    return kExitNotStarted;
  }
  RegisterPictureLibrary(ProgramFolder() + kPictureLibraryPath, {"png"});
  InstallAudioDecoders();
  try {
    return RunWithDisplay(command_line, offscreen.get());
  } catch (const std::exception& e) {
    // No display to show a window on: the message goes to stderr.
    ShowMessageBox(nullptr, e.what(), kMessageCaption);
    return kExitNotStarted;
  }
}

}  // namespace orv
