#include "audio/mp3_shift_stream.h"

#include <algorithm>

#include "base/assertions.h"

namespace orv {

size_t TMp3ShiftStream::Write(const void*, size_t) {
  AssertionFailed("TMp3ShiftStream cannot be written", "mp3_shift_stream.cpp", __LINE__);
}

int64_t TMp3ShiftStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (origin == TSeekOrigin::Begin) offset += FOffset;
  return FSource.Seek(offset, origin) - FOffset;
}

int64_t TMp3ShiftStream::Size() { return std::max<int64_t>(0, FSource.Size() - FOffset); }

}  // namespace orv
