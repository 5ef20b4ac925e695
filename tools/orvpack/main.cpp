// orvpack: builds and inspects show packages and project files.
#include <cstdio>
#include <exception>
#include <string_view>

#include "command.h"

namespace orv::orvpack {
namespace {

// Commands, in the order `orvpack help` lists them.
const Command kCommands[] = {
    {"help", "help", nullptr},
    {"dump", "dump FILE", RunDump},
    {"get", "get FILE SECTION KEY", RunGet},
    {"timeline", "timeline SHOW [--from I] [--to J]", RunTimeline},
    {"build",
     "build -o OUT [--player EXE] [--project FILE] [--add PATH[=NAME]]... [--dir DIR]\n"
     "         [--method stored|deflate|scrambled] [--long-trailer] [--prefix-bytes N] [--allow-modify]",
     RunBuild},
    {"list", "list SHOW", RunList},
    {"cat", "cat SHOW NAME", RunCat},
    {"eval", "eval SHOW SLIDE GUID TIME", RunEval},
    {"text", "text SHOW SLIDE GUID", RunText},
    {"decode", "decode FILE OUT.wav [--from MS] [--to MS]", RunDecode},
    {"music", "music SHOW", RunMusic},
    {"mix", "mix SHOW OUT.wav [--from MS] [--to MS]", RunMix},
};

int PrintUsage(FILE* to) {
  std::fprintf(to, "usage: orvpack COMMAND ARGS...\ncommands:\n");
  for (const Command& command : kCommands) std::fprintf(to, "  orvpack %s\n", command.usage);
  return to == stdout ? kExitOk : kExitBadInput;
}

}  // namespace
}  // namespace orv::orvpack

int main(int argc, char** argv) {
  using namespace orv::orvpack;
  if (argc < 2) return PrintUsage(stderr);
  const std::string_view name = argv[1];
  if (name == "help" || name == "-h" || name == "--help") return PrintUsage(stdout);
  for (const Command& command : kCommands) {
    if (name != command.name || !command.run) continue;
    try {
      return command.run(Args(argv + 2, argv + argc));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "orvpack %s: %s\n", command.name, e.what());
      return kExitBadInput;
    }
  }
  std::fprintf(stderr, "orvpack: unknown command \"%s\"\n", argv[1]);
  return PrintUsage(stderr);
}
