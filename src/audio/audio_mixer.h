// Our own mixer: runs on the device's thread, sums the playing streams with their gains and
// fades and saturates to 16 bits. Streams join and leave through a fixed table of atomic
// slots, so the audio thread never takes a lock and never allocates.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "audio/audio_device.h"

namespace orv {

class TMusicChannel;

class TAudioMixer : public TAudioRenderer {
 public:
  static constexpr size_t kMaxStreams = 64;
  // The mix is built in pieces of this many frames (any device block size works).
  static constexpr size_t kChunkFrames = 1024;

  // Puts a stream into the mix from the next block on. False when every slot is taken.
  bool Add(TMusicChannel* stream) noexcept;
  // Takes a stream out of the mix and returns once the audio thread can no longer be
  // using it. False when it was not in the mix (or another thread took it out first).
  bool Remove(TMusicChannel* stream);
  // The stream in slot `index`, or null; for the channel killer's rounds.
  TMusicChannel* At(size_t index) const noexcept { return FSlots[index].load(std::memory_order_acquire); }

  void Render(int16_t* frames, size_t count) noexcept override;
  // Counts up twice per rendered block: whether the device still pulls.
  uint64_t Passes() const noexcept { return FPass.load(std::memory_order_relaxed); }

 private:
  void RenderChunk(int16_t* frames, size_t count) noexcept;

  std::array<std::atomic<TMusicChannel*>, kMaxStreams> FSlots{};
  // Odd while a block is being mixed: a remover waits for it to change.
  std::atomic<uint64_t> FPass{0};
  std::array<float, kChunkFrames * kOutputChannels> FSum{};
};

}  // namespace orv
