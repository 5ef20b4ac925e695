#include "audio/channel_killer.h"

#include <vector>

#include "audio/audio_mixer.h"
#include "audio/channel_music.h"

namespace orv {

namespace {
constexpr std::chrono::milliseconds kRound{10};
}

void TChannelKiller::Step() {
  FreePlayedOut();
  WaitForEvents(kRound);
}

void TChannelKiller::FreePlayedOut() {
  // Released after the lock: freeing a stream waits for its refill thread to end.
  std::vector<Ref<TMusicChannel>> freed;
  std::lock_guard lock(FLock);
  for (size_t i = 0; i < TAudioMixer::kMaxStreams; ++i) {
    TMusicChannel* stream = FMixer.At(i);
    if (!stream || !stream->Finished() || !FMixer.Remove(stream)) continue;
    freed.push_back(stream->Channel().TakePlayedOut(*stream));
  }
}

}  // namespace orv
