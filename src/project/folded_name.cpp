#include "project/folded_name.h"

#include <string>

#include "base/text.h"

namespace orv {

namespace {

using namespace folded_name_detail;

constexpr uint64_t Mix(uint64_t h, uint64_t word) noexcept {
  h = (h ^ word) * 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
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

uint32_t FoldedHash(std::string_view name) {
  const TNameWords words = WordsOf(name);
  if ((words.All & kHighBits) == 0) return HashFolded(name.size(), words);
  // Hashing the Unicode folding keeps names that SameTextUtf8 finds equal together,
  // whatever their byte lengths.
  const std::string folded = LowerUtf8(name);
  return HashFolded(folded.size(), WordsOf(folded));
}

}  // namespace orv
