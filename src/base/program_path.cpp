#include "base/program_path.h"

#include <filesystem>
#include <system_error>

namespace orv {

const std::string& ProgramPath() {
  static const std::string path = [] {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : target.string();
  }();
  return path;
}

const std::string& ProgramFolder() {
  static const std::string folder = [] {
    const std::string& path = ProgramPath();
    return path.substr(0, path.find_last_of('/') + 1);
  }();
  return folder;
}

}  // namespace orv
