// The progress of an export on stderr. On a terminal one line is redrawn in place (percent,
// frames, speed, time left); elsewhere (a CI log, a file) those redraws would pile up as
// noise, so only the closing summary line is written.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace orv {

// The line shown after `done` of `total` frames took `seconds`.
std::string ProgressLine(int64_t done, int64_t total, double seconds);
// The summary after the run: frames, time, speed and where they went.
std::string SummaryLine(int64_t frames, double seconds, const std::string& output);

class TExportProgress {
public:
  // `live`: redraw the line while frames come (for a terminal).
  TExportProgress(std::FILE* out, int64_t total, bool live);

  // Whether stderr is a terminal, which is where the line is redrawn.
  static bool StderrIsTerminal();

  // One more frame is done. Redraws at most ten times a second, and at the last frame.
  void FrameDone();
  // Ends the line and writes the summary; after a failure only ends the line.
  void Finish(bool succeeded, const std::string& output);

private:
  double Seconds() const;
  void Draw();

  std::FILE* FOut;
  int64_t FTotal;
  bool FLive;
  int64_t FDone = 0;
  bool FDrawn = false;
  std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point FLastDraw{};
};

}  // namespace orv
