// What the player adds to every record the media library opens: the container kind, how
// far its time stamps can be trusted, the frame rate and frame count as the player counts
// them, and which frames the decoder holds.
#pragma once

#include <cstdint>

#include "video/media_library_api.h"

namespace orv {

enum class TContainerKind { Other = 0, Avi = 1, Matroska = 2, Mov = 3, Mpeg = 4, Flv = 5, MpegTs = 6, Asf = 7 };

// How audio seeks in a file. Containers differ in what their seeks honour: most place the
// audio stream by its own time stamps; Matroska lands by key frames of the file and may
// land past the target; ASF lands only near it.
enum class TAudioSeekStrategy {
  Unchosen = 0,
  AudioStream = 1,   // seek the audio stream to the target's time stamp
  TriedTargets = 2,  // seek the file to ever earlier targets until it lands before, then skip frames
  SkipFrames = 3,    // seek the file, then skip frames up to the target
};

// Record extras, kept beside each opened record.
struct TVideoDataEx {
  TContainerKind Container = TContainerKind::Other;
  // The container or codec is known to report rates and time stamps that do not hold.
  bool UnreliableTiming = false;
  int64_t FrameCount = 0;
  // The decoded window: the buffer holds frame DecodedFrame, which stands for every
  // index from AskedFrame on up to it (frames the file lacks). -1: nothing decoded.
  int64_t AskedFrame = -1;
  int64_t DecodedFrame = -1;
  // How audio seeks in this file; chosen by the first audio seek.
  TAudioSeekStrategy AudioSeekStrategy = TAudioSeekStrategy::Unchosen;
  // Since the file was opened: seeks of the video stream and video frames decoded.
  int64_t VideoSeeks = 0;
  int64_t FramesDecoded = 0;
};

// Normalises a freshly opened record: 1088 lines are 1080, rates that stand for 23.976 and
// 29.97 become exactly that, MPEG-like containers take the measured rate, a negative start
// is 0. Fills the extras' container kind, timing flag and frame count.
void PostProcessRecord(TMediaRecord& record, TContainerKind container, TVideoDataEx& extras);

// The frame a video time stamp belongs to, counted from the start of the file; -1 when
// the stamp names no moment or the record has no time base or rate.
int64_t FrameIndexOfTimeStamp(const TMediaRecord& record, int64_t time_stamp);
// The video stream's time stamp of frame `index`.
int64_t TimeStampOfFrame(const TMediaRecord& record, int64_t index);

}  // namespace orv
