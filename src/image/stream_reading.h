// Small helpers the picture readers share: exact reads that report failure instead of
// raising, little-endian fields, and a guard that puts a stream back where it was.
#pragma once

#include <cstdint>
#include <string>

#include "base/stream.h"

namespace orv {

// Puts the stream back at its position of construction unless Keep() was called.
class TStreamPositionGuard {
public:
  explicit TStreamPositionGuard(TStream& stream) : FStream(stream), FPosition(stream.Position()) {}
  TStreamPositionGuard(const TStreamPositionGuard&) = delete;
  TStreamPositionGuard& operator=(const TStreamPositionGuard&) = delete;
  ~TStreamPositionGuard() {
    if (!FKeep) Restore();
  }

  int64_t Start() const { return FPosition; }
  void Keep() { FKeep = true; }
  // Puts the stream back now, whatever happens later.
  void Restore() noexcept {
    try {
      FStream.SetPosition(FPosition);
    } catch (...) {
      // A stream that cannot seek back has nothing more to lose.
    }
  }

private:
  TStream& FStream;
  int64_t FPosition;
  bool FKeep = false;
};

// Reads exactly `count` bytes; false when the stream ends first.
inline bool TryReadExact(TStream& stream, void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    const size_t got = stream.Read(out, count);
    if (got == 0) return false;
    out += got;
    count -= got;
  }
  return true;
}

inline uint16_t LoadLE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t LoadLE32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
inline uint16_t LoadBE16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

// Bytes from the position to the end, or false when fewer arrive than the stream claims.
inline bool TryReadRest(TStream& stream, std::string& bytes) {
  const int64_t remaining = stream.Size() - stream.Position();
  bytes.resize(size_t(remaining > 0 ? remaining : 0));
  return TryReadExact(stream, bytes.data(), bytes.size());
}

}  // namespace orv
