#include "show/slide_navigation.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace orv {
namespace {

constexpr double kBackAgainWithin = 500;  // ms after a slide became fully shown

TSlideTimes TimesOf(const TOrvSource& source, int index) {
  TSlideTimes times;
  source.GetSlideTimes(index, times);
  return times;
}

int Rounded(double time) { return int(std::lround(time)); }

bool IsShowEnd(const TOrvSource& source, int index) {
  return source.RepeatMode() != TRepeatMode::Repeat && index == source.SlideCount();
}

// The moment the transition into the slide is over.
int FullyShown(const TOrvSource& source, int index) {
  const TSlideTimes times = TimesOf(source, index);
  return Rounded(times.StartTime + times.EffectIn);
}

}  // namespace

int SlideStartTime(const TOrvSource& source, int index) {
  index = std::max(index, 0);
  const TSlideTimes times = TimesOf(source, index);
  return Rounded(times.StartTime) + (times.EffectIn == 0 && !IsShowEnd(source, index) ? 1 : 0);
}

int NextSlideTime(const TOrvSource& source, double time, bool paused) {
  const int last = source.RepeatMode() == TRepeatMode::Repeat ? INT_MAX - 1 : source.SlideCount() - 1;
  int index = std::min(source.FindSlideAt(time), last);
  TSlideTimes times;
  int start;
  do {
    ++index;
    times = TimesOf(source, index);
    start = Rounded(times.StartTime);
  } while (start <= time && index < last);
  if (times.EffectIn == 0 && !IsShowEnd(source, index)) return start + 1;
  return paused ? start + Rounded(times.EffectIn) : start;
}

int PreviousSlideTime(const TOrvSource& source, double time) {
  int index = source.FindSlideAt(time);
  if (time < TimesOf(source, index).EndTime) {
    if (index < 2) return 0;
    --index;
  }
  const int shown = FullyShown(source, index);
  if (time - shown >= kBackAgainWithin) return std::max(shown, 0);
  if (index <= 1) return 0;
  return std::max(FullyShown(source, index - 1), 0);
}

int SlideIndexOfId(const TOrvSource& source, WideView id) {
  for (int index = 0; index < source.SlideCount(); ++index)
    if (source.SlideId(index) == id) return index;
  return -1;
}

}  // namespace orv
