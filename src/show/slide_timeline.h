// The time table of a show and its virtual slide indexes: −1 is the lead-in before the first
// slide, indexes at or past the slide count are the later passes of a repeating show. Every
// index and every time has an answer, whatever the table holds.
#pragma once

#include <climits>
#include <vector>

#include "base/text.h"

namespace orv {

// One slide's place on the show timeline, in ms.
struct TSlideTimes {
  double StartTime = 0;     // the end of the previous slide
  double EndTime = 0;
  double EffectIn = 0;      // the transition into this slide, at most the slide's length
  double EffectNext = 0;    // the transition into the following slide
  double VisibleUntil = 0;  // EndTime + EffectNext: the slide stays during that transition
};

struct TSlideInfo : TSlideTimes {
  WideString SlideId;
};

class TSlideTimeline {
public:
  static constexpr double kLeadInStart = -1073741823;
  static constexpr double kBeforeLeadInStart = -2147483647;
  static constexpr int kLastIndex = INT_MAX;

  TSlideTimeline() = default;
  // The slides must follow each other: each starts where the previous one ends.
  explicit TSlideTimeline(std::vector<TSlideInfo> slides);

  int Count() const noexcept { return static_cast<int>(FSlides.size()); }
  const TSlideInfo& At(int slide) const { return FSlides.at(slide); }
  double TotalDuration() const noexcept { return FSlides.empty() ? 0 : FSlides.back().EndTime; }

  // The times of a virtual index and the number of whole passes before it (−1 for the
  // lead-in and earlier). A show without slides has only the lead-in: every index from 0
  // on gives an empty block at 0.
  int GetSlideTimes(int index, TSlideTimes& block) const;
  // The smallest virtual index whose block holds `time` (StartTime ≤ time ≤ EndTime);
  // −1 for times up to 0. A show of zero length stays on its last slide after 0; times
  // past the last index the integers can hold give that index.
  int FindSlideAt(double time) const;

private:
  // The first slide of pass `pass` ending at or after `time`; Count() when none does.
  int FirstEndingAtOrAfter(double time, int pass) const;
  double PassOffset(int pass) const noexcept { return pass * TotalDuration(); }
  // The pass that holds the last index the integers can hold.
  int LastPass() const noexcept { return kLastIndex / Count(); }

  std::vector<TSlideInfo> FSlides;
  // The end times again, packed tightly: searching them touches far less memory.
  std::vector<double> FEnds;
};

}  // namespace orv
