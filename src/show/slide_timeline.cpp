#include "show/slide_timeline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/assertions.h"

namespace orv {

TSlideTimeline::TSlideTimeline(std::vector<TSlideInfo> slides) : FSlides(std::move(slides)) {
  double previous_end = 0;
  FEnds.reserve(FSlides.size());
  for (const TSlideInfo& slide : FSlides) {
    ORV_ASSERT(slide.StartTime == previous_end && slide.EndTime >= slide.StartTime, "Incorrect time");
    previous_end = slide.EndTime;
    FEnds.push_back(slide.EndTime);
  }
}

int TSlideTimeline::GetSlideTimes(int index, TSlideTimes& block) const {
  block = TSlideTimes{};
  if (index <= -2) {
    block.StartTime = kBeforeLeadInStart;
    block.EndTime = block.VisibleUntil = kLeadInStart;
    return -1;
  }
  if (index == -1) {
    block.StartTime = kLeadInStart;
    block.EffectNext = block.VisibleUntil = FSlides.empty() ? 0 : FSlides.front().EffectIn;
    return -1;
  }
  if (FSlides.empty()) return 0;
  const int pass = index / Count();
  block = FSlides[index % Count()];
  const double offset = PassOffset(pass);
  block.StartTime += offset;
  block.EndTime += offset;
  block.VisibleUntil += offset;
  return pass;
}

int TSlideTimeline::FirstEndingAtOrAfter(double time, int pass) const {
  const double offset = PassOffset(pass);
  const auto found = std::partition_point(FEnds.begin(), FEnds.end(), [&](double end) { return end + offset < time; });
  return static_cast<int>(found - FEnds.begin());
}

int TSlideTimeline::FindSlideAt(double time) const {
  if (FSlides.empty() || !(time > 0)) return -1;
  const double total = TotalDuration();
  if (time <= total) return FirstEndingAtOrAfter(time, 0);
  if (total <= 0) return Count() - 1;
  const double passes = std::ceil(time / total) - 1;
  if (!(passes <= LastPass())) return kLastIndex;
  // The division may be off by one pass at a pass boundary; the blocks themselves decide.
  int pass = static_cast<int>(passes);
  while (pass > 0 && time <= FEnds.back() + PassOffset(pass - 1)) --pass;
  for (; pass <= LastPass(); ++pass) {
    const int slide = FirstEndingAtOrAfter(time, pass);
    if (slide < Count()) return static_cast<int>(std::min<int64_t>(int64_t(pass) * Count() + slide, kLastIndex));
  }
  return kLastIndex;
}

}  // namespace orv
