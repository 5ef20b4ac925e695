// orvpack dump FILE: the project as the player reads it, written back as text.
// orvpack get FILE SECTION KEY: one value, as the player reads it.
#include <cstdio>
#include <string>

#include "command.h"
#include "project/ini_file.h"
#include "show_project.h"

namespace orv::orvpack {
namespace {

int Usage(const char* usage) {
  std::fprintf(stderr, "usage: orvpack %s\n", usage);
  return kExitBadInput;
}

void WriteOut(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

}  // namespace

int RunDump(const Args& args) {
  if (args.size() != 1) return Usage("dump FILE");
  WriteOut(OpenShowProject(args[0])->SaveToString(false));
  return kExitOk;
}

int RunGet(const Args& args) {
  if (args.size() != 3) return Usage("get FILE SECTION KEY");
  const std::string& path = args[0];
  const std::string& section_name = args[1];
  const std::string& key_name = args[2];
  const Ref<TIniFile> project = OpenShowProject(path);
  const TIniSection* section = project->FindSection(section_name);
  if (!section) {
    std::fprintf(stderr, "orvpack get: no section \"%s\" in %s\n", section_name.c_str(), path.c_str());
    return kExitNotFound;
  }
  const TIniItem* key = section->FindKey(key_name);
  if (!key) {
    std::fprintf(stderr, "orvpack get: no key \"%s\" in section \"%s\"\n", key_name.c_str(), section_name.c_str());
    return kExitNotFound;
  }
  WriteOut(Utf16ToUtf8(ReadString(key)) + "\n");
  return kExitOk;
}

}  // namespace orv::orvpack
