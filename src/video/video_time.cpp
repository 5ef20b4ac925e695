#include "video/video_time.h"

#include <algorithm>
#include <cmath>

namespace orv {

void FitClipToFile(TClipTiming& timing, double file_ms) {
  if (!(file_ms > 0)) return;
  if (!(timing.StartVideoTime >= 0 && timing.StartVideoTime <= file_ms)) timing.StartVideoTime = 0;
  if (!(timing.Duration >= 0 && timing.Duration <= file_ms)) timing.Duration = file_ms;
}

double VideoTimeAt(const TClipTiming& timing, double x, double earliest, double clip_shift) {
  const double speed = timing.FpsMultiplier > 0 && std::isfinite(timing.FpsMultiplier) ? timing.FpsMultiplier : 1;
  const double start = timing.StartOrvTime + clip_shift;
  if (!(x >= std::max(earliest, start))) return timing.StartVideoTime;
  const double played = x - start;
  if (played <= timing.Duration / speed) return timing.StartVideoTime + speed * played;
  return timing.StartVideoTime + timing.Duration;
}

int FieldChoice(TDeinterlaceType type, bool interlaced, bool bottom_field_first, bool first_half) {
  switch (type) {
    case TDeinterlaceType::Auto:
      if (!interlaced) return 0;
      return bottom_field_first == first_half ? 2 : 1;
    case TDeinterlaceType::Wave:
      return 0;
    case TDeinterlaceType::BobEven:
      return first_half ? 1 : 2;
    case TDeinterlaceType::BobOdd:
      return first_half ? 2 : 1;
  }
  return 0;
}

bool InFirstHalfOfFrame(const TVideoParams& params, int64_t index, double video_ms) {
  if (!(params.Fps > 0)) return true;
  return video_ms < double(index) * 1000 / params.Fps;
}

double PixelAspectFactor(const TVideoParams& params) {
  if (params.Width <= 0 || params.Height <= 0) return 1;
  switch (params.Aspect) {
    case TAspectClass::Standard:
      return params.Height * 1.333333 / params.Width;
    case TAspectClass::Wide:
      return params.Height * 1.777778 / params.Width;
    case TAspectClass::None:
      break;
  }
  return 1;
}

}  // namespace orv
