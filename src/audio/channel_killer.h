// Frees the streams the mixer has played out, on a thread of its own, so that neither the
// audio thread nor a caller ever waits for a refill thread to end.
#pragma once

#include <mutex>

#include "base/orv_thread.h"

namespace orv {

class TAudioMixer;

class TChannelKiller : public TOrvThread {
 public:
  explicit TChannelKiller(TAudioMixer& mixer) : TOrvThread("Channel killer"), FMixer(mixer) {}
  ~TChannelKiller() override { Stop(); }

  // Held while streams are taken out of the mix and their channels; a channel being
  // destroyed takes it to free what the killer has not.
  std::mutex& Lock() noexcept { return FLock; }

 protected:
  void Step() override;

 private:
  void FreePlayedOut();

  TAudioMixer& FMixer;
  std::mutex FLock;
};

}  // namespace orv
