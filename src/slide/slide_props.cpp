#include "slide/slide_props.h"

#include <algorithm>
#include <cmath>

#include "project/ini_values.h"

namespace orv {

namespace {

int RoundMs(double value) {
  const double rounded = std::nearbyint(value);
  // Show times come from 32-bit keys; anything beyond is nonsense that must not overflow.
  return static_cast<int>(std::clamp(std::isnan(rounded) ? 0.0 : rounded, -2147483647.0, 2147483647.0));
}

// "ScaleTimes": authored slide length, incoming and outgoing transition; all 0 unless the
// value is exactly three integers.
struct TAuthoredTimes {
  int Length = 0;
  int In = 0;
  int Out = 0;
};

TAuthoredTimes ReadScaleTimes(const TIniSection& slide) {
  const auto parts = SplitList(ReadUtf8(slide.FindKey("ScaleTimes")));
  if (parts.size() != 3) return {};
  return {ParseInteger(parts[0]).value_or(0), ParseInteger(parts[1]).value_or(0), ParseInteger(parts[2]).value_or(0)};
}

}  // namespace

TKeyTimes SlideKeyTimes(double start, double end, double effect_in, double effect_next) {
  const int outgoing = RoundMs(effect_next);
  return {RoundMs(double(RoundMs(end - start)) + outgoing), RoundMs(effect_in), outgoing};
}

bool LoadSlideProps(TOrvObjectProps& root, const TIniSection& slide, const TKeyTimes& times) {
  TIniObject* container = slide.FindObjectOfClass("Container", "Root");
  if (!container) return false;
  const int mode = ReadInteger(slide.FindKey("ScaleMode"), 0);
  const TAuthoredTimes authored = ReadScaleTimes(slide);
  // Mode 1 stretches the whole authored slide, mode 2 the part before the outgoing transition.
  double divisor = 0;
  double length = times.SlideLength;
  if (mode == 1) {
    divisor = double(authored.Length) + authored.Out;
  } else if (mode == 2) {
    divisor = authored.Length;
    length -= times.NextEffectTime;
  }
  const double factor = divisor != 0 ? length / divisor : 0;
  if (factor == 0) {
    root.LoadProps(*container, times);
    return true;
  }
  root.LoadProps(*container, {RoundMs(double(authored.Length) + authored.Out), authored.In, authored.Out});
  root.Rescale(times, factor);
  return true;
}

}  // namespace orv
