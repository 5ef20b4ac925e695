// Names of project documents compared and hashed without regard to case, tuned for the
// short ASCII names that make up nearly every document.
#pragma once

#include <cstdint>
#include <string_view>

namespace orv {

struct TFoldedName {
  // Equal for any two names that SameTextUtf8 finds equal; never 0, so that 0 can mean
  // "no name". Only the first and last eight bytes count: cheap, and names that differ
  // only in their middle are rare.
  uint32_t Hash;
  bool Ascii;
};

TFoldedName FoldName(std::string_view name);

// No byte of the text has its high bit set; a word at a time.
bool IsAsciiText(std::string_view text) noexcept;

// SameTextUtf8, a word at a time when both names are ASCII.
bool SameFoldedName(std::string_view a, bool a_is_ascii, std::string_view b, bool b_is_ascii) noexcept;

}  // namespace orv
