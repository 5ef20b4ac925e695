// The show source on arbitrary project text: whatever the project says, every question the
// source answers has an answer, and the time table keeps its order.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "project/ini_file.h"
#include "show/orv_source.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckSlide(orv::TOrvSource& source, int index) {
  orv::TSlideTimes times;
  source.GetSlideTimes(index, times);
  Check(times.StartTime <= times.EndTime);
  Check(times.EffectIn >= 0 && times.EffectIn <= times.EndTime - times.StartTime);
  Check(times.EffectNext >= 0 && times.VisibleUntil == times.EndTime + times.EffectNext);
  if (index >= -1 && times.EndTime > times.StartTime) Check(source.FindSlideAt((times.StartTime + times.EndTime) / 2) == index);
  double duration = 0, smoothness = 0, loop = 0;
  if (const orv::Ref<orv::TOrvEffect> effect = source.CreateSlideEffect(index, duration, smoothness))
    Check(duration > 0 && effect->Variants >= 1 && effect->CountVariants() >= 1);
  if (source.GetEndAction(index, loop)) Check(loop >= 0);
  orv::WideString file;
  source.GetRunApp(index, file);
  (void)source.SlideId(index);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto project = orv::MakeRef<orv::TIniFile>();
  project->LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  orv::TOrvSourceSettings settings;
  settings.ProgramFile.clear();
  settings.RandomSeed = 1;
  auto source = orv::MakeRef<orv::TOrvSource>(project, settings);

  const int count = source->SlideCount();
  for (int index = -2; index < std::min(count, 64) + 2; ++index) CheckSlide(*source, index);
  for (int index : {INT_MIN, count * 3 + 1, INT_MAX}) CheckSlide(*source, index);
  const double total = source->TotalDuration();
  for (double time : {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity(), 0.0, 0.5,
                      total, total * 3.5, 1e300, std::numeric_limits<double>::infinity()})
    Check(source->FindSlideAt(time) >= -1);
  return 0;
}
