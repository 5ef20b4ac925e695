// Names of project documents compared and hashed without regard to case, tuned for the
// short ASCII names that make up nearly every document. The word-at-a-time helpers are
// inline: lookups call them once per candidate child.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/text.h"

namespace orv {

// Equal for any two names that SameTextUtf8 finds equal; never 0, so that 0 can mean "no
// name". Only the first and last eight bytes count: cheap, and names that differ only in
// their middle are rare.
uint32_t FoldedHash(std::string_view name);

namespace folded_name_detail {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

template <class Word>
Word Load(const char* at) noexcept {
  Word word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// The last 1 to 7 bytes of a name in one word, read without passing its end: two
// overlapping 4-byte loads, or the first, middle and last byte.
inline uint64_t TailWord(const char* at, size_t count) noexcept {
  if (count >= 4) return Load<uint32_t>(at) | uint64_t(Load<uint32_t>(at + count - 4)) << 32;
  const auto byte = [&](size_t i) { return uint64_t(static_cast<unsigned char>(at[i])); };
  return byte(0) | byte(count / 2) << 8 | byte(count - 1) << 16;
}

// Lower-cases eight ASCII bytes at once: a byte gets 0x20 added when it lies in "A".."Z".
// No byte has its high bit set, so the additions cannot carry into the next byte.
constexpr uint64_t LowerAscii8(uint64_t word) noexcept {
  const uint64_t upper = (word + 0x3F * kOnes) & ~(word + 0x25 * kOnes) & kHighBits;
  return word | (upper >> 2);
}

}  // namespace folded_name_detail

// No byte of the text has its high bit set; a word at a time.
inline bool IsAsciiText(std::string_view text) noexcept {
  using namespace folded_name_detail;
  uint64_t all = 0;
  size_t at = 0;
  for (; text.size() - at >= 8; at += 8) all |= Load<uint64_t>(text.data() + at);
  if (at < text.size()) all |= TailWord(text.data() + at, text.size() - at);
  return (all & kHighBits) == 0;
}

// SameTextUtf8, a word at a time when both names are ASCII.
inline bool SameFoldedName(std::string_view a, bool a_is_ascii, std::string_view b, bool b_is_ascii) noexcept {
  using namespace folded_name_detail;
  if (!a_is_ascii || !b_is_ascii) return SameTextUtf8(a, b);
  if (a.size() != b.size()) return false;
  size_t at = 0;
  for (; a.size() - at >= 8; at += 8)
    if (LowerAscii8(Load<uint64_t>(a.data() + at)) != LowerAscii8(Load<uint64_t>(b.data() + at))) return false;
  const size_t rest = a.size() - at;
  return rest == 0 || LowerAscii8(TailWord(a.data() + at, rest)) == LowerAscii8(TailWord(b.data() + at, rest));
}

// The first and last byte of an ASCII name with the bit set that tells capitals from small
// letters: with the length, equal for two ASCII names that are equal without regard to case
// and different for most names of one list, so that a lookup passes over most children
// without reading their names. kNotAscii marks a name that is always compared in full.
inline constexpr uint16_t kNotAscii = 0;

inline uint16_t NameEnds(std::string_view name) noexcept {
  if (!IsAsciiText(name)) return kNotAscii;
  const auto letter = [](char c) { return uint16_t(static_cast<unsigned char>(c) | 0x20); };
  return name.empty() ? letter(0) : uint16_t(letter(name.front()) | letter(name.back()) << 8);
}

// Whether two names of these sizes and ends may be equal without regard to case.
inline bool MayBeSameName(size_t a_size, uint16_t a_ends, size_t b_size, uint16_t b_ends) noexcept {
  if (a_ends == kNotAscii || b_ends == kNotAscii) return true;
  return a_size == b_size && a_ends == b_ends;
}

// SameTextUtf8 for two names with their ends.
inline bool SameName(std::string_view a, uint16_t a_ends, std::string_view b, uint16_t b_ends) noexcept {
  return SameFoldedName(a, a_ends != kNotAscii, b, b_ends != kNotAscii);
}

}  // namespace orv
