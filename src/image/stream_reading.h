// Small helpers the picture readers share: exact reads that report failure instead of
// raising, little-endian fields, a guard that puts a stream back where it was, and reading
// a whole picture file into memory within the budget.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/stream.h"
#include "image/picture_limits.h"

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

// Reads the stream from its position until `find_end`, asked after every piece with all
// the bytes read so far, gives the length of the file within them, or until the stream
// ends. Nothing past the file's own end is kept, so that bytes a file is padded with (a
// few gigabytes of zeros, say) are never held. The bytes take their share of `memory` as
// they grow, which raises EPictureRefused past the budget. False when the file needs more
// than `max_bytes`.
template <class FindEnd>
bool ReadPictureBytes(TStream& stream, std::string& bytes, TPictureMemory& memory, int64_t max_bytes,
                      FindEnd find_end) {
  constexpr size_t kPiece = 64 * 1024;
  bytes.clear();
  for (;;) {
    if (const size_t end = find_end(std::string_view(bytes)); end > 0) {
      bytes.resize(end);
      break;
    }
    if (int64_t(bytes.size()) > max_bytes) return false;
    const size_t old_size = bytes.size();
    if (old_size + kPiece > bytes.capacity()) {
      const size_t capacity = std::max(2 * bytes.capacity(), old_size + kPiece);
      memory.Resize(int64_t(capacity));
      bytes.reserve(capacity);
    }
    bytes.resize(old_size + kPiece);
    const size_t got = stream.Read(bytes.data() + old_size, kPiece);
    bytes.resize(old_size + got);
    if (got == 0) break;
  }
  if (int64_t(bytes.size()) > max_bytes) return false;
  bytes.shrink_to_fit();
  memory.Resize(int64_t(bytes.capacity()));
  return true;
}

// ReadPictureBytes up to the end of the stream.
inline bool ReadRestOfPicture(TStream& stream, std::string& bytes, TPictureMemory& memory, int64_t max_bytes) {
  return ReadPictureBytes(stream, bytes, memory, max_bytes, [](std::string_view) { return size_t(0); });
}

}  // namespace orv
