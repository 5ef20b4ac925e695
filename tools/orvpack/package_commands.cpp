// orvpack build -o OUT [--player EXE] [--project FILE] [--add PATH[=NAME]]... [--dir DIR]
//               [--method stored|deflate|scrambled] [--long-trailer] [--prefix-bytes N]
//               [--allow-modify]: writes a package.
// orvpack list SHOW: one line per entry: its section name, tab, stored size, tab, method.
// orvpack cat SHOW NAME: the entry's bytes as the project knows them.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "command.h"
#include "package/package_writer.h"
#include "package/windows_names.h"
#include "package_file.h"
#include "project/ini_file.h"
#include "project/ini_values.h"

namespace orv::orvpack {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBuildUsage =
    "build -o OUT [--player EXE] [--project FILE] [--add PATH[=NAME]]... [--dir DIR] "
    "[--method stored|deflate|scrambled] [--long-trailer] [--prefix-bytes N] [--allow-modify]";

class EUsage : public Exception {
public:
  using Exception::Exception;
};

struct TInputFile {
  std::string Path;
  WideString Name;
};

struct TBuildPlan {
  std::string Output;
  std::string Player;
  std::vector<TInputFile> Files;
  TPackMethod Method = TPackMethod::Stored;
  TPackageLayout Layout;
};

TPackMethod MethodNamed(const std::string& word) {
  if (word == "stored") return TPackMethod::Stored;
  if (word == "deflate") return TPackMethod::Deflated;
  if (word == "scrambled") return TPackMethod::Scrambled;
  throw EUsage("unknown method \"" + word + "\"");
}

// PATH=NAME, or PATH alone (named as given). A path that exists whole is never split,
// so files with "=" in their names can be added too.
TInputFile AddedFile(const std::string& word) {
  const size_t equals = word.find('=');
  if (equals == std::string::npos || DiskFileExists(word)) return {word, WideFromDiskPath(word)};
  return {word.substr(0, equals), WideFromDiskPath(word.substr(equals + 1))};
}

// Every file under the folder, named by its path relative to it, in name order.
std::vector<TInputFile> FolderFiles(const std::string& folder) {
  std::vector<TInputFile> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    files.push_back({entry.path().string(), WideFromDiskPath(fs::relative(entry.path(), folder).string())});
  }
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.Name < b.Name; });
  return files;
}

// The authoring tool writes its own version into the project ("OrvVersion") and the
// package alike; a player compares the two before it opens another presentation.
std::string ToolVersionOf(const std::string& project_path, const std::string& fallback) {
  const Ref<TIniFile> project = MakeRef<TIniFile>();
  if (!project->LoadFromFile(project_path)) return fallback;
  const std::string version(ReadUtf8(project->FindKey("Main", "OrvVersion")));
  return version.empty() ? fallback : version;
}

TBuildPlan ParseBuild(const Args& args) {
  TBuildPlan plan;
  auto value = [&](size_t& i) -> const std::string& {
    if (i + 1 >= args.size()) throw EUsage(args[i] + " needs a value");
    return args[++i];
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "-o") {
      plan.Output = value(i);
    } else if (word == "--player") {
      plan.Player = value(i);
    } else if (word == "--project") {
      plan.Files.push_back({value(i), AsciiToWide(kProjectEntryName)});
      plan.Layout.Version = ToolVersionOf(plan.Files.back().Path, plan.Layout.Version);
    } else if (word == "--add") {
      plan.Files.push_back(AddedFile(value(i)));
    } else if (word == "--dir") {
      for (TInputFile& file : FolderFiles(value(i))) plan.Files.push_back(std::move(file));
    } else if (word == "--method") {
      plan.Method = MethodNamed(value(i));
    } else if (word == "--long-trailer") {
      plan.Layout.LongTrailer = true;
    } else if (word == "--prefix-bytes") {
      const std::optional<int64_t> bytes = ParseInt64(value(i));
      if (!bytes || *bytes < 0) throw EUsage("--prefix-bytes needs a number of bytes");
      plan.Layout.PrefixBytes = *bytes;
    } else if (word == "--allow-modify") {
      plan.Layout.AllowModify = true;
    } else {
      throw EUsage("unknown option \"" + word + "\"");
    }
  }
  if (plan.Output.empty()) throw EUsage("no output file (-o OUT)");
  // Reading the package while writing it would never end.
  const fs::path output = fs::weakly_canonical(plan.Output);
  std::erase_if(plan.Files, [&](const TInputFile& file) { return fs::weakly_canonical(file.Path) == output; });
  if (!plan.Player.empty() && fs::weakly_canonical(plan.Player) == output) throw EUsage("the player is the output");
  return plan;
}

void WritePackageOf(const TBuildPlan& plan) {
  TPackageWriter writer(plan.Output, plan.Layout);
  if (!plan.Player.empty()) {
    TFileStream player(plan.Player, TFileMode::OpenRead);
    writer.AddPlayer(player);
  }
  for (const TInputFile& file : plan.Files) {
    TFileStream content(file.Path, TFileMode::OpenRead);
    writer.AddEntry(file.Name, content, plan.Method);
  }
  writer.Finish();
  // A show built on a player runs like the player.
  if (!plan.Player.empty()) fs::permissions(plan.Output, fs::status(plan.Player).permissions());
}

void WriteOut(const void* bytes, size_t count) {
  if (std::fwrite(bytes, 1, count, stdout) != count) throw Exception("cannot write to standard output");
}

}  // namespace

int RunBuild(const Args& args) {
  TBuildPlan plan;
  try {
    plan = ParseBuild(args);
  } catch (const EUsage& error) {
    std::fprintf(stderr, "orvpack build: %s\nusage: orvpack %s\n", error.what(), kBuildUsage);
    return kExitBadInput;
  }
  try {
    WritePackageOf(plan);
  } catch (...) {
    // Half a package is worse than none.
    std::error_code ignored;
    fs::remove(plan.Output, ignored);
    throw;
  }
  return kExitOk;
}

int RunList(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: orvpack list SHOW\n");
    return kExitBadInput;
  }
  for (const TPackageEntry& entry : OpenPackage(args[0])->Entries())
    std::printf("%s\t%lld\t%d\n", entry.Name.c_str(), static_cast<long long>(entry.Size), entry.Method);
  return kExitOk;
}

int RunCat(const Args& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: orvpack cat SHOW NAME\n");
    return kExitBadInput;
  }
  const Ref<TOrvUnpack> package = OpenPackage(args[0]);
  const StreamPtr entry = package->OpenEntry(Utf8ToUtf16(args[1]));
  if (!entry) {
    std::fprintf(stderr, "orvpack cat: no entry \"%s\" in %s\n", args[1].c_str(), args[0].c_str());
    return kExitNotFound;
  }
  std::vector<uint8_t> chunk(1 << 20);
  while (const size_t got = entry->Read(chunk.data(), chunk.size())) WriteOut(chunk.data(), got);
  return kExitOk;
}

}  // namespace orv::orvpack
