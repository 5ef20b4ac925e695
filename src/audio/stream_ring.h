// The 2-second buffer between a stream's refill thread (the only writer) and the mixer on
// the audio thread (the only reader). Lock-free: each side moves its own counter, so the
// audio thread never waits for a refill.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/audio_device.h"

namespace orv {

class TStreamRing {
 public:
  explicit TStreamRing(size_t frames) : FSamples(frames * kOutputChannels), FFrames(frames) {}

  size_t Capacity() const noexcept { return FFrames; }
  // Writer side.
  size_t Free() const noexcept { return FFrames - Queued(); }
  // Copies up to `count` frames in (as many as fit) and returns how many.
  size_t Write(const int16_t* frames, size_t count) noexcept;
  // Drops what is queued; only while no reader uses the ring.
  void Discard() noexcept { FRead.store(FWritten.load(std::memory_order_relaxed), std::memory_order_release); }
  // Frames written and not yet read.
  size_t Queued() const noexcept {
    return size_t(FWritten.load(std::memory_order_acquire) - FRead.load(std::memory_order_acquire));
  }

  // Reader side: up to `count` frames readable in one piece (they may wrap at the end of
  // the buffer, so a reader asks again after Consume).
  const int16_t* Peek(size_t count, size_t& available) const noexcept;
  void Consume(size_t count) noexcept { FRead.fetch_add(count, std::memory_order_release); }

 private:
  std::vector<int16_t> FSamples;
  size_t FFrames;
  std::atomic<uint64_t> FWritten{0};
  std::atomic<uint64_t> FRead{0};
};

}  // namespace orv
