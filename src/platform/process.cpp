#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/log.h"

extern char** environ;

namespace orv {
namespace {

// Programs we started and that have not ended yet: reaped whenever another is started,
// so that none stays a zombie for long.
std::mutex gChildrenLock;
std::vector<pid_t> gChildren;

void ReapEndedChildren() {
  std::lock_guard lock(gChildrenLock);
  std::erase_if(gChildren, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || name.starts_with('/')) return name;
  return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::string SchemeOf(const std::string& target) { return Lower(target.substr(0, target.find(':'))); }

// The path of a "file:" address (its host part must be empty or "localhost").
std::string FilePathOf(const std::string& target) {
  std::string rest = target.substr(target.find(':') + 1);
  if (rest.starts_with("//")) {
    rest.erase(0, 2);
    const size_t slash = rest.find('/');
    rest = slash == std::string::npos ? std::string() : rest.substr(slash);
  }
  return rest;
}

bool IsLauncherOrProgram(const std::string& path) {
  struct stat info;
  if (Lower(path).ends_with(".desktop")) return true;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0;
}

}  // namespace

bool LooksLikeAddress(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  return std::all_of(text.begin(), text.begin() + colon, [](unsigned char c) {
    return std::isalnum(c) || c == '+' || c == '-' || c == '.';
  }) && std::isalpha(static_cast<unsigned char>(text[0]));
}

TLaunchTarget FindLaunchTarget(const std::string& name, const std::string& folder) {
  if (name.empty()) return {};
  const auto found = [](const std::string& path) {
    return TLaunchTarget{IsExecutableFile(path) ? TLaunchTarget::TKind::Program : TLaunchTarget::TKind::Document,
                         path};
  };
  const std::string local = JoinPath(folder, name);
  if (name.find('/') != std::string::npos) return Exists(local) ? found(local) : TLaunchTarget{};
  if (!folder.empty() && Exists(local)) return found(local);
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string candidate = JoinPath(std::string(rest.substr(0, colon)), name);
    if (IsExecutableFile(candidate)) return TLaunchTarget{TLaunchTarget::TKind::Program, candidate};
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  return {};
}

TLaunchResult StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& folder) {
  ReapEndedChildren();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    Log().Write("Can't start " + program + ": " + std::strerror(error));
    return error == ENOENT ? TLaunchResult::NotFound : TLaunchResult::Failed;
  }
  std::lock_guard lock(gChildrenLock);
  gChildren.push_back(pid);
  return TLaunchResult::Started;
}

bool MayOpenWithDesktop(const std::string& target, const std::string& folder) {
  if (target.empty()) return false;
  if (!LooksLikeAddress(target)) return !IsLauncherOrProgram(JoinPath(folder, target));
  const std::string scheme = SchemeOf(target);
  if (scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto") return true;
  return scheme == "file" && !IsLauncherOrProgram(FilePathOf(target));
}

TLaunchResult OpenWithDesktop(const std::string& target, const std::string& folder) {
  if (!MayOpenWithDesktop(target, folder)) {
    Log().Write("Not opened (a program, a launcher or an unknown kind of address): " + target);
    return TLaunchResult::Refused;
  }
  const TLaunchTarget opener = FindLaunchTarget("xdg-open", "");
  if (opener.Kind != TLaunchTarget::TKind::Program) {
    Log().Write("Can't open " + target + ": xdg-open is missing");
    return TLaunchResult::Failed;
  }
  // "--" would be taken as a file name by xdg-open; a target beginning with "-" is made
  // a path so that it cannot pass for an option.
  const std::string argument = target.starts_with('-') ? "./" + target : target;
  return StartProgram(opener.Path, {"xdg-open", argument}, folder);
}

}  // namespace orv
