// startup_tool make SHOW PLAYER MEDIA_LIBRARY ENTRIES PROJECT_BYTES
//   writes an executable show: the player, a deflated project of about PROJECT_BYTES with
//   one slide per picture, ENTRIES - 2 small pictures and the media library as
//   "ffmpeg.dll" (ENTRIES entries in all).
// startup_tool time RUNS MARKER PROGRAM [ARGS...]
//   starts the program RUNS times and prints the median ms from the start to the first
//   stderr line holding MARKER (the program is then asked to close with SIGTERM); with an
//   empty MARKER, to the program's end. With a marker it also prints the median of the
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

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::u16string PictureName(int i) {
  return u"C:\\show\\pictures\\photo" + orv::AsciiToWide(std::to_string(i)) + u".jpg";
}

// A slide: its picture and an image object animated by key points, padded with further
// key points to `bytes`.
std::string SlideText(int i, size_t bytes) {
  const std::string number = std::to_string(i);
  std::string text = "[Slide" + number + "]\r\nPicture=C:\\show\\pictures\\photo" + number +
                     ".jpg\r\nobject Image1:Image\r\n  FileName=C:\\show\\pictures\\photo" + number + ".jpg\r\n";
  for (int key = 0; text.size() + 8 < bytes; ++key)
    text += "  KeyPoint" + std::to_string(key) + "=" + std::to_string(key * 250) + ",50.5,50.5,100,0,100\r\n";
  return text + "end\r\n";
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

int Make(const char* show, const char* player_path, const char* library_path, int entries, size_t project_bytes) {
  const int pictures = entries - 2;
  orv::TPackageWriter writer(show, {});
  orv::TFileStream player(player_path, orv::TFileMode::OpenRead);
  writer.AddPlayer(player);
  orv::TMemoryStream project(ProjectText(pictures, project_bytes));
  writer.AddEntry(u"Project.orv", project, orv::TPackMethod::Deflated);
  orv::TMemoryStream library(ReadFile(library_path));
  writer.AddEntry(u"ffmpeg.dll", library, orv::TPackMethod::Deflated);
  for (int i = 1; i <= pictures; ++i) {
    orv::TMemoryStream picture(std::string(300, char(i)));
    writer.AddEntry(PictureName(i), picture, orv::TPackMethod::Stored);
  }
  writer.Finish();
  return ::chmod(show, 0755) == 0 ? 0 : 1;
}

// Reads the child's stderr until `marker` shows; false when it ends first.
bool WaitForMarker(int stderr_pipe, const std::string& marker) {
  std::string seen;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(stderr_pipe, buffer, sizeof buffer);
    if (got <= 0) return false;
    seen.append(buffer, size_t(got));
    if (seen.find(marker) != std::string::npos) return true;
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
};

// One start: ms until the marker (or the end).
TStartTimes TimeOnce(char** argv, const std::string& marker) {
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const Clock::time_point start = Clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  if (spawned != 0) return {};
  bool reached = marker.empty();
  if (!marker.empty()) reached = WaitForMarker(pipe_ends[0], marker);
  Clock::time_point end = Clock::now();
  TStartTimes times;
  if (!marker.empty()) {
    times.Cpu = MainThreadCpu(pid);
    ::kill(pid, SIGTERM);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (marker.empty()) end = Clock::now();
  ::close(pipe_ends[0]);
  const bool ended_well = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (reached && ended_well) times.Wall = std::chrono::duration<double, std::milli>(end - start).count();
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
      std::fprintf(stderr, "startup_tool: %s did not reach \"%s\" or did not end well\n", argv[0], marker.c_str());
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
  if (command == "make" && argc == 7) return Make(argv[2], argv[3], argv[4], std::atoi(argv[5]), std::stoul(argv[6]));
  if (command == "time" && argc >= 5) return Time(std::atoi(argv[2]), argv[3], argv + 4);
  std::fprintf(stderr,
               "usage: startup_tool make SHOW PLAYER MEDIA_LIBRARY ENTRIES PROJECT_BYTES\n"
               "       startup_tool time RUNS MARKER PROGRAM [ARGS...]\n");
  return 2;
}
