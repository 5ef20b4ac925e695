// Runs the command texts of run actions: every command is judged first and none runs when
// one is forbidden; then each starts as a program (its parameters split into argument
// words) or, for a document or an address, through the desktop's opener. Never through a
// shell.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/process.h"

namespace orv {

// What starting programs needs of the system; the platform's by default, a recorder's in
// tests.
struct TLauncher {
  std::function<TLaunchTarget(const std::string& name, const std::string& folder)> Find = FindLaunchTarget;
  std::function<TLaunchResult(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& folder)>
      Start = StartProgram;
  std::function<TLaunchResult(const std::string& target, const std::string& folder)> Open = OpenWithDesktop;
};

enum class TRunOutcome {
  Ran,        // every command was started (or was tried and not found)
  Forbidden,  // a command is forbidden: nothing ran
  Failed,     // a command could not be started
};

class TCommandRunner {
 public:
  // Commands run in `program_folder` (ending in "/"), where bare names are looked for
  // first.
  explicit TCommandRunner(std::string program_folder, TLauncher launcher = {});

  TRunOutcome Run(WideView text) const;

 private:
  TLaunchResult RunOne(WideView command) const;
  // One try: the file part (quotes around it dropped) and the parameter text.
  TLaunchResult Launch(WideView file, WideView parameters, const std::string& folder) const;

  std::string FProgramFolder;
  TLauncher FLauncher;
};

}  // namespace orv
