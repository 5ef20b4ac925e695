// A view of another stream that starts at a byte offset: positions, the size and seeks
// are shifted by it. The view does not own the stream, which must outlive it, and is
// read-only.
#pragma once

#include "base/stream.h"

namespace orv {

class TMp3ShiftStream : public TStream {
 public:
  TMp3ShiftStream(TStream& source, int64_t offset) : FSource(source), FOffset(offset) {}

  size_t Read(void* buffer, size_t count) override { return FSource.Read(buffer, count); }
  // The view is for reading; writing to it is a fault of the caller.
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;

 private:
  TStream& FSource;
  int64_t FOffset;
};

}  // namespace orv
