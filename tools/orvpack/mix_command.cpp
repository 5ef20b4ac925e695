// orvpack mix SHOW OUT.wav [--from MS] [--to MS]: the show's whole soundtrack over a span of
// show time (all of the show's first pass by default) as the player would play it - the
// show's music from the start, each slide's comment and clip sounds from its slide's start
// - mixed into one 44100 Hz 16-bit stereo WAV file. A show that does not open leaves no
// output behind.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/audio_decoders.h"
#include "audio/converter_factory.h"
#include "audio/media_probe.h"
#include "command.h"
#include "show_project.h"
#include "sound_output.h"

namespace orv::orvpack {
namespace {

constexpr size_t kChunkBytes = 256 * 1024;

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

// Everything that sounds from 0 to `to` ms of show time. The soundtrack lasts until its
// last sound ends (at least until `to`), so that the end of the span cuts no item short.
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

// The mixer of the soundtrack, or null when nothing sounds.
Ref<TWavConverter> SoundtrackMixer(const TCompositeParams& soundtrack) {
  const std::string description = WriteCompositeDescription(soundtrack);
  TMemoryStream unused;
  TMediaInfo info;
  if (!ProbeMedia(unused, description, info)) return nullptr;
  return CreateConverter(nullptr, description, info);
}

void WriteSilence(int64_t bytes, TWavOutput& output) {
  const std::vector<uint8_t> silence(kChunkBytes, 0);
  for (int64_t left = bytes; left > 0; left -= kChunkBytes)
    output.Write(silence.data(), static_cast<size_t>(std::min<int64_t>(left, kChunkBytes)));
}

void WriteMix(TWavConverter& mixer, int64_t bytes, TWavOutput& output) {
  for (int64_t left = bytes; left > 0;) {
    const auto count = static_cast<size_t>(std::min<int64_t>(left, kChunkBytes));
    mixer.Fill(count);
    output.Write(mixer.Output().Data(), count);
    mixer.Output().Take(count);
    left -= static_cast<int64_t>(count);
  }
}

}  // namespace

int RunMix(const Args& args) {
  const std::optional<TSoundRangeArgs> parsed = ParseSoundRangeArgs(args);
  if (!parsed) {
    std::fprintf(stderr, "usage: orvpack mix SHOW OUT.wav [--from MS] [--to MS]\n");
    return kExitBadInput;
  }
  InstallAudioDecoders();
  const Ref<TOrvShowLocator> show = OpenShow(parsed->Input);
  SetAudioOpener(ShowAudioOpener(show->Accessor()));
  const Ref<TOrvMusicSource> music = OpenMusicSource(*show);
  const double to = parsed->To.value_or(music->TotalLength());
  if (to > TVolumeParams::kMaxTimeMs || to - parsed->From > TWavOutput::kMaxDataBytes / 176.4) {
    std::fprintf(stderr, "orvpack mix: the span is too long for a WAV file\n");
    return kExitBadInput;
  }
  const int64_t bytes = parsed->From < to ? MsToStandardBytes(to) - MsToStandardBytes(parsed->From) : 0;
  TWavOutput output(parsed->Output);
  const TCompositeParams soundtrack = Soundtrack(*music, to);
  if (Ref<TWavConverter> mixer = soundtrack.Items.empty() || to <= 0 ? nullptr : SoundtrackMixer(soundtrack)) {
    mixer->Seek(parsed->From);
    WriteMix(*mixer, bytes, output);
  } else {
    WriteSilence(bytes, output);
  }
  output.Commit();
  return kExitOk;
}

}  // namespace orv::orvpack
