#include "project/folded_name.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/text.h"

namespace orv {

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Lower-cases eight ASCII bytes at once: a byte gets 0x20 added when it lies in "A".."Z".
// No byte has its high bit set, so the additions cannot carry into the next byte.
constexpr uint64_t LowerAscii8(uint64_t word) noexcept {
  const uint64_t upper = (word + 0x3F * kOnes) & ~(word + 0x25 * kOnes) & kHighBits;
  return word | (upper >> 2);
}

constexpr uint64_t Mix(uint64_t h, uint64_t word) noexcept {
  h = (h ^ word) * 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
}

template <class Word>
Word Load(const char* at) noexcept {
  Word word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// The last 1 to 7 bytes of a name in one word, read without passing its end: two
// overlapping 4-byte loads, or the first, middle and last byte.
uint64_t TailWord(const char* at, size_t count) noexcept {
  if (count >= 4) return Load<uint32_t>(at) | uint64_t(Load<uint32_t>(at + count - 4)) << 32;
  const auto byte = [&](size_t i) { return uint64_t(static_cast<unsigned char>(at[i])); };
  return byte(0) | byte(count / 2) << 8 | byte(count - 1) << 16;
}

// A name's first and last eight bytes (overlapping in names of 8 to 16 bytes; the last is 0
// in shorter ones) and all its bytes ORed together, for the ASCII test.
struct TNameWords {
  uint64_t First;
  uint64_t Last;
  uint64_t All;
};

TNameWords WordsOf(std::string_view name) noexcept {
  const char* at = name.data();
  const size_t size = name.size();
  if (size < 8) {
    const uint64_t word = size > 0 ? TailWord(at, size) : 0;
    return {word, 0, word};
  }
  TNameWords words{Load<uint64_t>(at), Load<uint64_t>(at + size - 8), 0};
  words.All = words.First | words.Last;
  for (size_t middle = 8; middle + 8 < size; middle += 8) words.All |= Load<uint64_t>(at + middle);
  return words;
}

// The hash of a folded spelling: its length, its first and its last eight bytes.
uint32_t HashFolded(size_t size, const TNameWords& words) noexcept {
  const auto lower = [](uint64_t word) { return LowerAscii8(word & ~kHighBits); };
  uint64_t h = Mix(size, lower(words.First));
  if (size > 8) h = Mix(h, lower(words.Last));
  const auto hash = static_cast<uint32_t>(h ^ (h >> 32));
  return hash != 0 ? hash : 1;
}

}  // namespace

bool IsAsciiText(std::string_view text) noexcept {
  uint64_t all = 0;
  size_t at = 0;
  for (; text.size() - at >= 8; at += 8) all |= Load<uint64_t>(text.data() + at);
  if (at < text.size()) all |= TailWord(text.data() + at, text.size() - at);
  return (all & kHighBits) == 0;
}

TFoldedName FoldName(std::string_view name) {
  const TNameWords words = WordsOf(name);
  if ((words.All & kHighBits) == 0) return {HashFolded(name.size(), words), true};
  // Hashing the Unicode folding keeps names that SameTextUtf8 finds equal together,
  // whatever their byte lengths.
  const std::string folded = LowerUtf8(name);
  return {HashFolded(folded.size(), WordsOf(folded)), false};
}

bool SameFoldedName(std::string_view a, bool a_is_ascii, std::string_view b, bool b_is_ascii) noexcept {
  if (!a_is_ascii || !b_is_ascii) return SameTextUtf8(a, b);
  if (a.size() != b.size()) return false;
  size_t at = 0;
  for (; a.size() - at >= 8; at += 8)
    if (LowerAscii8(Load<uint64_t>(a.data() + at)) != LowerAscii8(Load<uint64_t>(b.data() + at))) return false;
  const size_t rest = a.size() - at;
  return rest == 0 || LowerAscii8(TailWord(a.data() + at, rest)) == LowerAscii8(TailWord(b.data() + at, rest));
}

}  // namespace orv
