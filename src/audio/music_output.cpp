#include "audio/music_output.h"

#include <algorithm>

#include "audio/media_probe.h"
#include "audio/wave_format.h"
#include "base/log.h"

namespace orv {

namespace {

// A composite description is its own text: nothing is read for it.
StreamPtr OpenSource(const TAudioOpener& opener, const std::string& source) {
  if (source.starts_with(kCompositeMarker)) return std::make_unique<TMemoryStream>();
  return opener(source);
}

}  // namespace

Ref<TMusicPlayerClass> TMusicPlayerClass::Create(const TAudioDeviceMaker& maker) {
  Ref<TMusicPlayerClass> output = Ref<TMusicPlayerClass>::Adopt(new TMusicPlayerClass());
  output->FDevice = maker(output->FMixer);
  if (!output->FDevice || !output->FDevice->Usable()) return nullptr;
  output->FKiller.Start();
  return output;
}

std::unique_ptr<TAudioDevice> TMusicPlayerClass::SoundCard(TAudioRenderer& renderer) {
  return TSdlAudioDevice::Open(renderer);
}

void TMusicPlayerClass::Dispose() {
  // The clock polls the device: it goes first, then the device stops calling the mixer.
  FClock.reset();
  FDevice.reset();
  FKiller.Stop();
  TMusicPlayer::Dispose();
}

float TMusicPlayerClass::MasterVolume() const {
  std::lock_guard lock(FLock);
  return FMasterVolume;
}

void TMusicPlayerClass::SetMasterVolume(float volume) {
  std::lock_guard lock(FLock);
  FMasterVolume = volume;
  for (TChannelMusic* channel : FChannels) channel->SetMasterFactor(volume);
}

void TMusicPlayerClass::SetOpener(TAudioOpener opener) {
  std::lock_guard lock(FLock);
  FOpener = std::move(opener);
}

TAudioOpener TMusicPlayerClass::Opener() const {
  std::lock_guard lock(FLock);
  return FOpener;
}

TTimerChannel& TMusicPlayerClass::Clock() {
  std::lock_guard lock(FLock);
  if (!FClock) {
    FClock = std::make_unique<TTimerChannel>(*FDevice);
    FClock->Start();
  }
  return *FClock;
}

Ref<TChannelMusic> TMusicPlayerClass::CreateChannel(const std::string& source, double start_ms) {
  const TAudioOpener opener = Opener();
  StreamPtr stream = OpenSource(opener, source);
  TMediaInfo info;
  std::string reason;
  if (!stream || !ProbeMedia(*stream, source, info, &reason)) {
    Log().Write("!!! Can't play " + source + (reason.empty() ? "" : ": " + reason));
    return nullptr;
  }
  return CreateChannel(source, info, ConverterSource(source, info), start_ms);
}

Ref<TChannelMusic> TMusicPlayerClass::CreateChannel(const std::string& name, const TMediaInfo& info,
                                                    TConverterSource converters, double start_ms) {
  auto channel = MakeRef<TChannelMusic>(Ref<TMusicPlayerClass>::Share(this), name, info, std::move(converters));
  if (start_ms != kNoStart) channel->Seek(start_ms);
  return channel;
}

TConverterSource TMusicPlayerClass::ConverterSource(const std::string& source, const TMediaInfo& info) const {
  return [opener = Opener(), source, info]() -> Ref<TWavConverter> {
    StreamPtr stream = OpenSource(opener, source);
    if (!stream) return nullptr;
    Ref<TWavConverter> converter = CreateConverter(std::move(stream), source, info);
    if (converter) converter->SetOutputFormat(StandardWaveFormat());
    return converter;
  };
}

void TMusicPlayerClass::Register(TChannelMusic& channel) {
  std::lock_guard lock(FLock);
  FChannels.push_back(&channel);
  if (FMasterVolume != 1) channel.SetMasterFactor(FMasterVolume);
}

void TMusicPlayerClass::Unregister(TChannelMusic& channel) {
  std::lock_guard lock(FLock);
  std::erase(FChannels, &channel);
}

}  // namespace orv
