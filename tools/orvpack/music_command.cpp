// orvpack music SHOW: every sound of the show as the player places it, one JSON object per
// line (the show's music, then each slide's comment and clip sounds on the show timeline),
// then the length of the whole soundtrack.
#include <algorithm>
#include <cstdio>

#include "command.h"
#include "json_text.h"
#include "show/music_source.h"
#include "show_project.h"

namespace orv::orvpack {
namespace {

const char* KindName(TMusicSoundKind kind) {
  switch (kind) {
    case TMusicSoundKind::Comment:
      return "comment";
    case TMusicSoundKind::Clip:
      return "clip";
    case TMusicSoundKind::Music:
      break;
  }
  return "music";
}

void PrintSound(const TMusicSound& sound, double origin) {
  std::printf("{\"kind\":\"%s\",\"file\":%s,\"start\":%s,\"length\":%s,\"offset\":%s,\"volume\":%s,\"fadein\":%s,"
              "\"fadeout\":%s}\n",
              KindName(sound.Kind), JsonString(sound.FileName).c_str(), Number(origin + sound.Start).c_str(),
              Number(sound.Length).c_str(), Number(sound.Offset).c_str(), Number(sound.Volume).c_str(),
              Number(sound.FadeIn).c_str(), Number(sound.FadeOut).c_str());
}

}  // namespace

int RunMusic(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: orvpack music SHOW\n");
    return kExitBadInput;
  }
  const Ref<TOrvMusicSource> music = OpenMusicSource(*OpenShow(args[0]));
  double total = 0;
  if (music->Enabled()) {
    for (const TMusicSound& sound : music->MainSounds()) PrintSound(sound, 0);
    if (music->MainList().Count() > 0) total = music->MainList().TotalLength();
    for (int k = 0; k < music->SlideCount(); ++k) {
      const TSlideMusicInfo& slide = music->SlideMusicInfo(k);
      for (const TMusicSound& sound : slide.Sounds) PrintSound(sound, slide.Times.StartTime);
      if (!slide.Comment.empty()) total = std::max(total, slide.Times.StartTime + slide.CommentLength);
    }
  }
  std::printf("{\"total\":%s}\n", Number(total).c_str());
  return kExitOk;
}

}  // namespace orv::orvpack
