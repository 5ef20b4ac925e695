#include "audio/volume_params.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "audio/wave_format.h"

namespace orv {
namespace {

constexpr int64_t kFrameBytes = 4;

bool NearUnity(double gain) noexcept { return gain >= 0.99 && gain <= 1.01; }

bool EarlierPoint(double time, const TVolumeItem& point) { return time < point.Time; }

// The point that ends an envelope of `points` (sorted by time) at `length`, removing the
// points past it. An envelope that ends before the length goes on to `last_added` (the
// volume of the point added last); one that reaches past the length is cut there, at the
// volume its curve has at that time, so that a shortened item keeps the shape of its
// fades up to its end.
TVolumeItem EndPoint(std::vector<TVolumeItem>& points, double length, double last_added) {
  const auto after = std::upper_bound(points.begin(), points.end(), length, EarlierPoint);
  if (after == points.end()) return {length, last_added};
  double volume = after->Volume;
  if (after != points.begin()) {
    const TVolumeItem& before = *(after - 1);
    volume = before.Volume + (after->Volume - before.Volume) * (length - before.Time) / (after->Time - before.Time);
  }
  points.erase(after, points.end());
  return {length, volume};
}

}  // namespace

void TVolumeParams::Add(double time_ms, double volume) {
  if (!std::isfinite(time_ms)) return;
  const double bounded = std::isfinite(volume) ? std::clamp(volume, 0.0, kMaxVolume) : 0.0;
  FItems.push_back({std::clamp(time_ms, -kMaxTimeMs, kMaxTimeMs), bounded});
}

void TVolumeParams::Compile(double length_ms) {
  length_ms = std::clamp(length_ms, -kMaxTimeMs, kMaxTimeMs);
  FSegments.clear();
  FEnded = true;
  if (FItems.empty()) return;
  std::vector<TVolumeItem> points = FItems;
  std::stable_sort(points.begin(), points.end(),
                   [](const TVolumeItem& a, const TVolumeItem& b) { return a.Time < b.Time; });
  points.push_back(EndPoint(points, length_ms, FItems.back().Volume));
  // Of points with one time the last in that order wins: keep the last of each run.
  std::vector<TVolumeItem> kept;
  for (size_t i = 0; i < points.size(); ++i)
    if (i + 1 == points.size() || points[i + 1].Time != points[i].Time) kept.push_back(points[i]);

  FSegments.reserve(kept.size());
  for (const TVolumeItem& point : kept)
    FSegments.push_back({MsToStandardBytes(point.Time), point.Volume / 1000, 0, false, false});
  for (size_t i = 0; i + 1 < FSegments.size(); ++i) {
    TVolumeItem2& from = FSegments[i];
    const TVolumeItem2& to = FSegments[i + 1];
    const int64_t frames = (to.Position - from.Position) / kFrameBytes;
    from.Slope = frames > 0 ? (to.Gain - from.Gain) / static_cast<double>(frames) : 0;
    from.Unchanged = NearUnity(from.Gain) && NearUnity(to.Gain);
  }
  FSegments.back().Last = true;
  SetPosition(0);
}

void TVolumeParams::SetPosition(int64_t position) {
  FPosition = position;
  if (FSegments.empty() || position >= FSegments.back().Position) {
    FEnded = true;
    FGain = FSegments.empty() ? 1 : FSegments.back().Gain;
    return;
  }
  FEnded = false;
  const auto after = std::upper_bound(FSegments.begin(), FSegments.end(), position,
                                      [](int64_t p, const TVolumeItem2& s) { return p < s.Position; });
  const size_t segment = after == FSegments.begin() ? 0 : static_cast<size_t>(after - FSegments.begin()) - 1;
  EnterSegment(segment, (position - FSegments[segment].Position) / kFrameBytes);
}

void TVolumeParams::EnterSegment(size_t segment, int64_t frames_in) {
  FSegment = segment;
  FFramesIn = frames_in;
  UpdateGain();
}

void TVolumeParams::UpdateGain() {
  const TVolumeItem2& current = FSegments[FSegment];
  // Before the first point the first gain holds; a segment's gain is worked out from its
  // point each time, so that any position gives the same gain as stepping there.
  FGain = FFramesIn <= 0 ? current.Gain : current.Gain + static_cast<double>(FFramesIn) * current.Slope;
}

void TVolumeParams::Step() {
  if (FEnded) return;
  FPosition += kFrameBytes;
  // Before the first point the next change is that point, else the segment's end.
  const size_t next = FFramesIn < 0 ? FSegment : FSegment + 1;
  if (FPosition >= FSegments[next].Position) {
    SetPosition(FPosition);
    return;
  }
  ++FFramesIn;
  UpdateGain();
}

bool TVolumeParams::Flat() const noexcept {
  return FEnded || FFramesIn < 0 || FSegments[FSegment].Slope == 0;
}

int64_t TVolumeParams::FramesToNextPoint() const noexcept {
  if (FEnded) return std::numeric_limits<int64_t>::max();
  if (FFramesIn < 0) return -FFramesIn;
  return std::max<int64_t>((FSegments[FSegment + 1].Position - FPosition + kFrameBytes - 1) / kFrameBytes, 1);
}

TVolumeParams& TVolumeParamsList::Add() { return FEnvelopes.emplace_back(); }

void TVolumeParamsList::Add(TVolumeParams params) { FEnvelopes.push_back(std::move(params)); }

void TVolumeParamsList::Compile(double length_ms) {
  FCompiled.clear();
  for (const TVolumeParams& envelope : FEnvelopes)
    if (!envelope.Empty()) FCompiled.push_back(envelope);
  if (FEdgeFades) {
    // Items shorter than both fades fade in over one half and out over the other.
    const double fade = std::min(kEdgeFadeMs, std::max(length_ms, 0.0) / 2);
    TVolumeParams& edges = FCompiled.emplace_back();
    edges.Add(0, 0);
    edges.Add(fade, 1000);
    edges.Add(length_ms - fade, 1000);
    edges.Add(length_ms, 0);
  }
  for (TVolumeParams& envelope : FCompiled) envelope.Compile(length_ms);
}

void TVolumeParamsList::SetPosition(int64_t position) {
  for (TVolumeParams& envelope : FCompiled) envelope.SetPosition(position);
}

void TVolumeParamsList::Step() {
  for (TVolumeParams& envelope : FCompiled) envelope.Step();
}

void TVolumeParamsList::Skip(int64_t frames) {
  for (TVolumeParams& envelope : FCompiled) envelope.Skip(frames);
}

int64_t TVolumeParamsList::FramesToNextPoint() const noexcept {
  int64_t frames = std::numeric_limits<int64_t>::max();
  for (const TVolumeParams& envelope : FCompiled) frames = std::min(frames, envelope.FramesToNextPoint());
  return frames;
}

double TVolumeParamsList::Gain() const noexcept {
  double gain = 1;
  for (const TVolumeParams& envelope : FCompiled) gain *= envelope.Gain();
  return std::min(gain, TVolumeParams::kMaxVolume / 1000);
}

bool TVolumeParamsList::Ended() const noexcept {
  return std::any_of(FCompiled.begin(), FCompiled.end(), [](const TVolumeParams& e) { return e.Ended(); });
}

bool TVolumeParamsList::Flat() const noexcept {
  return std::all_of(FCompiled.begin(), FCompiled.end(), [](const TVolumeParams& e) { return e.Flat(); });
}

}  // namespace orv
