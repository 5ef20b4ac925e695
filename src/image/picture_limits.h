// What pictures may cost. A file can claim any size in a few bytes; every decoder checks the
// claim against the size limit, and takes what it allocates from one process-wide budget,
// before it allocates.
#pragma once

#include <cstdint>

#include "base/exceptions.h"

namespace orv {

// Width × height in pixels; 2^28 by default (16384 × 16384, one gigabyte at 32 bits).
int64_t MaxPicturePixels();
// Changes the limit for the whole process (fuzzers lower it to keep runs fast).
void SetMaxPicturePixels(int64_t pixels);

// True for a size with both sides positive that stays within the limit.
bool PictureSizeAllowed(int64_t width, int64_t height);

// Picture files larger than this are refused unread: no picture within the size limit
// needs more than 4 bytes a pixel and its headers.
int64_t MaxPictureFileSize();

// The memory that pictures hold together: the decoded levels of picture stores, the file
// bytes kept for decoding them later and the decoders' work buffers. 1 GiB, or an eighth
// of the machine's memory when that is less.
int64_t PictureMemoryBudget();
// Changes the budget for the whole process (tests and fuzzers).
void SetPictureMemoryBudget(int64_t bytes);
int64_t PictureMemoryInUse();

// A decode that the budget cannot hold.
class EPictureRefused : public Exception {
public:
  using Exception::Exception;
};

// A share of the budget, given back when it goes.
class TPictureMemory {
public:
  TPictureMemory() = default;
  // Raises EPictureRefused when the budget cannot hold `bytes` more.
  explicit TPictureMemory(int64_t bytes) { Resize(bytes); }
  TPictureMemory(TPictureMemory&& other) noexcept : FBytes(other.FBytes) { other.FBytes = 0; }
  TPictureMemory& operator=(TPictureMemory&& other) noexcept;
  ~TPictureMemory() { Resize(0); }

  int64_t Bytes() const noexcept { return FBytes; }
  // Grows or shrinks the share; growing past the budget raises EPictureRefused and leaves
  // the share as it was.
  void Resize(int64_t bytes);

private:
  int64_t FBytes = 0;
};

// While one lives on a thread, the bitmaps made on that thread are pictures and take their
// pixels' share of the budget. Loading a picture and making a level of one hold a scope.
class TPictureScope {
public:
  TPictureScope() noexcept;
  ~TPictureScope();
  TPictureScope(const TPictureScope&) = delete;
  TPictureScope& operator=(const TPictureScope&) = delete;

  static bool Active() noexcept;
};

}  // namespace orv
