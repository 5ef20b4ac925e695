#include "show/slide_timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orv {
namespace {

// Slides ending at `ends`, each entered through a transition of `effect` ms (clipped).
TSlideTimeline Timeline(std::vector<double> ends, double effect = 0) {
  std::vector<TSlideInfo> slides(ends.size());
  double start = 0;
  for (size_t i = 0; i < ends.size(); ++i) {
    slides[i].StartTime = start;
    slides[i].EndTime = ends[i];
    slides[i].EffectIn = std::min(effect, ends[i] - start);
    slides[i].EffectNext = effect;
    slides[i].VisibleUntil = ends[i] + effect;
    start = ends[i];
  }
  return TSlideTimeline(std::move(slides));
}

TEST(SlideTimeline, VirtualIndexesCoverLeadInAndLaterPasses) {
  const TSlideTimeline timeline = Timeline({3000, 5000, 9000}, 500);
  struct Case {
    int index;
    int loop;
    TSlideTimes times;
  } cases[] = {
      {-7, -1, {-2147483647, -1073741823, 0, 0, -1073741823}},
      {-2, -1, {-2147483647, -1073741823, 0, 0, -1073741823}},
      {-1, -1, {-1073741823, 0, 0, 500, 500}},
      {0, 0, {0, 3000, 500, 500, 3500}},
      {2, 0, {5000, 9000, 500, 500, 9500}},
      {3, 1, {9000, 12000, 500, 500, 12500}},
      {7, 2, {21000, 23000, 500, 500, 23500}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    TSlideTimes times;
    EXPECT_EQ(timeline.GetSlideTimes(c.index, times), c.loop);
    EXPECT_EQ(times.StartTime, c.times.StartTime);
    EXPECT_EQ(times.EndTime, c.times.EndTime);
    EXPECT_EQ(times.EffectIn, c.times.EffectIn);
    EXPECT_EQ(times.EffectNext, c.times.EffectNext);
    EXPECT_EQ(times.VisibleUntil, c.times.VisibleUntil);
  }
  TSlideTimes last;
  EXPECT_EQ(timeline.GetSlideTimes(INT_MAX, last), INT_MAX / 3);
  EXPECT_EQ(last.EndTime, 5000 + double(INT_MAX / 3) * 9000);  // INT_MAX is slide 1 of its pass
}

TEST(SlideTimeline, FindSlideAtBoundaries) {
  // The second slide has no length: a time on its boundary belongs to the first.
  const TSlideTimeline timeline = Timeline({3000, 3000, 5000});
  const std::pair<double, int> cases[] = {
      {-5e9, -1},   {-1, -1},     {0, -1},      {0.001, 0},   {3000, 0},    {3000.5, 2},
      {5000, 2},    {5000.5, 3},  {8000, 3},    {8000.25, 5}, {10000, 5},   {10000.1, 6},
      {std::numeric_limits<double>::quiet_NaN(), -1},
      {1e300, INT_MAX},
      {std::numeric_limits<double>::infinity(), INT_MAX},
  };
  for (const auto& [time, index] : cases) {
    SCOPED_TRACE(time);
    EXPECT_EQ(timeline.FindSlideAt(time), index);
  }
}

TEST(SlideTimeline, FindSlideAtAgreesWithTheBlocksInEveryPass) {
  const TSlideTimeline timeline = Timeline({1000, 1700, 4100, 4100, 6666});
  for (int index = 0; index < 5 * 1000; index += 7) {
    TSlideTimes times;
    timeline.GetSlideTimes(index, times);
    if (times.EndTime == times.StartTime) continue;
    for (double time : {times.StartTime + 0.5, (times.StartTime + times.EndTime) / 2, times.EndTime}) {
      ASSERT_EQ(timeline.FindSlideAt(time), index) << time;
    }
  }
}

TEST(SlideTimeline, TheLastIndexesOfTheIntegersAreFound) {
  const TSlideTimeline timeline = Timeline({1000, 2000, 3000});
  for (int index : {INT_MAX - 1, INT_MAX}) {
    TSlideTimes times;
    timeline.GetSlideTimes(index, times);
    EXPECT_EQ(timeline.FindSlideAt(times.EndTime - 1), index);
  }
}

TEST(SlideTimeline, ShowsWithoutLengthOrSlidesStillAnswer) {
  const TSlideTimeline empty;
  TSlideTimes times;
  EXPECT_EQ(empty.FindSlideAt(100), -1);
  EXPECT_EQ(empty.GetSlideTimes(5, times), 0);
  EXPECT_EQ(times.EndTime, 0);
  EXPECT_EQ(empty.GetSlideTimes(-1, times), -1);
  EXPECT_EQ(times.EffectNext, 0);

  const TSlideTimeline zero = Timeline({0, 0, 0});
  EXPECT_EQ(zero.TotalDuration(), 0);
  EXPECT_EQ(zero.FindSlideAt(0), -1);
  EXPECT_EQ(zero.FindSlideAt(1e12), 2);
  EXPECT_EQ(zero.GetSlideTimes(1000000, times), 333333);
  EXPECT_EQ(times.StartTime, 0);
}

}  // namespace
}  // namespace orv
