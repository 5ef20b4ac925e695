// A growable block of sample bytes with a fill count and the format of what it holds.
// Decoders append at the back; consumers take from the front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/wave_format.h"

namespace orv {

class TLocalBuffer {
 public:
  const TWaveFormat& Format() const noexcept { return FFormat; }
  void SetFormat(const TWaveFormat& format) noexcept { FFormat = format; }

  // The bytes held, from the front.
  const uint8_t* Data() const noexcept { return FBytes.data() + FStart; }
  uint8_t* Data() noexcept { return FBytes.data() + FStart; }
  size_t Size() const noexcept { return FBytes.size() - FStart; }
  bool Empty() const noexcept { return Size() == 0; }

  void Append(const void* bytes, size_t count);
  // Appends `count` bytes of `value`.
  void AppendFill(uint8_t value, size_t count);
  // Makes room for `count` more bytes at the back and returns where they go.
  uint8_t* Extend(size_t count);
  // Drops bytes from the back so that `size` remain.
  void Shrink(size_t size);
  // Removes up to `count` bytes from the front, copying them to `target` when one is given;
  // returns how many were taken.
  size_t Take(size_t count, void* target = nullptr);
  void Clear() noexcept;

 private:
  // Taken bytes are only skipped; they are dropped when they make up most of the block, so
  // taking small pieces does not move the rest each time.
  void Compact();

  TWaveFormat FFormat;
  std::vector<uint8_t> FBytes;
  size_t FStart = 0;
};

}  // namespace orv
