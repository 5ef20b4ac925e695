#include "show/soundtrack.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

// Places a description's items at `at` on the soundtrack, each cut to its description's
// length as the description's own player would cut it.
void AddDescription(TCompositeParams& soundtrack, const std::string& text, double at) {
  std::optional<TCompositeParams> params = ParseCompositeDescription(text);
  if (!params) return;
  for (TCompositeItem& item : params->Items) {
    const double room = params->Duration - item.TimeLine;
    item.Duration = item.Duration > 0 ? std::min(item.Duration, room) : room;
    if (item.Duration <= 0) continue;
    item.TimeLine += at;
    soundtrack.Items.push_back(std::move(item));
  }
}

}  // namespace

TCompositeParams Soundtrack(const TOrvMusicSource& music, double to) {
  TCompositeParams soundtrack;
  soundtrack.Duration = to;
  if (!music.Enabled()) return soundtrack;
  const TPlayList& main = music.MainList();
  if (main.Count() > 0) {
    const int64_t entries = main.Repeat && main.TotalLength() > 0 ? static_cast<int64_t>(std::ceil(to / main.TotalLength()))
                                                                   : main.Count();
    for (int64_t i = 0; i < entries; ++i) AddDescription(soundtrack, main.Item(i).Name, main.Item(i).Start);
  }
  for (int k = 0; k < music.SlideCount(); ++k) {
    const TSlideMusicInfo& slide = music.SlideMusicInfo(k);
    if (!slide.Comment.empty() && slide.Times.StartTime < to) AddDescription(soundtrack, slide.Comment, slide.Times.StartTime);
  }
  for (const TCompositeItem& item : soundtrack.Items)
    soundtrack.Duration = std::max(soundtrack.Duration, item.TimeLine + item.Duration);
  return soundtrack;
}

std::string SoundtrackDescription(const TOrvMusicSource& music, double to) {
  const TCompositeParams soundtrack = Soundtrack(music, to);
  return soundtrack.Items.empty() ? std::string() : WriteCompositeDescription(soundtrack);
}

}  // namespace orv
