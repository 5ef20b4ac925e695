// A real X display (Xvfb) for tests that drive the player as a person would: keys and
// clicks through xdotool, screenshots through xwd. Tests skip when the tools are missing.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace orv::test {

// The program's path on PATH, or nothing.
inline std::optional<std::string> OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string candidate = std::string(rest.substr(0, colon)) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  return std::nullopt;
}

// A started program, ended (SIGKILL) when it goes out of scope if it has not ended.
class TChild {
 public:
  TChild(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
         const std::string& output = "/dev/null", int keep_fd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (keep_fd >= 0) posix_spawn_file_actions_adddup2(&actions, keep_fd, keep_fd);
    std::vector<char*> argv, envp;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    if (posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) FPid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  // Asked to end first, so that an X server takes its lock files with it.
  ~TChild() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGTERM);
    if (Wait(std::chrono::seconds(2))) return;
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;

  bool Started() const { return FPid > 0; }
  // The exit code, 128 + the signal that ended it, or nothing when it did not end in time.
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (FPid > 0) {
      int status = 0;
      if (::waitpid(FPid, &status, WNOHANG) == FPid) {
        FPid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }

 private:
  pid_t FPid = -1;
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One Xvfb display of 640 × 480 and the tools that work with it.
class TXSession {
 public:
  // Why the session cannot run here; empty when it can.
  static std::string Missing() {
    for (const char* tool : {"Xvfb", "xdotool", "xwd"})
      if (!OnPath(tool)) return std::string(tool) + " is not installed (scripts/install-deps installs it)";
    return "";
  }

  explicit TXSession(const std::string& folder) : FFolder(folder) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    // Xvfb picks a free display and writes its number to the pipe. Without -noreset the
    // server starts over each time its last client leaves (the readiness probe below), and
    // a player connecting meanwhile is refused.
    FServer.emplace(std::vector<std::string>{*OnPath("Xvfb"), "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                             "640x480x24", "-nolisten", "tcp", "-noreset"},
                    Environment(), folder + "/xvfb.log", fds[1]);
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) return;
    FDisplay = ":" + number;
    // Ready once it answers; a loaded machine (a sanitizer build, other tests) can take a
    // while to start the server.
    for (int i = 0; i < 300 && !FAnswered; ++i) {
      FAnswered = Xdotool({"getmouselocation"});
      if (!FAnswered) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }

  bool Ready() const { return FAnswered; }
  const std::string& Display() const { return FDisplay; }

  // The environment of programs on this display.
  std::vector<std::string> Environment() const {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
      const std::string entry = *variable;
      const std::string name = entry.substr(0, entry.find('=') + 1);
      if (name != "DISPLAY=" && name != "WAYLAND_DISPLAY=" && name != "SDL_VIDEODRIVER=" &&
          name != "SDL_AUDIODRIVER=" && name != "TMPDIR=" && name != "XDG_RUNTIME_DIR=")
        environment.push_back(entry);
    }
    environment.push_back("DISPLAY=" + FDisplay);
    environment.push_back("SDL_VIDEODRIVER=x11");
    environment.push_back("SDL_AUDIODRIVER=dummy");
    environment.push_back("TMPDIR=" + FFolder);
    environment.push_back("XDG_RUNTIME_DIR=" + FFolder);
    return environment;
  }

  // Runs a tool to its end; its output, or nothing when it failed.
  std::optional<std::string> Tool(const std::string& name, const std::vector<std::string>& arguments) {
    std::vector<std::string> command{*OnPath(name)};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const std::string output = FFolder + "/tool.out";
    TChild child(command, Environment(), output);
    const std::optional<int> code = child.Wait(std::chrono::seconds(10));
    if (code != 0) return std::nullopt;
    return ReadText(output);
  }
  bool Xdotool(const std::vector<std::string>& arguments) { return Tool("xdotool", arguments).has_value(); }

  // The window with this title, once it shows.
  std::optional<std::string> FindWindow(const std::string& title) {
    for (int i = 0; i < 100; ++i) {
      const std::optional<std::string> found = Tool("xdotool", {"search", "--onlyvisible", "--name", title});
      if (found && !found->empty()) return found->substr(0, found->find('\n'));
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::nullopt;
  }

  // The colour (0xRRGGBB) of a pixel of the screen; nothing when the screenshot failed.
  std::optional<uint32_t> Pixel(int x, int y) {
    const std::string path = FFolder + "/screen.xwd";
    if (!Tool("xwd", {"-root", "-silent", "-out", path})) return std::nullopt;
    return XwdPixel(ReadText(path), x, y);
  }

  // Waits until the pixel has the colour (each channel within 16).
  bool WaitForColour(int x, int y, uint32_t colour, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
      if (const std::optional<uint32_t> pixel = Pixel(x, y); pixel && Near(*pixel, colour)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }

  static bool Near(uint32_t a, uint32_t b) {
    for (const int shift : {0, 8, 16})
      if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > 16) return false;
    return true;
  }

 private:
  // An XWD file of a true-colour screen: a header of big-endian 32-bit fields, the window
  // name, the colour map, then rows of pixels.
  static std::optional<uint32_t> XwdPixel(const std::string& file, int x, int y) {
    const auto field = [&file](size_t index) -> uint32_t {
      const auto* bytes = reinterpret_cast<const unsigned char*>(file.data()) + index * 4;
      return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    };
    if (file.size() < 100) return std::nullopt;
    const uint32_t header = field(0), width = field(4), height = field(5), byte_order = field(7);
    const uint32_t bits = field(11), row = field(12), colours = field(19);
    if ((bits != 24 && bits != 32) || x < 0 || y < 0 || uint32_t(x) >= width || uint32_t(y) >= height)
      return std::nullopt;
    const size_t at = header + size_t(colours) * 12 + size_t(y) * row + size_t(x) * (bits / 8);
    if (at + bits / 8 > file.size()) return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(file.data()) + at;
    const uint32_t value = byte_order == 0 ? (uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0])
                                           : (uint32_t(p[bits / 8 - 3]) << 16 | uint32_t(p[bits / 8 - 2]) << 8 |
                                              p[bits / 8 - 1]);
    return value & 0xFFFFFF;
  }

  std::string FFolder;
  std::optional<TChild> FServer;
  std::string FDisplay;
  bool FAnswered = false;
};

}  // namespace orv::test
