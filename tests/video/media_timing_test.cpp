#include "video/media_timing.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TMediaRecord VideoRecord(int32_t codec, TMediaRational rate, TMediaRational average) {
  TMediaRecord record{};
  record.VideoStream = 0;
  record.AudioStream = -1;
  record.CodecId = codec;
  record.FrameRate = rate;
  record.AverageFrameRate = average;
  record.TimeBase = TMediaRational{1, 90000};
  record.Width = 64;
  record.Height = 48;
  record.Duration = 10000000;
  return record;
}

TEST(MediaTiming, RatesAreSettledUnlessTheTimingCannotBeTrusted) {
  struct {
    const char* what;
    TContainerKind container;
    int32_t codec;
    TMediaRational rate, average, expected;
    bool unreliable;
  } const cases[] = {
      {"NTSC stored as 30", TContainerKind::Mov, MEDIA_CODEC_H264, {30, 1}, {30000, 1001}, {30000, 1001}, false},
      {"film stored as 24", TContainerKind::Matroska, MEDIA_CODEC_H264, {24, 1}, {2997, 125}, {24000, 1001}, false},
      {"exact NTSC stays", TContainerKind::Mov, MEDIA_CODEC_H264, {30000, 1001}, {30, 1}, {30000, 1001}, false},
      {"MPEG takes its measured rate", TContainerKind::Mpeg, MEDIA_CODEC_MPEG2, {50, 1}, {25, 1}, {25, 1}, false},
      {"FLV too", TContainerKind::Flv, MEDIA_CODEC_OTHER_BASE + 21, {1000, 1}, {15, 1}, {1000, 1}, true},
      {"a measured rate over 130 is ignored", TContainerKind::MpegTs, MEDIA_CODEC_MPEG2, {25, 1}, {200, 1}, {25, 1},
       false},
      {"no measured rate", TContainerKind::MpegTs, MEDIA_CODEC_MPEG2, {25, 1}, {0, 0}, {25, 1}, false},
      {"other containers keep theirs", TContainerKind::Mov, MEDIA_CODEC_H264, {25, 1}, {24, 1}, {25, 1}, false},
      {"MPEG-4 in AVI", TContainerKind::Avi, MEDIA_CODEC_MPEG4, {30, 1}, {30000, 1001}, {30, 1}, true},
      {"Microsoft MPEG-4", TContainerKind::Asf, MEDIA_CODEC_MSMPEG4V3, {30, 1}, {30000, 1001}, {30, 1}, true},
      {"Video 1", TContainerKind::Avi, MEDIA_CODEC_MSVIDEO1, {30, 1}, {30000, 1001}, {30, 1}, true},
      {"H.264 fields in TS", TContainerKind::MpegTs, MEDIA_CODEC_H264, {60000, 1001}, {50, 1}, {60000, 1001}, true},
      {"MPEG-2 may be fast", TContainerKind::Mpeg, MEDIA_CODEC_MPEG2, {120, 1}, {30000, 1001}, {30000, 1001}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TMediaRecord record = VideoRecord(c.codec, c.rate, c.average);
    TVideoDataEx extras;
    PostProcessRecord(record, c.container, extras);
    EXPECT_EQ(extras.UnreliableTiming, c.unreliable);
    EXPECT_EQ(extras.Container, c.container);
    EXPECT_EQ(record.FrameRate.Num, c.expected.Num);
    EXPECT_EQ(record.FrameRate.Den, c.expected.Den);
  }
}

TEST(MediaTiming, SizeStartAndFrameCount) {
  TMediaRecord record = VideoRecord(MEDIA_CODEC_H264, {30000, 1001}, {30000, 1001});
  record.Height = 1088;
  record.StartTime = -23000;
  TVideoDataEx extras;
  PostProcessRecord(record, TContainerKind::Mov, extras);
  EXPECT_EQ(record.Height, 1080);
  EXPECT_EQ(record.StartTime, 0);
  EXPECT_EQ(extras.FrameCount, 300);  // 299.7 frames in 10 s

  TMediaRecord unknown = VideoRecord(MEDIA_CODEC_H264, {0, 0}, {0, 0});
  unknown.Duration = 0;
  PostProcessRecord(unknown, TContainerKind::Other, extras);
  EXPECT_EQ(extras.FrameCount, 0);
  EXPECT_FALSE(extras.UnreliableTiming);

  TMediaRecord sound{};
  sound.VideoStream = -1;
  sound.FrameRate = {500, 1};
  sound.Duration = 10000000;
  PostProcessRecord(sound, TContainerKind::Other, extras);
  EXPECT_EQ(extras.FrameCount, 0);
  EXPECT_FALSE(extras.UnreliableTiming);
}

TEST(MediaTiming, FrameIndexesAndTimeStampsCountFromTheStartOfTheFile) {
  TMediaRecord record = VideoRecord(MEDIA_CODEC_MPEG2, {25, 1}, {25, 1});
  record.StartTime = 1400000;  // 126000 ticks
  EXPECT_EQ(FrameIndexOfTimeStamp(record, 126000), 0);
  EXPECT_EQ(FrameIndexOfTimeStamp(record, 126000 + 3600 * 7), 7);
  EXPECT_EQ(FrameIndexOfTimeStamp(record, 126000 + 3600 * 7 + 1700), 7);
  EXPECT_EQ(FrameIndexOfTimeStamp(record, 126000 - 3600), -1);
  EXPECT_EQ(FrameIndexOfTimeStamp(record, MEDIA_NO_TIME_STAMP), -1);
  for (const int64_t frame : {0, 1, 9, 1234}) EXPECT_EQ(FrameIndexOfTimeStamp(record, TimeStampOfFrame(record, frame)), frame);
  EXPECT_EQ(TimeStampOfFrame(record, 2), 126000 + 7200);
  TMediaRecord no_base = record;
  no_base.TimeBase = {0, 0};
  EXPECT_EQ(FrameIndexOfTimeStamp(no_base, 126000), -1);
  TMediaRecord no_rate = record;
  no_rate.FrameRate = {0, 1};
  EXPECT_EQ(FrameIndexOfTimeStamp(no_rate, 126000), -1);
  EXPECT_EQ(TimeStampOfFrame(no_rate, 5), 0);
}

}  // namespace
}  // namespace orv
