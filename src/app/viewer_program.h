// The program's entry: checks the display, reads the command line, starts the log, makes
// the main window (which opens the show) and runs the message loop until it closes.
#pragma once

namespace orv {

// The process's exit code.
int RunViewerProgram(int argc, const char* const* argv);

}  // namespace orv
