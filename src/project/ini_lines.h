// The words that stand for children of a list (see TIniChildren): the address of a made
// item, or a parsed line not yet made into one. A line's word holds where the line starts
// in the document text, its kind, and enough of its name (its length and ends, see
// NameEnds) that most lookups pass over it without reading the line again.
#pragma once

#include <algorithm>
#include <cstdint>

#include "project/folded_name.h"
#include "project/ini_file.h"

namespace orv {

// Bit 0 tells lines (1) from items, whose addresses are even; then the kind (3 bits), the
// offset of the line (32), the name's ends (16) and its length (12, longer ones capped).
namespace ini_word {

constexpr uintptr_t kLineBit = 1;
constexpr int kKindShift = 1;
constexpr int kOffsetShift = 4;
constexpr int kEndsShift = 36;
constexpr int kSizeShift = 52;
constexpr size_t kSizeCap = (size_t(1) << 12) - 1;

}  // namespace ini_word

static_assert(sizeof(uintptr_t) == 8, "a line's word needs 64 bits");

inline bool IsLine(uintptr_t word) noexcept { return (word & ini_word::kLineBit) != 0; }
inline TIniItem* ItemOf(uintptr_t word) noexcept { return reinterpret_cast<TIniItem*>(word); }
inline uintptr_t WordOf(const TIniItem* item) noexcept { return reinterpret_cast<uintptr_t>(item); }

inline uintptr_t LineWord(TIniItemKind kind, uint32_t offset, std::string_view name) noexcept {
  using namespace ini_word;
  return kLineBit | uintptr_t(kind) << kKindShift | uintptr_t(offset) << kOffsetShift |
         uintptr_t(NameEnds(name)) << kEndsShift | uintptr_t(std::min(name.size(), kSizeCap)) << kSizeShift;
}

inline uint32_t LineOffset(uintptr_t word) noexcept { return uint32_t(word >> ini_word::kOffsetShift); }

// What a lookup compares before reading a name: kind, length and ends.
struct TNameKey {
  TIniItemKind Kind;
  size_t Size;
  uint16_t Ends;
  bool SizeCapped;
};

inline TNameKey NameKeyOf(uintptr_t word) noexcept {
  using namespace ini_word;
  if (!IsLine(word)) {
    const TIniItem& item = *ItemOf(word);
    return {item.Kind(), item.Name().size(), item.FoldedEnds(), false};
  }
  const size_t size = word >> kSizeShift;
  return {TIniItemKind((word >> kKindShift) & 7), size, uint16_t(word >> kEndsShift), size == kSizeCap};
}

// Whether a name of that key may be `name` (with `ends` its NameEnds) without regard to case.
inline bool MayBeNamed(const TNameKey& key, std::string_view name, uint16_t ends) noexcept {
  if (key.SizeCapped) return name.size() >= ini_word::kSizeCap;
  return MayBeSameName(key.Size, key.Ends, name.size(), ends);
}

// The line of `text` that starts at `offset`, read as the parser reads it.
TIniLineView ReadLineAt(std::string_view text, uint32_t offset) noexcept;

}  // namespace orv
