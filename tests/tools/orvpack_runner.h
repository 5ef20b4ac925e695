// Runs the built orvpack (its path comes from the build as ORVPACK_PATH) and collects what
// it prints and returns. Shared by the tests of every orvpack command.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace orv::test {

struct TToolRun {
  std::string out;
  std::string err;  // filled only when the caller names a file for it
  int exit_code = -1;
};

inline std::string Quoted(const std::string& word) { return "'" + word + "'"; }

// `arguments` are shell words, already quoted where needed. Standard error goes to
// `err_path` when given (and is read back), else it is dropped.
inline TToolRun RunOrvpack(const std::string& arguments, const std::string& err_path = "") {
  const std::string command =
      Quoted(ORVPACK_PATH) + " " + arguments + " 2>" + (err_path.empty() ? "/dev/null" : Quoted(err_path));
  TToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char chunk[4096];
  while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) run.out.append(chunk, got);
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (!err_path.empty()) {
    std::ifstream in(err_path, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(in), {});
  }
  return run;
}

// Writes a fixture file into the test's temporary folder and returns its path.
inline std::string WriteFixture(const std::string& name, const std::string& bytes) {
  const std::string path = testing::TempDir() + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

}  // namespace orv::test
