// The command line: its raw tokens, and the switch table built from them. A switch is a
// token beginning with "-"; the words after it, up to the next switch, are its arguments.
// The words before the first switch belong to the switch "" (the first of them is the
// program's own path).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/hash_list.h"
#include "base/text.h"

namespace orv {

struct TCommandItem {
  WideString Text;
};

struct TCommand {
  std::vector<TCommandItem> Items;
};

// Switch names (in lower case) to their argument words, in 251 buckets of the classic
// name hash; names are compared exactly.
class TCommandsStorage {
 public:
  static constexpr uint32_t kBucketCount = 251;

  const TCommand* Find(WideView name) const { return FCommands.Find(name); }
  TCommand& FindOrAdd(WideView name) { return FCommands.FindOrAdd(name); }
  uint32_t BucketOf(WideView name) const { return FCommands.BucketOf(name); }
  size_t Count() const { return FCommands.Count(); }

 private:
  THashList<TCommand> FCommands{kBucketCount};
};

// Splits a whole command line into tokens. A token ends at a character of code 32 or less
// outside double quotes; each double quote toggles being inside them, and the state
// carries over to the next token. One leading and one trailing double quote are dropped
// from a token, then every other double quote. Empty tokens are kept.
std::vector<WideString> TokenizeCommandLine(WideView command_line);

// The command line of a process started with `argv`: every word in double quotes, so that
// blanks inside a word keep it whole.
WideString CommandLineOfArguments(int argc, const char* const* argv);

class TCommandLine {
 public:
  explicit TCommandLine(WideView command_line);

  // Whether the switch `name` (given in lower case) was written, in any case.
  bool HasSwitch(WideView name) const { return FSwitches.Find(name) != nullptr; }
  // The `index`-th argument word of a switch; nothing when the switch or the word is
  // missing.
  std::optional<WideString> GetSwitchArg(WideView name, size_t index) const;
  // Whether `token` is exactly, case included, one of the raw tokens.
  bool HasRawToken(WideView token) const;

  const std::vector<WideString>& RawTokens() const noexcept { return FTokens; }
  const TCommandsStorage& Switches() const noexcept { return FSwitches; }

 private:
  std::vector<WideString> FTokens;
  TCommandsStorage FSwitches;
};

// Where the show starts: a slide index (from "-slide n", n from 1) or a time in ms (from
// "-time t", which starts at t - 1). A word that is not a whole number, or a number of 0
// or less, starts at the beginning.
struct TStartPosition {
  int Value = 0;
  bool IsTime = false;
};
TStartPosition GetStartPosition(const TCommandLine& command_line);

}  // namespace orv
