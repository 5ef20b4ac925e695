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

// The hash of a name's ASCII folding, eight bytes per step; false when a byte is not ASCII.
bool HashAscii(std::string_view name, uint64_t& h) noexcept {
  const char* at = name.data();
  size_t count = name.size();
  uint64_t all = 0;
  h = count;
  const auto add = [&](uint64_t word) {
    all |= word;
    h = Mix(h, LowerAscii8(word & ~kHighBits));
  };
  for (; count >= 8; at += 8, count -= 8) add(Load<uint64_t>(at));
  if (count > 0) add(TailWord(at, count));
  return (all & kHighBits) == 0;
}

}  // namespace

uint32_t FoldedNameHash(std::string_view name) {
  uint64_t h;
  if (!HashAscii(name, h)) {
    // Hashing the folded spelling keeps names that SameTextUtf8 finds equal together,
    // whatever their byte lengths.
    const std::string folded = LowerUtf8(name);
    HashAscii(folded, h);
  }
  return static_cast<uint32_t>(h ^ (h >> 32));
}

bool SameName(std::string_view a, std::string_view b) noexcept {
  // Names are short: comparing them a word at a time beats a call to memcmp.
  if (a.size() == b.size()) {
    size_t at = 0;
    for (; at + 8 <= a.size(); at += 8)
      if (Load<uint64_t>(a.data() + at) != Load<uint64_t>(b.data() + at)) break;
    if (at + 8 > a.size() && (at == a.size() || TailWord(a.data() + at, a.size() - at) ==
                                                     TailWord(b.data() + at, b.size() - at)))
      return true;
  }
  return SameTextUtf8(a, b);
}

}  // namespace orv
