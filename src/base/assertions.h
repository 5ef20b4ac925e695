// Internal consistency checks. They stay on in release builds: a failed check raises
// EAssertionFailed and writes the same text to the log.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Builds "Asseertion with message: '<text>' (<unit>, line: <line>)".
std::string AssertionMessage(std::string_view text, std::string_view unit, int line);

[[noreturn]] void AssertionFailed(std::string_view text, std::string_view unit, int line);

}  // namespace orv

#define ORV_ASSERT(condition, message)                                    \
  do {                                                                    \
    if (!(condition)) [[unlikely]]                                        \
      ::orv::AssertionFailed((message), ::orv::detail_unit_name(__FILE__), __LINE__); \
  } while (false)

namespace orv {
// The unit is the source file's name without its folders.
constexpr std::string_view detail_unit_name(std::string_view path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}
}  // namespace orv
