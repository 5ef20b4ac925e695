// Positioning of a media file's audio. A seek lands on a frame boundary near the target;
// the frames dropped after it bring the decoding to the frame that holds the target.
#include <cmath>
#include <limits>

#include "base/log.h"
#include "video/media_library.h"

namespace orv {
namespace {

// Seeks that land past the target are tried again from 1 % earlier each time, this often.
constexpr int kMaxSeekTries = 100;
// Frames whose time stamp does not advance are skipped this many times before giving up.
constexpr int kMaxSkipsWithoutProgress = 100;

constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();

int64_t MicrosecondsOf(const TMediaRecord& record, double ms) { return record.StartTime + std::llround(ms * 1000); }

}  // namespace

int64_t TMediaFile::AudioTimeStampOf(double ms) const {
  const TMediaRational base = FRecord->AudioTimeBase;
  if (base.Num <= 0 || base.Den <= 0) return MEDIA_NO_TIME_STAMP;
  return std::llround(double(MicrosecondsOf(*FRecord, ms)) / 1e6 * base.Den / base.Num);
}

// Where the audio frame decoded last begins, in ms from the start of the file; NaN when
// the decoder tells no time.
double TMediaFile::CurrentAudioMs() const {
  const TMediaRational base = FRecord->AudioTimeBase;
  const int64_t time_stamp = Functions().GetCurrentPts(FRecord, FRecord->AudioStream);
  if (time_stamp == MEDIA_NO_TIME_STAMP || base.Num <= 0 || base.Den <= 0) return kNoTime;
  return double(time_stamp) * base.Num / base.Den * 1000 - double(FRecord->StartTime) / 1000;
}

bool TMediaFile::SeekAudioStream(double ms) {
  const int64_t time_stamp = AudioTimeStampOf(ms);
  return time_stamp != MEDIA_NO_TIME_STAMP &&
         Functions().SeekFile(FRecord, FRecord->AudioStream, time_stamp, MEDIA_SEEK_FLUSH) >= 0;
}

TAudioSeekStrategy TMediaFile::ChooseAudioSeekStrategy() {
  const TAudioSeekStrategy strategy = FExtras.Container == TContainerKind::Matroska ? TAudioSeekStrategy::TriedTargets
                                      : FExtras.Container == TContainerKind::Asf    ? TAudioSeekStrategy::SkipFrames
                                      : SeekAudioStream(0)                          ? TAudioSeekStrategy::AudioStream
                                                                                    : TAudioSeekStrategy::TriedTargets;
  if (strategy != TAudioSeekStrategy::AudioStream) MeasureAudioFrame();
  return strategy;
}

double TMediaFile::SkipAudioFrame() {
  Functions().AfterAudioSeek(FRecord, 1);
  return CurrentAudioMs();
}

// Drops frames until the next one holds `ms`: while the one after the next still begins no
// later than `ms`. `current`: where the frame dropped last begins. `patience`: skips in a
// row that may leave the time stamp where it was.
void TMediaFile::SkipAudioFramesBefore(double ms, double current, int patience) {
  for (int stalled = 0; stalled < patience && FollowingFrameBeginsBy(current, ms);) {
    const double next = SkipAudioFrame();
    if (next > current) {
      FAudioFrameMs = next - current;
      current = next;
      stalled = 0;
    } else {
      ++stalled;
    }
  }
}

// Whether the frame after the one that follows a frame begun at `current` begins no later
// than `ms`. Without a known frame length only a frame that begins before `ms` is left.
bool TMediaFile::FollowingFrameBeginsBy(double current, double ms) const {
  return FAudioFrameMs > 0 ? current + 2 * FAudioFrameMs <= ms : current < ms;
}

// The frame length judges the first landing, which no skip has measured yet.
void TMediaFile::MeasureAudioFrame() {
  SeekFileBefore(0);
  const double first = SkipAudioFrame();
  const double second = SkipAudioFrame();
  if (second > first) FAudioFrameMs = second - first;
}

// Skipping frames only moves forward, so the seek must land at or before the target:
// backward, to the key frame before it. Every landing is judged by the first frame
// decoded there, so each seek empties the decoders.
void TMediaFile::SeekFileBefore(double ms) {
  Functions().SeekFile(FRecord, -1, MicrosecondsOf(*FRecord, ms), MEDIA_SEEK_BACKWARD | MEDIA_SEEK_FLUSH);
}

void TMediaFile::SeekAudioByTries(double ms) {
  double landed = kNoTime;
  for (int attempt = 0; attempt < kMaxSeekTries; ++attempt) {
    const double target = ms * (1 - attempt / 100.0);
    SeekFileBefore(target);
    landed = SkipAudioFrame();
    if (!(landed > ms)) break;
  }
  SkipAudioFramesBefore(ms, landed, kMaxSkipsWithoutProgress);
}

void TMediaFile::SeekAudio(double ms) {
  if (FExtras.AudioSeekStrategy == TAudioSeekStrategy::Unchosen) FExtras.AudioSeekStrategy = ChooseAudioSeekStrategy();
  // A seek back to the start lands on the first frame, which a landing check would drop.
  if (ms <= 0 && FExtras.AudioSeekStrategy != TAudioSeekStrategy::AudioStream) return SeekFileBefore(0);
  switch (FExtras.AudioSeekStrategy) {
    case TAudioSeekStrategy::AudioStream:
      if (!SeekAudioStream(ms)) Log().Write("Audio seek to " + std::to_string(ms) + " ms failed");
      break;
    case TAudioSeekStrategy::TriedTargets: SeekAudioByTries(ms); break;
    default:
      SeekFileBefore(ms);
      SkipAudioFramesBefore(ms, SkipAudioFrame(), 1);
  }
}

}  // namespace orv
