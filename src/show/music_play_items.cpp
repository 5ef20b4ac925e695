#include "show/music_play_items.h"

#include <algorithm>
#include <cmath>

#include "base/log.h"
#include "base/tick_count.h"
#include "show/music_player.h"

namespace orv {

namespace {

std::string Ms(double time) { return std::to_string(std::llround(time)); }

}  // namespace

// ---- channels

TOrvChannel::TOrvChannel(TChannelOperator& start_list, int item_id, std::string source, int start_position,
                         double start_time, double end_time)
    : FStartList(start_list),
      FItemId(item_id),
      FSource(std::move(source)),
      FStartPosition(start_position),
      FStartTime(start_time),
      FEndTime(end_time) {}

void TOrvChannel::Start() {
  if (!FReady || FPlaying) return;
  FPlaying = true;
  FStopped = false;
  FStartList.Add(Ref<TOrvChannel>::Share(this));
}

void TOrvChannel::Stop() {
  if (!FPlaying) return;
  FPlaying = false;
  FStopped = true;
  if (FStartList.Remove(*this) || !FOutput) return;
  FOutput->Stop(kFadeMs);
  Log().Write("+++++++++++++++++++ Channel " + FSource + " Stop Time " + Ms(FEndTime));
}

void TOrvChannel::SetOutput(Ref<TChannelMusic> output, double end_time) {
  FOutput = std::move(output);
  FEndTime = end_time;
}

void TOrvChannel::PlayOutput() {
  if (FOutput) FOutput->Play(kFadeMs);
}

Ref<TChannelMusic> TOrvChannel::TakeOutput() { return std::move(FOutput); }

void TOrvChannel::Dispose() {
  if (FOutput && FPlaying && !FStopped) FOutput->Stop(kFadeMs);
  Log().Write("+++++++++++++++++++ Destroy Channel " + FSource + " Time " + Ms(FEndTime));
  TRefObject::Dispose();
}

void TChannelOperator::Add(Ref<TOrvChannel> channel) { FChannels.push_back(std::move(channel)); }

bool TChannelOperator::Remove(const TOrvChannel& channel) {
  return std::erase_if(FChannels, [&](const Ref<TOrvChannel>& waiting) { return waiting.Get() == &channel; }) > 0;
}

std::vector<Ref<TOrvChannel>> TChannelOperator::TakeAll() { return std::exchange(FChannels, {}); }

// ---- play items

Ref<TOrvChannel> TPlayItem::Preload(const std::string& source, double start_position, double start_time,
                                    double end_time) {
  auto channel = MakeRef<TOrvChannel>(FPlayer.StartList(), FId, source, static_cast<int>(start_position), start_time,
                                      end_time);
  FPlayer.PostToLoader(channel);
  return channel;
}

void TPlayItem::ReleaseChannel(TOrvChannel& channel) {
  if (channel.Playing()) {
    channel.Stop();
  } else {
    channel.Cancel();
  }
  FPlayer.ReleaseOutput(channel.TakeOutput());
}

// ---- comments

TPlayComment::TPlayComment(TOrvMusicPlayer& player, int id, const std::string& description, double offset,
                           double start_time, double end_time)
    : TPlayItem(player, id), FChannel(Preload(description, offset, start_time, end_time)) {}

void TPlayComment::Finish(bool) {
  if (FFinished) return;
  ReleaseChannel(*FChannel);
  FFinished = true;
}

void TPlayComment::ChannelArrived(TOrvChannel& channel) {
  channel.MarkReady();
  FArrived = true;
  FReady = true;
}

// A comment paused while playing is over: comments do not resume.
void TPlayComment::Update(bool running, double time) {
  if (!FArrived) return;
  if (time > FChannel->EndTime() - TOrvChannel::kFadeMs || (FChannel->Playing() && !running)) {
    Finish(false);
    return;
  }
  if (running && time >= FChannel->StartTime()) FChannel->Start();
}

// ---- sequences

TPlaySequence::TPlaySequence(TOrvMusicPlayer& player, int id, const TPlayList& list, bool free_running, double start,
                             double offset)
    : TPlayItem(player, id), FList(list), FFreeRunning(free_running), FStart(start), FOffset(offset) {
  FReady = true;
}

void TPlaySequence::Finish(bool final) {
  if (FFinished || (FFreeRunning && !final)) return;
  Log().Write("Finally sequence stop " + Ms(FStarted ? FPlayer.ClockTime() - FClockAtStart : 0));
  for (const Ref<TOrvChannel>& channel : FChannels) ReleaseChannel(*channel);
  FChannels.clear();
  FFinished = true;
}

void TPlaySequence::ChannelArrived(TOrvChannel& channel) {
  channel.MarkReady();
  UpdateReady();
}

void TPlaySequence::Update(bool running, double time) {
  if (FStarted && !running && !FFreeRunning) {
    // Synchronised music stops with the show and resumes from the right place on start.
    StopChannels();
    FStarted = false;
    return;
  }
  if (FStarted) {
    Schedule(FFreeRunning ? FPlayer.ClockTime() - FClockAtStart + FOffset : time - FStart + FOffset);
    return;
  }
  if (time < FStart) {
    Schedule(FOffset);
    return;
  }
  if (running) {
    FStarted = true;
    FClockAtStart = FPlayer.ClockTime();
    Log().Write("Sequence started at abs Time " + Ms(time));
  }
  Schedule(FFreeRunning ? FOffset : time - FStart + FOffset);
  if (running || !FFreeRunning) FPlayer.MakeCurrent(*this);
}

void TPlaySequence::Schedule(double time) {
  const bool repeats = FList.Repeat && FList.TotalLength() > 0;
  if (!repeats && time > FList.TotalLength()) {
    Finish(true);
    return;
  }
  const int64_t started = TickCount();
  PreloadEntries(time);
  if (FStarted) WatchChannels(time);
  UpdateReady();
  const int64_t taken = TickCount() - started;
  if (taken > 1) Log().Write("|||||||||||||||||||||||||| Watch Synch Time " + std::to_string(taken));
}

void TPlaySequence::PreloadEntries(double time) {
  const bool repeats = FList.Repeat && FList.TotalLength() > 0;
  for (; repeats || FNextEntry < FList.Count(); ++FNextEntry) {
    const TMusicItemInfo entry = FList.Item(FNextEntry);
    if (entry.Start >= time + TOrvMusicPlayer::kWindowMs) break;
    if (entry.Start + entry.Duration <= time) continue;
    Log().Write("Preload " + entry.Name);
    Log().Write("Preload to time start " + Ms(entry.Start));
    const double position = std::floor(std::max(time - entry.Start, 0.0));
    FChannels.push_back(Preload(entry.Name, position, entry.Start + position, entry.Start + entry.Duration));
  }
}

void TPlaySequence::WatchChannels(double time) {
  std::erase_if(FChannels, [&](const Ref<TOrvChannel>& channel) {
    if (time < channel->EndTime()) {
      if (channel->Ready() && !channel->Playing() && time >= channel->StartTime()) {
        Log().Write("Start Channel: " + channel->Source() + "   IntTime: " + Ms(time));
        channel->Start();
      }
      return false;
    }
    if (channel->Playing()) Log().Write("Stop Channel: " + channel->Source());
    ReleaseChannel(*channel);
    Log().Write("Release Channel Time " + Ms(time));
    return true;
  });
}

void TPlaySequence::StopChannels() {
  for (const Ref<TOrvChannel>& channel : FChannels) channel->Stop();
}

void TPlaySequence::UpdateReady() {
  FReady = std::all_of(FChannels.begin(), FChannels.end(), [](const Ref<TOrvChannel>& channel) {
    return channel->Ready();
  });
}

}  // namespace orv
