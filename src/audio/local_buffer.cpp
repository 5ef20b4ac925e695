#include "audio/local_buffer.h"

#include <algorithm>
#include <cstring>

namespace orv {

void TLocalBuffer::Append(const void* bytes, size_t count) {
  if (count == 0) return;
  std::memcpy(Extend(count), bytes, count);
}

void TLocalBuffer::AppendFill(uint8_t value, size_t count) { std::memset(Extend(count), value, count); }

uint8_t* TLocalBuffer::Extend(size_t count) {
  Compact();
  const size_t old_size = FBytes.size();
  FBytes.resize(old_size + count);
  return FBytes.data() + old_size;
}

void TLocalBuffer::Shrink(size_t size) {
  if (size < Size()) FBytes.resize(FStart + size);
}

size_t TLocalBuffer::Take(size_t count, void* target) {
  count = std::min(count, Size());
  if (target && count) std::memcpy(target, Data(), count);
  FStart += count;
  if (FStart == FBytes.size()) Clear();
  return count;
}

void TLocalBuffer::Clear() noexcept {
  FBytes.clear();
  FStart = 0;
}

void TLocalBuffer::Compact() {
  if (FStart == 0 || FStart < Size()) return;
  FBytes.erase(FBytes.begin(), FBytes.begin() + static_cast<std::ptrdiff_t>(FStart));
  FStart = 0;
}

}  // namespace orv
