// The commands of orvpack. Each command file defines one Run function; main.cpp lists
// them in its command table.
#pragma once

#include <string>
#include <vector>

namespace orv::orvpack {

using Args = std::vector<std::string>;  // the words after the command's name

// Exit codes shared by all commands.
constexpr int kExitOk = 0;
constexpr int kExitNotFound = 1;     // a section, key or entry is missing
constexpr int kExitBadInput = 2;     // the file does not open, or bad usage

struct Command {
  const char* name;
  const char* usage;
  int (*run)(const Args& args);
};

// The commands, one per file.
int RunTimeline(const Args& args);  // timeline_command.cpp
int RunDump(const Args& args);      // project_commands.cpp
int RunGet(const Args& args);       // project_commands.cpp
int RunBuild(const Args& args);     // package_commands.cpp
int RunList(const Args& args);      // package_commands.cpp
int RunCat(const Args& args);       // package_commands.cpp
int RunEval(const Args& args);      // eval_command.cpp
int RunText(const Args& args);      // text_command.cpp
int RunDecode(const Args& args);    // decode_command.cpp
int RunMusic(const Args& args);     // music_command.cpp
int RunMix(const Args& args);       // mix_command.cpp

}  // namespace orv::orvpack
