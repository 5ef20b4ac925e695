// A second instance for the temporary folder tests: takes a private folder from the
// process-wide manager (its base comes from TMPDIR), puts a file in it, prints its path,
// and keeps it until its standard input closes.
#include <cstdio>
#include <fstream>
#include <string>

#include "package/temp_folders.h"

int main() {
  const std::string folder = orv::CreatePrivateFolder(true);
  std::ofstream(folder + "library.so") << "in use";
  std::printf("%s\n", folder.c_str());
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  orv::ReleaseAll();
  return 0;
}
