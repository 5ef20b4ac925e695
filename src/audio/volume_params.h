// Volume envelopes of the items of a composite sound, and their evaluation frame by frame
// while mixing.
//
// An envelope is a list of points (time in ms from the item's start, volume in thousandths:
// 1000 leaves the sound unchanged). Compiled over the item's length it becomes segments on
// the byte positions of the standard stream (44100 Hz, 16 bits, stereo), so that mixing
// needs no time arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

struct TVolumeItem {
  double Time = 0;    // ms from the start of the item
  double Volume = 0;  // thousandths
};

// One compiled point and the segment from it to the next point.
struct TVolumeItem2 {
  int64_t Position = 0;   // bytes of the standard stream from the start of the item
  double Gain = 0;        // volume / 1000
  double Slope = 0;       // gain change per sample frame up to the next point
  bool Unchanged = false; // the gain stays within 0.99 … 1.01 over the segment
  bool Last = false;
};

class TVolumeParams {
 public:
  // Gains are held to this: beyond it a volume is damage, and the bound keeps every sum of
  // samples within 64 bits.
  static constexpr double kMaxVolume = 1000000;
  // Times are held to ± this many ms (about three years), which keeps every byte position
  // within 64 bits.
  static constexpr double kMaxTimeMs = 1e11;

  void Add(double time_ms, double volume);
  const std::vector<TVolumeItem>& Items() const noexcept { return FItems; }
  bool Empty() const noexcept { return FItems.empty(); }

  // Compiles the points over an item of `length_ms`: sorted by time, of points with one
  // time the last added kept, and a final point at the length repeating the volume of the
  // point added last.
  void Compile(double length_ms);
  const std::vector<TVolumeItem2>& Segments() const noexcept { return FSegments; }

  // Evaluation, after Compile: the gain at byte position `position` of the item. Before
  // the first point the gain is the first point's; at or past the last point the envelope
  // has ended.
  void SetPosition(int64_t position);
  // Moves on by one sample frame (4 bytes).
  void Step();
  // Moves on by `frames` sample frames at once.
  void Skip(int64_t frames) { SetPosition(FPosition + frames * 4); }
  // Sample frames until the gain starts a new segment (at least 1; large once ended).
  int64_t FramesToNextPoint() const noexcept;
  double Gain() const noexcept { return FGain; }
  bool Ended() const noexcept { return FEnded; }
  // The gain stays as it is up to the next point.
  bool Flat() const noexcept;

 private:
  void EnterSegment(size_t segment, int64_t frames_in);
  void UpdateGain();

  std::vector<TVolumeItem> FItems;
  std::vector<TVolumeItem2> FSegments;
  size_t FSegment = 0;
  // Frames from the current segment's point (negative before the first point).
  int64_t FFramesIn = 0;
  int64_t FPosition = 0;
  double FGain = 1;
  bool FEnded = true;
};

// The envelopes of one item (their gains multiply), or the show-wide master envelopes.
class TVolumeParamsList {
 public:
  // The length of the automatic fades at both ends of an item, which keep every item from
  // starting or stopping with a click.
  static constexpr double kEdgeFadeMs = 10;

  // `edge_fades`: an item's list, which gets the automatic envelope when compiled; the
  // master list does not.
  TVolumeParamsList() = default;
  explicit TVolumeParamsList(bool edge_fades) : FEdgeFades(edge_fades) {}

  TVolumeParams& Add();
  void Add(TVolumeParams params);
  const std::vector<TVolumeParams>& Envelopes() const noexcept { return FEnvelopes; }
  std::vector<TVolumeParams>& Envelopes() noexcept { return FEnvelopes; }
  bool EdgeFades() const noexcept { return FEdgeFades; }

  void Compile(double length_ms);
  void SetPosition(int64_t position);
  void Step();
  void Skip(int64_t frames);
  // Frames over which every envelope stays in its segment.
  int64_t FramesToNextPoint() const noexcept;
  // The product of the envelopes' gains, held to TVolumeParams::kMaxVolume / 1000.
  double Gain() const noexcept;
  bool Ended() const noexcept;
  bool Flat() const noexcept;

 private:
  std::vector<TVolumeParams> FEnvelopes;
  // The compiled envelopes: the listed ones and, for an item, the automatic one.
  std::vector<TVolumeParams> FCompiled;
  bool FEdgeFades = true;
};

}  // namespace orv
