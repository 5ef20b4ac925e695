#include "app/export/export_progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

std::string Format(const char* format, auto... values) {
  char text[160];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

std::string MinutesAndSeconds(double seconds) {
  const long whole = std::lround(std::max(seconds, 0.0));
  return Format("%ld:%02ld", whole / 60, whole % 60);
}

}  // namespace

std::string ProgressLine(int64_t done, int64_t total, double seconds) {
  const double fps = seconds > 0 ? double(done) / seconds : 0;
  const int percent = total > 0 ? int(done * 100 / total) : 100;
  const std::string left = fps > 0 ? MinutesAndSeconds(double(total - done) / fps) : "?";
  return Format("export %3d%% | %lld/%lld frames | %.1f fps | %s left", percent, static_cast<long long>(done),
                static_cast<long long>(total), fps, left.c_str());
}

std::string SummaryLine(int64_t frames, double seconds, const std::string& output) {
  const double fps = seconds > 0 ? double(frames) / seconds : 0;
  return Format("export: %lld frames in %.1f s (%.1f fps) written to ", static_cast<long long>(frames), seconds, fps) +
         output;
}

TExportProgress::TExportProgress(std::FILE* out, int64_t total, bool live) : FOut(out), FTotal(total), FLive(live) {}

bool TExportProgress::StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

double TExportProgress::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
}

void TExportProgress::FrameDone() {
  ++FDone;
  if (!FLive) return;
  const auto now = std::chrono::steady_clock::now();
  if (FDone < FTotal && now - FLastDraw < std::chrono::milliseconds(100)) return;
  FLastDraw = now;
  Draw();
}

void TExportProgress::Draw() {
  // The trailing blanks wipe what a longer line left behind.
  std::fprintf(FOut, "\r%s   ", ProgressLine(FDone, FTotal, Seconds()).c_str());
  std::fflush(FOut);
  FDrawn = true;
}

void TExportProgress::Finish(bool succeeded, const std::string& output) {
  if (FDrawn) std::fputc('\n', FOut);
  FDrawn = false;
  if (succeeded) std::fprintf(FOut, "%s\n", SummaryLine(FDone, Seconds(), output).c_str());
  std::fflush(FOut);
}

}  // namespace orv
