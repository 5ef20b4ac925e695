// A chained hash list keyed by names, with the classic shift-and-fold name hash.
// Used where the bucket count and the hash are part of the behaviour (the command-line
// switch table); documents use their own growing tables.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// h = h * 16 + low byte of each character; bits at 2^28 and above are folded back
// (h xor ((h >> 28) << 4)) and cut to 28 bits.
template <class Char>
constexpr uint32_t NameHash(std::basic_string_view<Char> name) noexcept {
  uint32_t h = 0;
  for (Char c : name) {
    h = (h << 4) + (static_cast<uint32_t>(c) & 0xFF);
    if (h >= (1u << 28)) h = (h ^ ((h >> 28) << 4)) & 0x0FFFFFFF;
  }
  return h;
}

// Names are compared exactly; entries keep insertion order for iteration.
template <class Value, class Char = char16_t>
class THashList {
public:
  using Name = std::basic_string<Char>;
  using NameView = std::basic_string_view<Char>;

  explicit THashList(uint32_t bucket_count = 251) : FBuckets(bucket_count, -1) {}

  uint32_t BucketOf(NameView name) const noexcept { return NameHash(name) % FBuckets.size(); }

  Value* Find(NameView name) noexcept {
    for (int i = FBuckets[BucketOf(name)]; i >= 0; i = FEntries[i].next)
      if (FEntries[i].name == name) return &FEntries[i].value;
    return nullptr;
  }
  const Value* Find(NameView name) const noexcept {
    return const_cast<THashList*>(this)->Find(name);
  }

  // The entry of `name`, created with a default value when missing.
  Value& FindOrAdd(NameView name) {
    if (Value* found = Find(name)) return *found;
    const uint32_t bucket = BucketOf(name);
    FEntries.push_back(Entry{Name(name), Value{}, FBuckets[bucket]});
    FBuckets[bucket] = static_cast<int>(FEntries.size() - 1);
    return FEntries.back().value;
  }

  size_t Count() const noexcept { return FEntries.size(); }
  const Name& NameAt(size_t index) const { return FEntries[index].name; }
  const Value& ValueAt(size_t index) const { return FEntries[index].value; }

private:
  struct Entry {
    Name name;
    Value value;
    int next;
  };
  std::vector<int> FBuckets;
  std::vector<Entry> FEntries;
};

}  // namespace orv
