// What the music player schedules: channels (one source placed on a timeline), and the play
// items that own them - a sequence plays a play list (the show's music), a comment plays
// one slide's comment and clip sounds. Items live on the player's thread alone; their
// channels travel to the music loader, which creates and releases the output channels.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/channel_music.h"
#include "base/ref_object.h"
#include "show/music_source.h"

namespace orv {

class TOrvMusicPlayer;
class TChannelOperator;

class TOrvChannel : public TRefObject {
 public:
  static constexpr int kCancelled = -1;
  static constexpr double kFadeMs = 10;

  TOrvChannel(TChannelOperator& start_list, int item_id, std::string source, int start_position, double start_time,
              double end_time);

  // Ready and not playing: joins the start list (the player's loop plays it).
  void Start();
  // Playing: fades out over 10 ms, or just leaves the start list when it had not begun.
  void Stop();
  // The loader no longer creates it (its item went away first).
  void Cancel() noexcept { FItemId.store(kCancelled); }

  int ItemId() const noexcept { return FItemId.load(); }
  const std::string& Source() const noexcept { return FSource; }
  int StartPosition() const noexcept { return FStartPosition; }
  double StartTime() const noexcept { return FStartTime; }
  double EndTime() const noexcept { return FEndTime; }
  bool Ready() const noexcept { return FReady; }
  bool Playing() const noexcept { return FPlaying; }
  // The output channel; null when it could not be created (the channel is then silent).
  TChannelMusic* Output() const noexcept { return FOutput.Get(); }

  // Loader thread: the created output channel (or null) and the end it allows.
  void SetOutput(Ref<TChannelMusic> output, double end_time);
  // Player thread: the loader has handed the channel back.
  void MarkReady() noexcept { FReady = true; }
  // Player thread, from the start list: plays the output channel.
  void PlayOutput();
  // The output channel, handed to the loader to free.
  Ref<TChannelMusic> TakeOutput();

 protected:
  void Dispose() override;

 private:
  TChannelOperator& FStartList;
  std::atomic<int> FItemId;
  std::string FSource;
  int FStartPosition;
  double FStartTime;
  double FEndTime;
  Ref<TChannelMusic> FOutput;
  bool FReady = false;
  bool FPlaying = false;
  bool FStopped = false;
};

// The channels waiting to be started by the player's loop.
class TChannelOperator {
 public:
  void Add(Ref<TOrvChannel> channel);
  // False when it was not waiting.
  bool Remove(const TOrvChannel& channel);
  // Hands every waiting channel out, emptying the list.
  std::vector<Ref<TOrvChannel>> TakeAll();

 private:
  std::vector<Ref<TOrvChannel>> FChannels;
};

class TPlayItem : public TRefObject {
 public:
  TPlayItem(TOrvMusicPlayer& player, int id) : FPlayer(player), FId(id) {}

  // `final` when the player goes: a free-running sequence plays on through every other
  // finish.
  virtual void Finish(bool final) = 0;
  virtual void ChannelArrived(TOrvChannel& channel) = 0;
  virtual void Update(bool running, double time) = 0;

  int Id() const noexcept { return FId; }
  bool Ready() const noexcept { return FReady; }
  bool Finished() const noexcept { return FFinished; }

 protected:
  // Creates a channel for this item and posts it to the loader.
  Ref<TOrvChannel> Preload(const std::string& source, double start_position, double start_time, double end_time);
  // Stops a playing channel, cancels one still loading, and has its output freed.
  void ReleaseChannel(TOrvChannel& channel);

  TOrvMusicPlayer& FPlayer;
  int FId;
  bool FReady = false;
  bool FFinished = false;
};

class TPlayComment : public TPlayItem {
 public:
  TPlayComment(TOrvMusicPlayer& player, int id, const std::string& description, double offset, double start_time,
               double end_time);

  void Finish(bool final) override;
  void ChannelArrived(TOrvChannel& channel) override;
  void Update(bool running, double time) override;

 private:
  Ref<TOrvChannel> FChannel;
  bool FArrived = false;
};

class TPlaySequence : public TPlayItem {
 public:
  // Plays `list` from `offset` ms of its timeline once show time reaches `start`.
  TPlaySequence(TOrvMusicPlayer& player, int id, const TPlayList& list, bool free_running, double start,
                double offset);

  void Finish(bool final) override;
  void ChannelArrived(TOrvChannel& channel) override;
  void Update(bool running, double time) override;

  bool FreeRunning() const noexcept { return FFreeRunning; }

 private:
  // Creates the channels due within the next 5000 ms of `time` (the list's timeline) and,
  // once started, starts and ends them.
  void Schedule(double time);
  void PreloadEntries(double time);
  void WatchChannels(double time);
  void StopChannels();
  void UpdateReady();

  const TPlayList& FList;
  std::vector<Ref<TOrvChannel>> FChannels;
  int64_t FNextEntry = 0;
  bool FStarted = false;
  bool FFreeRunning;
  double FClockAtStart = 0;
  double FStart;
  double FOffset;
};

}  // namespace orv
