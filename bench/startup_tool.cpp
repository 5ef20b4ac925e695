// startup_tool make SHOW PLAYER MEDIA_LIBRARY ENTRIES PROJECT_BYTES PICTURE
//   writes an executable show: the player, a deflated project of about PROJECT_BYTES with
//   one slide per picture, ENTRIES - 2 copies of the (small) PICTURE and the media library
//   as "ffmpeg.dll" (ENTRIES entries in all).
// startup_tool time RUNS MARKER PROGRAM [ARGS...]
//   starts the program RUNS times and prints the median ms from the start to the first
//   stderr line holding MARKER (the program is then asked to close with SIGTERM); with an
//   empty MARKER, to the program's end. A run that takes longer than kRunLimit is killed
//   and reported as a failure, with the end of what the program wrote. With a marker it also prints the median of the
//   processor time the program's main thread had used by then, which a busy machine
//   disturbs less than the wall time.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "package/package_writer.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Far above any start worth measuring; it only keeps a hung program from hanging the bench.
constexpr std::chrono::seconds kRunLimit{20};

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::u16string PictureName(int i) {
  return u"C:\\show\\pictures\\photo" + orv::AsciiToWide(std::to_string(i)) + u".jpg";
}

// A slide: an image object showing its picture, padded with key points to `bytes`.
std::string SlideText(int i, size_t bytes) {
  const std::string number = std::to_string(i);
  std::string text = "[Slide" + number + "]\r\nobject Container:Root\r\nobject Image1:Image\r\n  GUID={P" + number +
                     "}\r\n  ImageName=C:\\show\\pictures\\photo" + number + ".jpg\r\n";
  const std::string closing = "end\r\nend\r\n";
  for (int key = 0; text.size() + closing.size() < bytes; ++key)
    text += "  object Key:KeyPoint\r\n    Time=" + std::to_string(key * 250) + "\r\n    Opacity=100\r\n  end\r\n";
  return text + closing;
}

std::string ProjectText(int slides, size_t bytes) {
  std::string main = "[Main]\r\nOrvVersion=8.1\r\nopt_exefn=C:\\show\\show.exe\r\nopt_scr_full=0\r\n";
  std::string times = "[Times]\r\nopt_slidescount=" + std::to_string(slides) + "\r\n";
  std::string text;
  for (int i = 1; i <= slides; ++i) {
    times += "opt_synchpos" + std::to_string(i) + "=" + std::to_string(i * 5000) + "\r\n";
    text += SlideText(i, bytes / size_t(slides));
  }
  return main + times + text;
}

int Make(const char* show, const char* player_path, const char* library_path, int entries, size_t project_bytes,
         const char* picture_path) {
  const int pictures = entries - 2;
  orv::TPackageWriter writer(show, {});
  orv::TFileStream player(player_path, orv::TFileMode::OpenRead);
  writer.AddPlayer(player);
  orv::TMemoryStream project(ProjectText(pictures, project_bytes));
  writer.AddEntry(u"Project.orv", project, orv::TPackMethod::Deflated);
  orv::TMemoryStream library(ReadFile(library_path));
  writer.AddEntry(u"ffmpeg.dll", library, orv::TPackMethod::Deflated);
  const std::string picture_bytes = ReadFile(picture_path);
  for (int i = 1; i <= pictures; ++i) {
    orv::TMemoryStream picture(picture_bytes);
    writer.AddEntry(PictureName(i), picture, orv::TPackMethod::Stored);
  }
  writer.Finish();
  return ::chmod(show, 0755) == 0 ? 0 : 1;
}

enum class TWaitOutcome { Marker, Ended, TimedOut };

// Reads the child's stderr until `marker` shows (with an empty marker, until it closes),
// at most until `deadline`. What was read is kept in `seen` for the failure report.
TWaitOutcome WaitForMarker(int stderr_pipe, const std::string& marker, Clock::time_point deadline,
                           std::string& seen) {
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return TWaitOutcome::TimedOut;
    pollfd readable{stderr_pipe, POLLIN, 0};
    if (::poll(&readable, 1, int(left.count())) == 0) return TWaitOutcome::TimedOut;
    const ssize_t got = ::read(stderr_pipe, buffer, sizeof buffer);
    if (got <= 0) return TWaitOutcome::Ended;
    seen.append(buffer, size_t(got));
    if (!marker.empty() && seen.find(marker) != std::string::npos) return TWaitOutcome::Marker;
  }
}

// ms on a processor of the process's main thread so far.
double MainThreadCpu(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/schedstat");
  double nanoseconds = 0;
  stat >> nanoseconds;
  return nanoseconds / 1e6;
}

struct TStartTimes {
  double Wall = -1;
  double Cpu = 0;
  std::string Failure;
};

std::string LastLines(const std::string& text, size_t count) {
  size_t from = text.size();
  for (size_t lines = 0; from > 0 && lines <= count; --from)
    if (text[from - 1] == '\n') ++lines;
  return text.substr(from);
}

// One start: ms until the marker (or the end).
TStartTimes TimeOnce(char** argv, const std::string& marker) {
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return {-1, 0, "no pipe"};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const Clock::time_point start = Clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  if (spawned != 0) {
    ::close(pipe_ends[0]);
    return {-1, 0, "could not be started"};
  }
  std::string seen;
  const TWaitOutcome outcome = WaitForMarker(pipe_ends[0], marker, start + kRunLimit, seen);
  Clock::time_point end = Clock::now();
  TStartTimes times;
  if (outcome == TWaitOutcome::Marker) times.Cpu = MainThreadCpu(pid);
  if (outcome != TWaitOutcome::Ended) ::kill(pid, outcome == TWaitOutcome::TimedOut ? SIGKILL : SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (marker.empty()) end = Clock::now();
  ::close(pipe_ends[0]);
  const bool reached = outcome == (marker.empty() ? TWaitOutcome::Ended : TWaitOutcome::Marker);
  const bool ended_well = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (reached && ended_well) {
    times.Wall = std::chrono::duration<double, std::milli>(end - start).count();
  } else if (outcome == TWaitOutcome::TimedOut) {
    times.Failure = "was killed after " + std::to_string(kRunLimit.count()) + " s";
  } else {
    times.Failure = reached ? "did not end well" : "ended before it";
  }
  if (!times.Failure.empty()) times.Failure += "; its last lines:\n" + LastLines(seen, 8);
  return times;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int Time(int runs, const std::string& marker, char** argv) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    const TStartTimes times = TimeOnce(argv, marker);
    if (times.Wall < 0) {
      std::fprintf(stderr, "startup_tool: %s, timed to \"%s\": %s\n", argv[0], marker.c_str(), times.Failure.c_str());
      return 1;
    }
    wall.push_back(times.Wall);
    cpu.push_back(times.Cpu);
  }
  std::printf("%.2f", Median(wall));
  if (!marker.empty()) std::printf(" %.2f", Median(cpu));
  std::printf("\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "make" && argc == 8)
    return Make(argv[2], argv[3], argv[4], std::atoi(argv[5]), std::stoul(argv[6]), argv[7]);
  if (command == "time" && argc >= 5) return Time(std::atoi(argv[2]), argv[3], argv + 4);
  std::fprintf(stderr,
               "usage: startup_tool make SHOW PLAYER MEDIA_LIBRARY ENTRIES PROJECT_BYTES PICTURE\n"
               "       startup_tool time RUNS MARKER PROGRAM [ARGS...]\n");
  return 2;
}
