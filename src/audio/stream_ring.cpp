#include "audio/stream_ring.h"

#include <algorithm>
#include <cstring>

namespace orv {

size_t TStreamRing::Write(const int16_t* frames, size_t count) noexcept {
  count = std::min(count, Free());
  const uint64_t written = FWritten.load(std::memory_order_relaxed);
  size_t done = 0;
  while (done < count) {
    const size_t at = size_t((written + done) % FFrames);
    const size_t piece = std::min(count - done, FFrames - at);
    std::memcpy(&FSamples[at * kOutputChannels], frames + done * kOutputChannels,
                piece * kOutputChannels * sizeof(int16_t));
    done += piece;
  }
  FWritten.store(written + count, std::memory_order_release);
  return count;
}

const int16_t* TStreamRing::Peek(size_t count, size_t& available) const noexcept {
  const uint64_t read = FRead.load(std::memory_order_relaxed);
  const size_t at = size_t(read % FFrames);
  const size_t queued = size_t(FWritten.load(std::memory_order_acquire) - read);
  available = std::min({count, queued, FFrames - at});
  return &FSamples[at * kOutputChannels];
}

}  // namespace orv
