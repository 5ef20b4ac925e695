#include "show/music_player.h"

#include <algorithm>
#include <chrono>

#include "base/assertions.h"

namespace orv {

class TOrvMusicPlayer::TTimeRequest : public TRefObject {
public:
  TTimeRequest(double limit, double show_time) : Limit(limit), ShowTime(show_time) {}
  double Limit;
  double ShowTime;
};

TOrvMusicPlayer::TOrvMusicPlayer(Ref<TOrvSource> source, Ref<TShowClock> clock)
    : TOrvThread("music player"), FSource(std::move(source)), FClock(std::move(clock)) {
  ORV_ASSERT(FSource && FClock, "Music player without a show or a clock");
}

TOrvMusicPlayer::~TOrvMusicPlayer() { Stop(); }

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
  Events().Send(kEventSetTime, MakeRef<TTimeRequest>(limit, show_time));
}

double TOrvMusicPlayer::Clock() const {
  std::lock_guard lock(FLock);
  return ClockLocked();
}

double TOrvMusicPlayer::ClockLocked() const {
  if (!FPlaying) return FPosition;
  return std::min(FPosition + (FClock->Milliseconds() - FStartClock), std::max(FLimit, FPosition));
}

double TOrvMusicPlayer::Limit() const {
  std::lock_guard lock(FLock);
  return FLimit;
}

void TOrvMusicPlayer::HandleEvent(const TThreadEvent& event) {
  switch (event.code) {
    case kEventStart:
      StartPlaying();
      break;
    case kEventPause:
      PausePlaying();
      break;
    case kEventSetTime:
      SetTime(static_cast<const TTimeRequest&>(*event.data));
      break;
    default:
      ORV_ASSERT(false, "Unknown music player event");
  }
}

void TOrvMusicPlayer::StartPlaying() {
  std::lock_guard lock(FLock);
  if (FPlaying) return;
  FStartClock = FClock->Milliseconds();
  FPlaying = true;
}

void TOrvMusicPlayer::PausePlaying() {
  std::lock_guard lock(FLock);
  if (!FPlaying) return;
  FPosition = ClockLocked();
  FPlaying = false;
}

void TOrvMusicPlayer::SetTime(const TTimeRequest& request) {
  {
    std::lock_guard lock(FLock);
    // A new limit applies from here on: the time already played stays where it is.
    FPosition = request.ShowTime == kKeepPosition ? ClockLocked() : request.ShowTime;
    FStartClock = FClock->Milliseconds();
    FLimit = request.Limit;
  }
  // Nothing is buffered ahead: the player is ready wherever it stands.
  FReady.store(true);
}

void TOrvMusicPlayer::Step() { WaitForEvents(std::chrono::milliseconds(20)); }

}  // namespace orv
