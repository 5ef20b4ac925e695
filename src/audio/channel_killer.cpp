#include "audio/channel_killer.h"

#include <vector>

#include "audio/audio_mixer.h"
#include "audio/channel_music.h"

namespace orv {

namespace {
constexpr std::chrono::milliseconds kRound{10};
// While no stream is about to end, rounds are rare: waking every 10 ms for nothing costs
// the player more processor time than its decoding.
constexpr std::chrono::milliseconds kIdleRound{100};
}  // namespace

void TChannelKiller::Step() { WaitForEvents(FreePlayedOut() ? kRound : kIdleRound); }

bool TChannelKiller::FreePlayedOut() {
  // Released after the lock: freeing a stream waits for its refill thread to end.
  std::vector<Ref<TMusicChannel>> freed;
  bool ending = false;
  std::lock_guard lock(FLock);
  for (size_t i = 0; i < TAudioMixer::kMaxStreams; ++i) {
    TMusicChannel* stream = FMixer.At(i);
    if (!stream) continue;
    if (stream->Finished() && FMixer.Remove(stream)) {
      freed.push_back(stream->Channel().TakePlayedOut(*stream));
    } else {
      ending = ending || stream->Ending();
    }
  }
  return ending;
}

}  // namespace orv
