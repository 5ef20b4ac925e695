// Scrambled package entries: the bytes are XORed with a repeating key, keyed by their
// position within the entry, so reading can start anywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/stream.h"

namespace orv {

// XORs bytes with a repeating key by their position in a scrambled stream; the same call
// scrambles and descrambles.
class TScrambler {
public:
  // The key must not be empty.
  explicit TScrambler(std::string_view key);
  void Apply(uint8_t* data, size_t count, int64_t position) const;

private:
  size_t FKeyLength;
  // The key repeated over a whole number of 16-byte blocks plus one more key, so that a
  // run starting at any key offset can be XORed a block at a time.
  size_t FRunLength;
  std::string FPattern;
};

class TCryptStream : public TStream {
public:
  // The key must not be empty.
  TCryptStream(TStream& inner, std::string_view key);
  TCryptStream(std::unique_ptr<TStream> inner, std::string_view key);

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return FInner.Seek(offset, origin); }
  int64_t Size() override { return FInner.Size(); }
  void SetSize(int64_t new_size) override { FInner.SetSize(new_size); }

private:
  std::unique_ptr<TStream> FOwnedInner;
  TStream& FInner;
  TScrambler FScrambler;
};

}  // namespace orv
