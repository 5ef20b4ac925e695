#include "package/crypt_stream.h"

#include <algorithm>
#include <vector>

#include "base/assertions.h"

namespace orv {

void ScrambleBytes(std::string_view key, uint8_t* data, size_t count, int64_t position) {
  ORV_ASSERT(!key.empty(), "Empty scramble key");
  const size_t length = key.size();
  const auto* key_bytes = reinterpret_cast<const uint8_t*>(key.data());
  size_t k = static_cast<size_t>(position % static_cast<int64_t>(length));
  size_t i = 0;
  // Up to the next key start byte by byte, then whole key runs, which the compiler vectorises.
  for (; i < count && k != 0; ++i, k = (k + 1) % length) data[i] ^= key_bytes[k];
  for (; i + length <= count; i += length)
    for (size_t j = 0; j < length; ++j) data[i + j] ^= key_bytes[j];
  for (size_t j = 0; i < count; ++i, ++j) data[i] ^= key_bytes[j];
}

TCryptStream::TCryptStream(TStream& inner, std::string key) : FInner(inner), FKey(std::move(key)) {
  ORV_ASSERT(!FKey.empty(), "TCryptStream needs a key");
}

TCryptStream::TCryptStream(std::unique_ptr<TStream> inner, std::string key)
    : TCryptStream(*inner, std::move(key)) {
  FOwnedInner = std::move(inner);
}

size_t TCryptStream::Read(void* buffer, size_t count) {
  const int64_t position = FInner.Position();
  const size_t got = FInner.Read(buffer, count);
  ScrambleBytes(FKey, static_cast<uint8_t*>(buffer), got, position);
  return got;
}

size_t TCryptStream::Write(const void* buffer, size_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  std::vector<uint8_t> copy(in, in + count);
  ScrambleBytes(FKey, copy.data(), copy.size(), FInner.Position());
  return FInner.Write(copy.data(), copy.size());
}

}  // namespace orv
