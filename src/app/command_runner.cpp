#include "app/command_runner.h"

#include <algorithm>

#include "base/log.h"
#include "show/command_text.h"

namespace orv {
namespace {

// Shorter quoted texts are left as they are when a program was not found.
constexpr size_t kUnquoteAbove = 5;

// Names in show text may separate folders with "\"; on disk they are "/".
std::string DiskName(WideView name) {
  std::string disk = Utf16ToUtf8(name);
  std::replace(disk.begin(), disk.end(), '\\', '/');
  return disk;
}

WideString UnquotedIfLong(WideView text) { return text.size() > kUnquoteAbove ? Unquoted(text) : WideString(text); }

// The last path component of a file name.
WideString LastComponent(WideView file) {
  const size_t slash = file.find_last_of(u"\\/");
  return WideString(slash == WideView::npos ? file : file.substr(slash + 1));
}

}  // namespace

TCommandRunner::TCommandRunner(std::string program_folder, TLauncher launcher)
    : FProgramFolder(std::move(program_folder)), FLauncher(std::move(launcher)) {}

TRunOutcome TCommandRunner::Run(WideView text) const {
  const std::vector<WideString> commands = SplitCommands(text);
  for (const WideString& command : commands) {
    if (!IsForbiddenCommand(command)) continue;
    Log().Write("Prohibited command not performed: " + Utf16ToUtf8(command));
    return TRunOutcome::Forbidden;
  }
  TRunOutcome outcome = TRunOutcome::Ran;
  for (const WideString& command : commands) {
    const TLaunchResult result = RunOne(command);
    if (result == TLaunchResult::Failed || result == TLaunchResult::Refused) outcome = TRunOutcome::Failed;
  }
  return outcome;
}

// A program that is not found is tried again: with parameters, without the quotes around
// the file and the parameters; without them, by its last name component in the program's
// folder, and then as the program's folder joined to the name.
TLaunchResult TCommandRunner::RunOne(WideView command) const {
  const TFileAndParameters parts = SplitFileAndParameters(command);
  TLaunchResult result = Launch(parts.File, parts.Parameters, FProgramFolder);
  if (result != TLaunchResult::NotFound) return result;
  if (!parts.Parameters.empty())
    return Launch(UnquotedIfLong(parts.File), UnquotedIfLong(parts.Parameters), FProgramFolder);
  result = Launch(LastComponent(Unquoted(parts.File)), u"", FProgramFolder);
  if (result != TLaunchResult::NotFound) return result;
  std::string folder = FProgramFolder;
  if (folder.size() > 3 && folder.ends_with('/')) folder.pop_back();
  return Launch(Utf8ToUtf16(folder) + u"/" + Unquoted(parts.File), u"", FProgramFolder);
}

TLaunchResult TCommandRunner::Launch(WideView file, WideView parameters, const std::string& folder) const {
  const std::string name = DiskName(Unquoted(file));
  if (name.empty()) return TLaunchResult::NotFound;
  if (LooksLikeAddress(name)) return FLauncher.Open(name, folder);
  const TLaunchTarget target = FLauncher.Find(name, folder);
  switch (target.Kind) {
    case TLaunchTarget::TKind::Missing:
      return TLaunchResult::NotFound;
    case TLaunchTarget::TKind::Document:
      return FLauncher.Open(target.Path, folder);
    case TLaunchTarget::TKind::Program:
      break;
  }
  std::vector<std::string> arguments{name};
  for (std::string& word : SplitArguments(Utf16ToUtf8(parameters))) arguments.push_back(std::move(word));
  return FLauncher.Start(target.Path, arguments, folder);
}

}  // namespace orv
