// Frame-accurate positioning of a media file's video: short steps forward decode, all
// others seek to the key frame before the wanted one and decode up to it.
#include <algorithm>
#include <string>

#include "base/log.h"
#include "video/media_library.h"

namespace orv {
namespace {

// Seeks that land past the wanted frame are tried again this many times, each time from
// twice as far before it.
constexpr int kMaxSeekAttempts = 8;

}  // namespace

bool TMediaFile::DecodeNextFrame(TMediaBuffer& buffer) {
  const int64_t time_stamp = Functions().GetNextVideoFrame(FRecord, &buffer, 0);
  if (time_stamp == MEDIA_NO_TIME_STAMP) return false;
  ++FExtras.FramesDecoded;
  FExtras.DecodedFrame = FrameIndexOfTimeStamp(*FRecord, time_stamp);
  return true;
}

void TMediaFile::DecodeForwardTo(int64_t index, TMediaBuffer& buffer) {
  for (int64_t step = FExtras.DecodedFrame; step < index; ++step) {
    const int64_t before = FExtras.DecodedFrame;
    // A frame that ends the video or does not advance leaves the last good one in place.
    if (!DecodeNextFrame(buffer) || FExtras.DecodedFrame >= index || FExtras.DecodedFrame <= before) return;
  }
}

bool TMediaFile::SeekAndDecodeFirst(int64_t index, TMediaBuffer& buffer) {
  Functions().FlushVideo(FRecord);
  const int32_t sought = Functions().SeekFile(FRecord, FRecord->VideoStream, TimeStampOfFrame(*FRecord, index),
                                              MEDIA_SEEK_BACKWARD | MEDIA_SEEK_FLUSH);
  if (sought < 0) Log().Write("Seek to frame " + std::to_string(index) + " failed: " + std::to_string(sought));
  FExtras.DecodedFrame = -1;
  return DecodeNextFrame(buffer);
}

// Some containers place a seek by decoding time stamps, or by key frames that come later
// than they say; such a landing past the frame is answered by seeking from earlier on.
void TMediaFile::SeekVideoTo(int64_t index, TMediaBuffer& buffer) {
  const TMediaRational rate = FRecord->FrameRate;
  const int64_t second = rate.Den > 0 && rate.Num > rate.Den ? rate.Num / rate.Den : 1;
  int64_t margin = 0;
  bool decoded = false;
  for (int attempt = 0; attempt < kMaxSeekAttempts; ++attempt) {
    decoded = SeekAndDecodeFirst(index - margin, buffer);
    if (!decoded || FExtras.DecodedFrame <= index || index - margin < 0) break;
    margin = margin == 0 ? second : margin * 2;
  }
  if (!decoded) return;
  for (int64_t before = FExtras.DecodedFrame; FExtras.DecodedFrame < index; before = FExtras.DecodedFrame)
    if (!DecodeNextFrame(buffer) || FExtras.DecodedFrame <= before) break;
}

bool TMediaFile::SeekToFrame(int64_t index, TMediaBuffer& buffer) {
  const int64_t asked = FExtras.AskedFrame;
  const int64_t decoded = FExtras.DecodedFrame;
  if (decoded >= 0 && asked <= index && index <= decoded) return true;
  if (index > decoded && index < decoded + kMaxDecodeAhead) {
    DecodeForwardTo(index, buffer);
  } else {
    ++FExtras.VideoSeeks;
    SeekVideoTo(index, buffer);
  }
  FExtras.AskedFrame = index;
  return FExtras.DecodedFrame >= 0;
}

void TMediaFile::RewindVideo(TMediaBuffer& buffer) {
  SeekVideoTo(0, buffer);
  FExtras.AskedFrame = 0;
}

}  // namespace orv
