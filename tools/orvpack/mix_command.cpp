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
#include "show/soundtrack.h"
#include "show_project.h"
#include "sound_output.h"

namespace orv::orvpack {
namespace {

constexpr size_t kChunkBytes = 256 * 1024;

// The mixer of the soundtrack, or null when nothing sounds.
Ref<TWavConverter> SoundtrackMixer(const std::string& description) {
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
  LoadPlayerLibraries();
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
  const std::string soundtrack = to > 0 ? SoundtrackDescription(*music, to) : std::string();
  if (Ref<TWavConverter> mixer = soundtrack.empty() ? nullptr : SoundtrackMixer(soundtrack)) {
    mixer->Seek(parsed->From);
    WriteMix(*mixer, bytes, output);
  } else {
    WriteSilence(bytes, output);
  }
  output.Commit();
  return kExitOk;
}

}  // namespace orv::orvpack
