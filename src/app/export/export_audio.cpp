#include "app/export/export_audio.h"

#include <chrono>
#include <thread>

#include "base/log.h"
#include "show/soundtrack.h"

namespace orv {

std::unique_ptr<TExportAudio> TExportAudio::Open(TIniFile& project, Ref<TFileAccessor> accessor, double from,
                                                 double to) {
  TOrvSourceSettings settings;
  settings.ProgramFile.clear();  // the show itself, not a screen saver
  const auto source = MakeRef<TOrvSource>(Ref<TIniFile>::Share(&project), settings);
  const auto music = MakeRef<TOrvMusicSource>(*source);
  const std::string description = music->Enabled() && to > 0 ? SoundtrackDescription(*music, to) : std::string();
  if (description.empty()) return nullptr;
  SetAudioOpener(ShowAudioOpener(std::move(accessor)));
  Ref<TMusicPlayerClass> output = TMusicPlayerClass::Create(
      [](TAudioRenderer& renderer) { return std::make_unique<TOfflineAudioDevice>(renderer); });
  Ref<TChannelMusic> channel = output ? output->CreateChannel(description, from) : nullptr;
  // No fade: the samples are the mix's own from the first.
  if (!channel || !channel->Play(0)) return nullptr;
  return std::unique_ptr<TExportAudio>(new TExportAudio(std::move(output), std::move(channel)));
}

TExportAudio::TExportAudio(Ref<TMusicPlayerClass> output, Ref<TChannelMusic> channel)
    : FOutput(std::move(output)), FChannel(std::move(channel)) {}

// The decoders fill their rings on their own threads in real time; a writer faster than
// that waits for them rather than take silence.
const std::vector<int16_t>& TExportAudio::Pull(size_t frames) {
  for (int waited = 0; !FOutput->Mixer().Buffered(frames); ++waited) {
    if (waited == kBufferWaitMs) {
      Log().Write("Export: the sound was not decoded in time; it has a gap");
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return static_cast<TOfflineAudioDevice&>(FOutput->Device()).Pull(frames);
}

}  // namespace orv
