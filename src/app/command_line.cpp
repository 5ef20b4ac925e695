#include "app/command_line.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "package/windows_names.h"

namespace orv {
namespace {

bool IsBlank(char16_t c) { return c <= 32; }

WideString WithoutQuotes(WideView token) {
  if (!token.empty() && token.front() == u'"') token.remove_prefix(1);
  if (!token.empty() && token.back() == u'"') token.remove_suffix(1);
  WideString text(token);
  std::erase(text, u'"');
  return text;
}

// A whole decimal number with an optional sign; nothing when it is not one or does not fit.
std::optional<int> WholeNumber(WideView word) {
  const std::string text = Utf16ToUtf8(word);
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  int value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || first == last) return std::nullopt;
  return value;
}

}  // namespace

std::vector<WideString> TokenizeCommandLine(WideView line) {
  std::vector<WideString> tokens;
  bool in_quotes = false;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    const size_t start = i;
    for (; i < line.size() && (in_quotes || !IsBlank(line[i])); ++i)
      if (line[i] == u'"') in_quotes = !in_quotes;
    tokens.push_back(WithoutQuotes(line.substr(start, i - start)));
  }
  return tokens;
}

WideString CommandLineOfArguments(int argc, const char* const* argv) {
  WideString line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += u' ';
    line += u'"' + WideFromDiskPath(argv[i]) + u'"';
  }
  return line;
}

TCommandLine::TCommandLine(WideView command_line) : FTokens(TokenizeCommandLine(command_line)) {
  TCommand* current = &FSwitches.FindOrAdd(u"");
  for (const WideString& token : FTokens) {
    if (token.empty()) continue;
    if (token.front() == u'-') {
      current = &FSwitches.FindOrAdd(LowerWide(WideView(token).substr(1)));
    } else {
      current->Items.push_back(TCommandItem{token});
    }
  }
}

std::optional<WideString> TCommandLine::GetSwitchArg(WideView name, size_t index) const {
  const TCommand* command = FSwitches.Find(LowerWide(name));
  if (!command || index >= command->Items.size()) return std::nullopt;
  return command->Items[index].Text;
}

bool TCommandLine::HasRawToken(WideView token) const {
  return std::find(FTokens.begin(), FTokens.end(), token) != FTokens.end();
}

TStartPosition GetStartPosition(const TCommandLine& command_line) {
  TStartPosition start;
  std::optional<WideString> word = command_line.GetSwitchArg(u"slide", 0);
  if (!word) {
    word = command_line.GetSwitchArg(u"time", 0);
    start.IsTime = word.has_value();
  }
  if (!word) return start;
  const std::optional<int> number = WholeNumber(*word);
  if (number && *number > 0) start.Value = *number - 1;
  return start;
}

}  // namespace orv
