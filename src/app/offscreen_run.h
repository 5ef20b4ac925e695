// An off-screen run of the program ("-snapshot", "-export"): the main window opens the show
// as always, but its viewer renders frame by frame into a frame sink instead of playing in
// real time, and the program ends when the last frame is written.
#pragma once

#include <memory>
#include <string>

#include "app/export/export_settings.h"
#include "app/main_form.h"

namespace orv {

class TExportSink;

// Exit code of an export that failed after it started (the message says why).
inline constexpr int kExitExportFailed = 3;

class TOffscreenRun {
public:
  // Checks the output at once, without touching it: raises EFileError when it cannot be
  // written or is the show itself (at `show_path`). The output is opened only once the
  // show has opened.
  TOffscreenRun(TExportSettings settings, const std::string& show_path);
  ~TOffscreenRun();
  TOffscreenRun(const TOffscreenRun&) = delete;
  TOffscreenRun& operator=(const TOffscreenRun&) = delete;

  // Lets the main window open the show with the off-screen viewer; its messages go to
  // stderr, as a tool's do.
  void Configure(TMainForm::TServices& services);
  // The program's exit code once the main window closed with `form_exit_code`; a failure
  // is told on stderr.
  int ExitCode(int form_exit_code) const;

  // Opens the output and starts rendering `project`: raises when the show gives nothing to
  // render or the output cannot be opened. The viewer that renders is returned.
  Ref<TOrvShowViewer> Start(TViewerHost& host, TIniFile& project, Ref<TFileAccessor> accessor);
  // Ends the program after a start that failed, with the reason.
  void Fail(TViewerHost& host, const std::string& reason);

private:
  TExportSettings FSettings;
  Ref<TExportSink> FSink;
  std::string FStartFailure;
};

// Without a display, off-screen runs draw through SDL's off-screen driver (a real GL
// context); they never play sound.
void UseOffscreenDrivers();

// A message of the program on stderr.
void TellOnStderr(const std::string& text);

}  // namespace orv
