// Scrambled package entries: the bytes are XORed with a repeating key, keyed by their
// position within the entry, so reading can start anywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/stream.h"

namespace orv {

// XORs `count` bytes that sit at `position` of a scrambled stream with the key; the same
// call scrambles and descrambles. The key must not be empty.
void ScrambleBytes(std::string_view key, uint8_t* data, size_t count, int64_t position);

class TCryptStream : public TStream {
public:
  // The key must not be empty.
  TCryptStream(TStream& inner, std::string key);
  TCryptStream(std::unique_ptr<TStream> inner, std::string key);

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return FInner.Seek(offset, origin); }
  int64_t Size() override { return FInner.Size(); }
  void SetSize(int64_t new_size) override { FInner.SetSize(new_size); }

private:
  std::unique_ptr<TStream> FOwnedInner;
  TStream& FInner;
  std::string FKey;
};

}  // namespace orv
