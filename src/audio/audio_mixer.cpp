#include "audio/audio_mixer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "audio/music_channel.h"

namespace orv {

bool TAudioMixer::Add(TMusicChannel* stream) noexcept {
  for (auto& slot : FSlots) {
    TMusicChannel* empty = nullptr;
    if (slot.compare_exchange_strong(empty, stream)) return true;
  }
  return false;
}

bool TAudioMixer::Remove(TMusicChannel* stream) {
  bool removed = false;
  for (auto& slot : FSlots) {
    TMusicChannel* expected = stream;
    removed = removed || slot.compare_exchange_strong(expected, nullptr);
  }
  if (!removed) return false;
  // A block that began before the slot was cleared may still hold the stream.
  const uint64_t pass = FPass.load();
  if (pass % 2 == 1)
    while (FPass.load() == pass) std::this_thread::sleep_for(std::chrono::microseconds(200));
  return true;
}

void TAudioMixer::Render(int16_t* frames, size_t count) noexcept {
  FPass.fetch_add(1);
  for (size_t done = 0; done < count; done += kChunkFrames)
    RenderChunk(frames + done * kOutputChannels, std::min(kChunkFrames, count - done));
  FPass.fetch_add(1);
}

void TAudioMixer::RenderChunk(int16_t* frames, size_t count) noexcept {
  const size_t samples = count * kOutputChannels;
  std::fill_n(FSum.begin(), samples, 0.0f);
  for (auto& slot : FSlots)
    // Sequentially consistent, as Remove relies on: a block either sees a cleared slot or
    // shows as running to the remover.
    if (TMusicChannel* stream = slot.load()) stream->MixInto(FSum.data(), count);
  for (size_t i = 0; i < samples; ++i)
    frames[i] = int16_t(std::clamp(std::lrint(FSum[i]), long(INT16_MIN), long(INT16_MAX)));
}

}  // namespace orv
