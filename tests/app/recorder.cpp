// Stands in for the programs that run actions start: appends its working folder and its
// arguments to the file named by ORV_RECORDER_LOG, then "end".
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  const char* log = std::getenv("ORV_RECORDER_LOG");
  if (!log) return 2;
  char folder[4096] = {};
  if (!::getcwd(folder, sizeof folder)) return 2;
  std::string record = "cwd=" + std::string(folder) + "\n";
  for (int i = 0; i < argc; ++i) record += "arg=" + std::string(argv[i]) + "\n";
  std::ofstream(log, std::ios::app) << record << "end\n";
  return 0;
}
