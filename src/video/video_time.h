// How a video object's clip follows the slide: slide time to video time, the field of an
// interlaced frame to show, and the width the frames are stretched to.
#pragma once

#include "video/frame_source.h"

namespace orv {

// The keys that place a clip on the slide (ms, and the playback speed).
struct TClipTiming {
  double StartOrvTime = 0;    // slide time at which the clip starts
  double StartVideoTime = 0;  // position in the file at that moment
  double Duration = 0;        // length played
  double FpsMultiplier = 1;
  friend bool operator==(const TClipTiming&, const TClipTiming&) = default;
};

// Start and length that lie outside a file of `file_ms` are brought back into it: a start
// outside becomes 0, a length outside the whole file. A file of unknown length (0 or
// less) changes nothing.
void FitClipToFile(TClipTiming& timing, double file_ms);

// The video time (ms) for slide-local time `x`. `earliest` is the first time the host can
// draw; `clip_shift` (clip start − this slide's start) lets a clip that spans slides run
// on. Before the clip starts, its first frame; after its length, its last. A speed of 0 or
// less, or none at all, plays at normal speed.
double VideoTimeAt(const TClipTiming& timing, double x, double earliest, double clip_shift);

enum class TDeinterlaceType { Auto = 0, Wave = 1, BobEven = 2, BobOdd = 3 };

// Which field to show: 0 both, 1 the even lines, 2 the odd lines. `first_half`: the
// video time lies in the first half of the shown frame's time.
int FieldChoice(TDeinterlaceType type, bool interlaced, bool bottom_field_first, bool first_half);
// Whether `video_ms` lies before the middle of frame `index`'s time.
bool InFirstHalfOfFrame(const TVideoParams& params, int64_t index, double video_ms);

// Horizontal stretch that gives frames of an aspect class their display shape.
double PixelAspectFactor(const TVideoParams& params);

}  // namespace orv
