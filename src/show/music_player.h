// The music player: plays the show's music, comments and clip sounds in step with show time,
// and provides show time itself. Its clock is the sound output's clock channel, so pictures
// follow the sound card; without a device it is the clock it was given (the system timer,
// or the frame clock of a run that renders frame by frame).
//
// Three threads share the work: this one schedules (every 5 ms it looks 5000 ms ahead and
// creates play items), the music loader creates and frees output channels, and the sound
// output's own threads play them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/music_output.h"
#include "base/orv_thread.h"
#include "package/file_accessor.h"
#include "show/music_loader.h"
#include "show/music_play_items.h"
#include "show/music_source.h"
#include "show/orv_source.h"
#include "show/show_clock.h"

namespace orv {

struct TMusicPlayerSettings {
  // Reads the show's sound files; null reads names from the disk only.
  Ref<TFileAccessor> Accessor;
  // The clock when there is no sound device; an exact clock (one moved frame by frame) is
  // used even when there is one.
  Ref<TShowClock> Clock = MakeRef<TSystemClock>();
  // Makes the device the output plays on: the sound card by default.
  TAudioDeviceMaker Device = TMusicPlayerClass::SoundCard;
};

class TOrvMusicPlayer : public TOrvThread {
 public:
  // Event codes of the player's queue.
  static constexpr int kEventChannelArrived = 2;
  static constexpr int kEventStart = 10;
  static constexpr int kEventPause = 11;
  static constexpr int kEventSetTime = 12;
  // The show time of a set time that only changes the limit.
  static constexpr double kKeepPosition = -2147483647;
  static constexpr double kNoLimit = 2147483647.0;
  // How far ahead sounds are scheduled.
  static constexpr double kWindowMs = 5000;
  // How long the engine waits for the player to take a new time.
  static constexpr std::chrono::milliseconds kSetTimeWait{2000};

  TOrvMusicPlayer(Ref<TOrvSource> source, TMusicPlayerSettings settings = {});
  ~TOrvMusicPlayer() override;

  // Posted to the player thread; a request equal to the last one is dropped.
  void SetPlaying(bool playing);
  bool PlayingRequested() const noexcept { return FPlayingRequested; }
  // Sent and waited for (at most kSetTimeWait): time continues from `show_time`
  // (kKeepPosition: from where it is) and stops at `limit`. Clears the ready flag and
  // stops playing.
  void Reposition(double limit, double show_time);
  void SetLimit(double limit) { Reposition(limit, kKeepPosition); }

  // Show time in ms, never above the limit.
  double Time() const;
  double Limit() const;
  // The clock show time runs on, in ms.
  double ClockTime() const;
  bool Ready() const noexcept { return FReady.load(); }
  // The output's master volume; 0 without an output.
  float Volume() const;
  void SetVolume(float volume);
  // Set by the engine when another show was opened while this one played: the player is
  // replaced the next time playback stops.
  bool MarkedForReplacement = false;

  TOrvSource& Source() const noexcept { return *FSource; }
  const TOrvMusicSource& Music() const noexcept { return *FMusic; }
  // The sound output; null when there is no device.
  TMusicPlayerClass* Output() const noexcept { return FOutput.Get(); }
  // Waits until the loop has run once more after this call (at most `limit`); for callers
  // that move an exact clock and then want the sound to have caught up.
  bool WaitForPass(std::chrono::milliseconds limit);

  // For the play items, on the player thread.
  int NextItemId();
  void PostToLoader(Ref<TOrvChannel> channel);
  void ReleaseOutput(Ref<TChannelMusic> output);
  TChannelOperator& StartList() noexcept { return FStartList; }
  bool Synchronised() const noexcept { return FMusic->Synchronised(); }
  void MakeCurrent(TPlaySequence& sequence);

 protected:
  void Step() override;
  void HandleEvent(const TThreadEvent& event) override;

 private:
  class TTimeRequest;

  void ChannelArrived(TOrvChannel& channel);
  void ChangeRunning(bool running);
  void SetTime(const TTimeRequest& request);
  void ScheduleWindow(bool first, double from, double until);
  void ScheduleSequences(bool first, double from, double until);
  void ScheduleComments(bool first, double from, double until);
  // The slide (virtual index over repetitions) at show time `time`.
  int64_t SlideAt(double time) const;
  bool Repeats() const;
  void UpdateItems(bool running, double time);
  void StartWaitingChannels();
  void FreeFinishedItems();
  void FinishItems(bool final);
  void UpdateReady(bool running);
  void EndPass();
  // With the lock held.
  double TimeLocked() const;

  Ref<TOrvSource> FSource;
  Ref<TOrvMusicSource> FMusic;
  Ref<TShowClock> FClock;
  Ref<TMusicPlayerClass> FOutput;
  bool FOutputClock = false;
  std::unique_ptr<TMusicLoader> FLoader;
  TChannelOperator FStartList;
  std::vector<Ref<TPlayItem>> FItems;
  int FItemCounter = 0;
  Ref<TPlaySequence> FCurrentSequence;
  double FScheduledUntil = 0;

  mutable std::mutex FLock;  // the time values
  bool FRunning = false;
  double FTimeValue = 0;  // paused: show time; running: clock − show time
  double FLimit = kNoLimit;
  std::atomic<bool> FReady{false};
  bool FPlayingRequested = false;  // engine thread only

  std::mutex FPassLock;
  std::condition_variable FPassDone;
  uint64_t FPasses = 0;
};

}  // namespace orv
