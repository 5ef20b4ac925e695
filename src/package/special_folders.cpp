#include "package/special_folders.h"

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "base/program_path.h"

namespace orv {
namespace {

bool FolderExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// An XDG base folder: the variable when it holds an absolute path, else the fallback
// under the home folder.
std::string XdgFolder(const char* variable, const char* under_home) {
  const std::string value = Environment(variable);
  if (value.starts_with('/')) return value;
  const std::string home = Environment("HOME");
  return home.empty() ? std::string() : home + "/" + under_home;
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.ends_with('/')) path.pop_back();
  return path;
}

}  // namespace

std::optional<TSpecialFolder> SpecialFolderOfToken(WideView token) {
  static const std::array<std::pair<WideView, TSpecialFolder>, 5> kTokens = {{
      {u"%APPDATA%", TSpecialFolder::AppData},
      {u"%LOCALAPPDATA%", TSpecialFolder::LocalAppData},
      {u"%PROGRAMDATA%", TSpecialFolder::ProgramData},
      {u"%SYSTEMROOT%", TSpecialFolder::SystemRoot},
      {u"%TEMP%", TSpecialFolder::Temp},
  }};
  for (const auto& [text, folder] : kTokens)
    if (SameText(token, text)) return folder;
  return std::nullopt;
}

std::string SpecialFolderPath(TSpecialFolder folder) {
  switch (folder) {
    case TSpecialFolder::AppData: return WithoutTrailingSlash(XdgFolder("XDG_CONFIG_HOME", ".config"));
    case TSpecialFolder::LocalAppData: return WithoutTrailingSlash(XdgFolder("XDG_DATA_HOME", ".local/share"));
    case TSpecialFolder::ProgramData: return "/usr/share";
    case TSpecialFolder::SystemRoot: return "/";
    case TSpecialFolder::Temp: return WithoutTrailingSlash(BaseTempFolder());
  }
  return {};
}

std::string BaseTempFolder() {
  const std::string tmpdir = WithoutTrailingSlash(Environment("TMPDIR"));
  if (FolderExists(tmpdir)) return tmpdir + "/";
  if (FolderExists("/tmp")) return "/tmp/";
  const std::string program_temp = ProgramFolder() + "TEMP";
  std::error_code error;
  std::filesystem::create_directories(program_temp, error);
  return FolderExists(program_temp) ? program_temp + "/" : ProgramFolder();
}

}  // namespace orv
