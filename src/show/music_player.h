// The music player: its clock is the show clock. It plays on a thread of its own and
// keeps the music position: moving while playing, held while stopped, never past the
// limit the engine sets (the end of a slide that pauses the show).
// The sounds themselves (sequences, channels, decoders) join this player; until then the
// clock runs on the show clock it was given, the system's millisecond timer by default.
#pragma once

#include <atomic>
#include <mutex>

#include "base/orv_thread.h"
#include "show/orv_source.h"
#include "show/show_clock.h"

namespace orv {

class TOrvMusicPlayer : public TOrvThread {
public:
  // Event codes of the player's queue.
  static constexpr int kEventStart = 10;
  static constexpr int kEventPause = 11;
  static constexpr int kEventSetTime = 12;
  // The show time of a reposition that only changes the limit.
  static constexpr double kKeepPosition = -2147483647;
  static constexpr double kNoLimit = 3.4e38;

  explicit TOrvMusicPlayer(Ref<TOrvSource> source, Ref<TShowClock> clock = MakeRef<TSystemClock>());
  ~TOrvMusicPlayer() override;

  // Posted to the player thread; a request equal to the last one is dropped.
  void SetPlaying(bool playing);
  bool PlayingRequested() const noexcept { return FPlayingRequested; }
  // Sent and waited for (the thread must be running): the clock continues from
  // `show_time` (kKeepPosition: from where it is) and stops at `limit`. Clears the ready
  // flag until the player is ready at the new position.
  void Reposition(double limit, double show_time);
  void SetLimit(double limit) { Reposition(limit, kKeepPosition); }

  // The music time in ms.
  double Clock() const;
  double Limit() const;
  bool Ready() const noexcept { return FReady.load(); }
  float Volume() const noexcept { return FVolume.load(); }
  void SetVolume(float volume) { FVolume.store(volume); }
  // Set by the engine when another show was opened while this one played: the player is
  // replaced the next time playback stops.
  bool MarkedForReplacement = false;

  TOrvSource& Source() const noexcept { return *FSource; }

protected:
  void Step() override;
  void HandleEvent(const TThreadEvent& event) override;

private:
  class TTimeRequest;

  // With the lock held.
  double ClockLocked() const;
  void StartPlaying();
  void PausePlaying();
  void SetTime(const TTimeRequest& request);

  Ref<TOrvSource> FSource;
  Ref<TShowClock> FClock;
  mutable std::mutex FLock;
  bool FPlaying = false;
  double FPosition = 0;     // held while stopped; the position at FStartClock while playing
  double FStartClock = 0;   // the show clock when playing started
  double FLimit = kNoLimit;
  std::atomic<bool> FReady{true};
  std::atomic<float> FVolume{1.0f};
  bool FPlayingRequested = false;  // engine thread only
};

}  // namespace orv
