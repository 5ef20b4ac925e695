#include "show/music_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "base/assertions.h"
#include "base/log.h"
#include "base/tick_count.h"

namespace orv {

namespace {

std::string Ms(double time) { return std::to_string(std::llround(time)); }

// Logs a step of the loop that took more than 1 ms.
class TSlowStepLog {
 public:
  explicit TSlowStepLog(const char* label) : FLabel(label), FStarted(TickCount()) {}
  ~TSlowStepLog() {
    const int64_t taken = TickCount() - FStarted;
    if (taken > 1) Log().Write(std::string(FLabel) + std::to_string(taken));
  }

 private:
  const char* FLabel;
  int64_t FStarted;
};

}  // namespace

class TOrvMusicPlayer::TTimeRequest : public TRefObject {
 public:
  TTimeRequest(double limit, double show_time) : Limit(limit), ShowTime(show_time) {}
  double Limit;
  double ShowTime;
};

TOrvMusicPlayer::TOrvMusicPlayer(Ref<TOrvSource> source, TMusicPlayerSettings settings)
    : TOrvThread("music player"), FSource(std::move(source)), FClock(std::move(settings.Clock)) {
  ORV_ASSERT(FSource && FClock, "Music player without a show or a clock");
  FMusic = MakeRef<TOrvMusicSource>(*FSource);
  // The items of composite descriptions are opened through the process's opener.
  if (settings.Accessor && FMusic->Enabled()) SetAudioOpener(ShowAudioOpener(settings.Accessor));
  if (FMusic->Enabled()) FOutput = TMusicPlayerClass::Create(settings.Device);
  if (FOutput) {
    FOutputClock = !FClock->IsExact();
    if (settings.Accessor) FOutput->SetOpener(ShowAudioOpener(settings.Accessor));
  }
  FLoader = std::make_unique<TMusicLoader>(FOutput, Events(), kEventChannelArrived);
  FLoader->Start();
  // Music that does not follow the slides plays on its own clock from the first start,
  // through every pause and new position.
  if (FMusic->Enabled() && !FMusic->Synchronised() && FMusic->MainList().Count() > 0)
    FItems.push_back(MakeRef<TPlaySequence>(*this, NextItemId(), FMusic->MainList(), true, 0, 0));
  SetTime(TTimeRequest(kNoLimit, 0));
}

// Each step is guarded so that one failure does not keep the rest from being released.
TOrvMusicPlayer::~TOrvMusicPlayer() {
  Stop();
  FLoader->Stop();
  try {
    FinishItems(true);
  } catch (const std::exception& e) {
    Log().Write(std::string("Music player: the sounds could not be stopped: ") + e.what());
  }
  FItems.clear();
  FCurrentSequence = nullptr;
  FLoader.reset();
  FOutput = nullptr;
}

// ---- the engine's side

void TOrvMusicPlayer::SetPlaying(bool playing) {
  if (playing == FPlayingRequested) return;
  FPlayingRequested = playing;
  const int code = playing ? kEventStart : kEventPause;
  // Starting and pausing read the clock when the player thread gets to them. A clock that
  // moves only when its owner moves it (frame by frame) could be moved in between, and the
  // show would resume at the wrong time: the caller waits for those instead.
  if (FClock->IsExact()) {
    Events().Send(code);
  } else {
    Events().Post(code);
  }
}

void TOrvMusicPlayer::Reposition(double limit, double show_time) {
  FReady.store(false);
  if (show_time != kKeepPosition) FPlayingRequested = false;
  if (!Events().SendWithin(kSetTimeWait, kEventSetTime, MakeRef<TTimeRequest>(limit, show_time)))
    Log().Write("TOrvMusicPlayer.SetTime: the player did not answer within " +
                std::to_string(kSetTimeWait.count()) + " ms");
}

double TOrvMusicPlayer::Time() const {
  std::lock_guard lock(FLock);
  return TimeLocked();
}

double TOrvMusicPlayer::TimeLocked() const {
  if (!FRunning) return FTimeValue;
  return std::min(ClockTime() - FTimeValue, FLimit);
}

double TOrvMusicPlayer::Limit() const {
  std::lock_guard lock(FLock);
  return FLimit;
}

double TOrvMusicPlayer::ClockTime() const { return FOutputClock ? FOutput->ClockTime() : FClock->Milliseconds(); }

float TOrvMusicPlayer::Volume() const { return FOutput ? FOutput->MasterVolume() : 0; }

void TOrvMusicPlayer::SetVolume(float volume) {
  if (FOutput) FOutput->SetMasterVolume(volume);
}

bool TOrvMusicPlayer::WaitForPass(std::chrono::milliseconds limit) {
  std::unique_lock lock(FPassLock);
  const uint64_t wanted = FPasses + 2;  // the pass under way may have read the clock already
  return FPassDone.wait_for(lock, limit, [&] { return FPasses >= wanted || Terminated(); });
}

// ---- events

void TOrvMusicPlayer::HandleEvent(const TThreadEvent& event) {
  switch (event.code) {
    case kEventChannelArrived:
      ChannelArrived(*static_cast<const TChannelContainer&>(*event.data).Channel);
      break;
    case kEventStart:
      ChangeRunning(true);
      break;
    case kEventPause:
      ChangeRunning(false);
      break;
    case kEventSetTime:
      SetTime(static_cast<const TTimeRequest&>(*event.data));
      break;
    default:
      ORV_ASSERT(false, "Unknown EventID");
  }
}

// A channel whose item went away meanwhile is freed by the loader, as every output is.
void TOrvMusicPlayer::ChannelArrived(TOrvChannel& channel) {
  for (const Ref<TPlayItem>& item : FItems)
    if (item->Id() == channel.ItemId() && !item->Finished()) {
      item->ChannelArrived(channel);
      return;
    }
  ReleaseOutput(channel.TakeOutput());
}

// The stored show time becomes a clock offset and back, so show time continues exactly
// where it stopped.
void TOrvMusicPlayer::ChangeRunning(bool running) {
  std::lock_guard lock(FLock);
  if (FRunning == running) return;
  if (running) {
    FTimeValue = ClockTime() - FTimeValue;
  } else {
    FTimeValue = TimeLocked();
  }
  FRunning = running;
}

void TOrvMusicPlayer::SetTime(const TTimeRequest& request) {
  double time;
  {
    std::lock_guard lock(FLock);
    if (request.ShowTime == kKeepPosition) {
      // A new limit applies from here on: the time already played stays where it is.
      const double kept = TimeLocked();
      FLimit = request.Limit;
      if (FRunning) FTimeValue = ClockTime() - kept;
      return;
    }
    FLimit = request.Limit;
    FRunning = false;
    FTimeValue = time = request.ShowTime;
  }
  FinishItems(false);
  FScheduledUntil = time + kWindowMs;
  ScheduleWindow(true, time, FScheduledUntil);
}

// ---- scheduling

void TOrvMusicPlayer::ScheduleWindow(bool first, double from, double until) {
  if (!FMusic->Enabled() || FSource->SlideCount() == 0) return;
  if (FMusic->Synchronised() && FMusic->MainList().Count() > 0) ScheduleSequences(first, from, until);
  ScheduleComments(first, from, until);
}

bool TOrvMusicPlayer::Repeats() const {
  return FSource->RepeatMode() == TRepeatMode::Repeat && FMusic->TotalLength() > 0;
}

// One sequence per repetition of the show; a show of no length has only the first.
void TOrvMusicPlayer::ScheduleSequences(bool first, double from, double until) {
  const double length = FMusic->TotalLength();
  const auto pass_at = [&](double time) { return Repeats() ? int64_t(std::floor(time / length)) : int64_t{0}; };
  const int64_t last = pass_at(until);
  for (int64_t pass = pass_at(from) + (first ? 0 : 1); pass <= last; ++pass) {
    const double start = double(pass) * length;
    const bool inside = from > start;
    FItems.push_back(MakeRef<TPlaySequence>(*this, NextItemId(), FMusic->MainList(), false, inside ? from : start,
                                           inside ? from - start : 0));
  }
}

int64_t TOrvMusicPlayer::SlideAt(double time) const {
  const int64_t index = std::max(FSource->FindSlideAt(time), 0);
  return Repeats() ? index : std::min<int64_t>(index, FSource->SlideCount() - 1);
}

// A first window also looks back one whole show, so that comments already under way at
// `from` are found.
void TOrvMusicPlayer::ScheduleComments(bool first, double from, double until) {
  const int64_t count = FMusic->SlideCount();
  const int64_t at_from = SlideAt(from);
  const int64_t last = SlideAt(until);
  for (int64_t k = first ? std::max<int64_t>(at_from - count, 0) : at_from + 1; k <= last; ++k) {
    const TSlideMusicInfo& info = FMusic->SlideMusicInfo(k);
    if (info.Comment.empty()) continue;
    const double start = double(k / count) * FMusic->TotalLength() + info.Times.StartTime;
    Log().Write("New Comment begin " + info.Comment);
    const double offset = std::max(from - start, 0.0);
    if (offset >= info.CommentLength) continue;
    Log().Write("~~~~~~~~~~~~~~~~~~~~~~~New Comment params " + Ms(offset) + " " + Ms(std::max(start, from)) + " " +
                Ms(start + info.CommentLength));
    FItems.push_back(MakeRef<TPlayComment>(*this, NextItemId(), info.Comment, offset, std::max(start, from),
                                          start + info.CommentLength));
  }
}

// ---- the loop

void TOrvMusicPlayer::Step() {
  {
    TSlowStepLog total("+++++++++++++++++++ Total Synch Time ");
    bool running;
    double time;
    {
      std::lock_guard lock(FLock);
      running = FRunning;
      time = std::min(TimeLocked(), FLimit - 1);
    }
    {
      TSlowStepLog main("+++++++++++++++++++ Main Synch Time ");
      if (running) {
        ScheduleWindow(false, FScheduledUntil, time + kWindowMs);
        FScheduledUntil = time + kWindowMs;
      }
      UpdateItems(running, time);
      StartWaitingChannels();
    }
    {
      TSlowStepLog free("+++++++++++++++++++ Total Free and Pack Time ");
      FreeFinishedItems();
    }
    UpdateReady(running);
  }
  EndPass();
  WaitForEvents(std::chrono::milliseconds(5));
}

void TOrvMusicPlayer::UpdateReady(bool running) {
  FReady.store(running ||
               std::all_of(FItems.begin(), FItems.end(), [](const Ref<TPlayItem>& item) { return item->Ready(); }));
}

void TOrvMusicPlayer::EndPass() {
  {
    std::lock_guard lock(FPassLock);
    ++FPasses;
  }
  FPassDone.notify_all();
}

void TOrvMusicPlayer::UpdateItems(bool running, double time) {
  // Updating may add nothing, but a sequence may finish another: iterate by index.
  for (size_t i = 0; i < FItems.size(); ++i)
    if (!FItems[i]->Finished()) FItems[i]->Update(running, time);
}

void TOrvMusicPlayer::StartWaitingChannels() {
  for (const Ref<TOrvChannel>& channel : FStartList.TakeAll()) {
    channel->PlayOutput();
    Log().Write("+++++++++++++++++++ Play Channel " + channel->Source() + " Time " + Ms(ClockTime()));
  }
}

void TOrvMusicPlayer::FreeFinishedItems() {
  std::erase_if(FItems, [](const Ref<TPlayItem>& item) { return item->Finished(); });
  if (FCurrentSequence && FCurrentSequence->Finished()) FCurrentSequence = nullptr;
}

void TOrvMusicPlayer::FinishItems(bool final) {
  for (const Ref<TPlayItem>& item : FItems) item->Finish(final);
  FreeFinishedItems();
}

int TOrvMusicPlayer::NextItemId() {
  const int id = FItemCounter;
  FItemCounter = FItemCounter == std::numeric_limits<int>::max() ? 0 : FItemCounter + 1;
  return id;
}

void TOrvMusicPlayer::PostToLoader(Ref<TOrvChannel> channel) {
  FLoader->Events().Post(TMusicLoader::kEventCreate, MakeRef<TChannelContainer>(std::move(channel)));
}

void TOrvMusicPlayer::ReleaseOutput(Ref<TChannelMusic> output) {
  if (output) FLoader->Events().Post(TMusicLoader::kEventRelease, MakeRef<TOutputContainer>(std::move(output)));
}

void TOrvMusicPlayer::MakeCurrent(TPlaySequence& sequence) {
  if (FCurrentSequence.Get() == &sequence) return;
  if (FCurrentSequence) FCurrentSequence->Finish(false);
  FCurrentSequence = Ref<TPlaySequence>::Share(&sequence);
}

}  // namespace orv
