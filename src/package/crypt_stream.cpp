#include "package/crypt_stream.h"

#include <cstring>
#include <numeric>
#include <vector>

#include "base/assertions.h"

namespace orv {

namespace {

// 16 bytes at a time; count is a multiple of 16.
void XorBlocks(uint8_t* __restrict data, const uint8_t* __restrict pattern, size_t count) {
  using Block = uint64_t __attribute__((vector_size(16)));
  for (size_t i = 0; i < count; i += sizeof(Block)) {
    Block block, mask;
    std::memcpy(&block, data + i, sizeof block);
    std::memcpy(&mask, pattern + i, sizeof mask);
    block ^= mask;
    std::memcpy(data + i, &block, sizeof block);
  }
}

}  // namespace

TScrambler::TScrambler(std::string_view key) : FKeyLength(key.size()) {
  ORV_ASSERT(!key.empty(), "Empty scramble key");
  FRunLength = std::lcm(FKeyLength, size_t(16));
  for (size_t i = 0; i < FRunLength + FKeyLength; ++i) FPattern += key[i % FKeyLength];
}

void TScrambler::Apply(uint8_t* data, size_t count, int64_t position) const {
  const auto* pattern = reinterpret_cast<const uint8_t*>(FPattern.data()) + position % int64_t(FKeyLength);
  size_t i = 0;
  for (; i + FRunLength <= count; i += FRunLength) XorBlocks(data + i, pattern, FRunLength);
  for (size_t j = 0; i < count; ++i, ++j) data[i] ^= pattern[j];
}

TCryptStream::TCryptStream(TStream& inner, std::string_view key) : FInner(inner), FScrambler(key) {}

TCryptStream::TCryptStream(std::unique_ptr<TStream> inner, std::string_view key)
    : TCryptStream(*inner, key) {
  FOwnedInner = std::move(inner);
}

size_t TCryptStream::Read(void* buffer, size_t count) {
  const int64_t position = FInner.Position();
  const size_t got = FInner.Read(buffer, count);
  FScrambler.Apply(static_cast<uint8_t*>(buffer), got, position);
  return got;
}

size_t TCryptStream::Write(const void* buffer, size_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  std::vector<uint8_t> copy(in, in + count);
  FScrambler.Apply(copy.data(), copy.size(), FInner.Position());
  return FInner.Write(copy.data(), copy.size());
}

}  // namespace orv
