#include "video/media_timing.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

constexpr double kFilmRate = 24000.0 / 1001.0;
constexpr double kNtscRate = 30000.0 / 1001.0;
constexpr double kRateTolerance = 0.001;
// Codecs whose stored rates and time stamps are known not to hold.
constexpr int32_t kUnreliableCodecs[] = {MEDIA_CODEC_MSMPEG4V1, MEDIA_CODEC_MSMPEG4V2, MEDIA_CODEC_MSMPEG4V3,
                                         MEDIA_CODEC_MSVIDEO1};
// A measured rate above this is a measuring error, not a frame rate.
constexpr double kMaxMeasuredRate = 130;

double RateOf(TMediaRational rate) { return rate.Den != 0 && rate.Num > 0 ? double(rate.Num) / rate.Den : 0; }
bool Near(double rate, double wanted) { return std::fabs(rate - wanted) < kRateTolerance; }

bool HasUnreliableTiming(const TMediaRecord& record, TContainerKind container) {
  const int32_t codec = record.CodecId;
  if (codec != MEDIA_CODEC_MPEG2 && RateOf(record.FrameRate) > 100) return true;
  for (const int32_t unreliable : kUnreliableCodecs)
    if (codec == unreliable) return true;
  if (container == TContainerKind::Avi && codec == MEDIA_CODEC_MPEG4) return true;
  return container == TContainerKind::MpegTs && codec == MEDIA_CODEC_H264 && RateOf(record.AverageFrameRate) >= 50;
}

// The library states the average rate per frame, whatever the codec's ticks per frame
// are, so the measured rate is compared and taken as it stands.
void SettleFrameRate(TMediaRecord& record, TContainerKind container) {
  const double rate = RateOf(record.FrameRate);
  if (Near(rate, kFilmRate) || Near(rate, kNtscRate)) return;
  const double measured = RateOf(record.AverageFrameRate);
  if (Near(measured, kFilmRate)) {
    record.FrameRate = TMediaRational{24000, 1001};
  } else if (Near(measured, kNtscRate)) {
    record.FrameRate = TMediaRational{30000, 1001};
  } else if ((container == TContainerKind::Mpeg || container == TContainerKind::Flv ||
              container == TContainerKind::MpegTs) &&
             measured > 0 && measured <= kMaxMeasuredRate) {
    record.FrameRate = record.AverageFrameRate;
  }
}

int64_t RoundedOrMinusOne(double value) {
  return std::isfinite(value) && std::fabs(value) < 1e15 ? std::llround(value) : -1;
}

}  // namespace

void PostProcessRecord(TMediaRecord& record, TContainerKind container, TVideoDataEx& extras) {
  if (record.Height == 1088) record.Height = 1080;
  extras.Container = container;
  extras.UnreliableTiming = record.VideoStream >= 0 && HasUnreliableTiming(record, container);
  if (record.VideoStream >= 0 && !extras.UnreliableTiming) SettleFrameRate(record, container);
  const double frames = double(record.Duration) / 1e6 * RateOf(record.FrameRate);
  extras.FrameCount = record.VideoStream >= 0 ? std::max<int64_t>(RoundedOrMinusOne(frames), 0) : 0;
  if (record.StartTime < 0) record.StartTime = 0;
}

int64_t FrameIndexOfTimeStamp(const TMediaRecord& record, int64_t time_stamp) {
  const TMediaRational base = record.TimeBase;
  const double rate = RateOf(record.FrameRate);
  if (time_stamp == MEDIA_NO_TIME_STAMP || base.Den == 0 || base.Num == 0 || rate <= 0) return -1;
  const double seconds = double(time_stamp) * base.Num / base.Den - double(record.StartTime) / 1e6;
  return RoundedOrMinusOne(seconds * rate);
}

int64_t TimeStampOfFrame(const TMediaRecord& record, int64_t index) {
  const TMediaRational base = record.TimeBase;
  const double rate = RateOf(record.FrameRate);
  if (base.Den == 0 || base.Num == 0 || rate <= 0) return 0;
  const double seconds = double(index) / rate + double(record.StartTime) / 1e6;
  return std::llround(seconds * base.Den / base.Num);
}

}  // namespace orv
