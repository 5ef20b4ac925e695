#include "audio/channel_music.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "audio/audio_mixer.h"
#include "audio/channel_killer.h"
#include "audio/music_output.h"
#include "audio/volume.h"
#include "base/log.h"

namespace orv {

namespace {
using TState = TMusicChannel::TState;
using namespace std::chrono_literals;

constexpr auto kWaitStep = 10ms;
constexpr auto kWaitLimit = 3000ms;
// A mixer that has not rendered for this long plays nothing out: waiting for it is useless.
constexpr auto kMixerIdle = 50ms;
}  // namespace

TChannelMusic::TChannelMusic(Ref<TMusicPlayerClass> owner, std::string source_name, const TMediaInfo& info,
                             TConverterSource converters)
    : FOwner(std::move(owner)), FSourceName(std::move(source_name)), FInfo(info), FConverters(std::move(converters)) {
  FOwner->Register(*this);
}

void TChannelMusic::Dispose() {
  FadeOutAndWait();
  FOwner->Unregister(*this);
  TRefObject::Dispose();
}

float TChannelMusic::Volume() const { return ReadGainPart(FVolume); }

void TChannelMusic::SetVolume(float volume) { SetGainPart(FVolume, volume); }

float TChannelMusic::MasterFactor() const { return ReadGainPart(FMasterFactor); }

void TChannelMusic::SetMasterFactor(float factor) { SetGainPart(FMasterFactor, factor); }

float TChannelMusic::ReadGainPart(const float& part) const {
  std::lock_guard lock(FLock);
  return part;
}

void TChannelMusic::SetGainPart(float& part, float value) {
  std::lock_guard lock(FLock);
  part = value;
  ApplyGain();
}

int TChannelMusic::Attenuation() const {
  std::lock_guard lock(FLock);
  return GainToAttenuation(double(FVolume) * FMasterFactor);
}

void TChannelMusic::ApplyGain() {
  const float amplitude = float(AttenuationToAmplitude(GainToAttenuation(double(FVolume) * FMasterFactor)));
  for (auto& stream : FStreams) stream->SetAmplitude(amplitude);
}

bool TChannelMusic::Play(double fade_in_ms) {
  std::lock_guard lock(FLock);
  Ref<TMusicChannel> current = Current();
  if (current && current->State() == TState::Playing) return true;
  if (!current || current->State() != TState::Ready) current = NewStream(FSavedPosition);
  if (!current) return false;
  if (current->Play(fade_in_ms)) return true;
  Log().Write("!!! No room in the mix for " + FSourceName);
  return false;
}

void TChannelMusic::Stop(double fade_out_ms) {
  std::lock_guard lock(FLock);
  Ref<TMusicChannel> current = Current();
  if (!current || current->State() != TState::Playing) return;
  FSavedPosition = current->Position();
  current->Stop(fade_out_ms);
}

void TChannelMusic::Seek(double ms) {
  std::lock_guard lock(FLock);
  FSavedPosition = ms;
  Ref<TMusicChannel> current = Current();
  if (current && current->State() == TState::Ready) {
    current->Seek(ms);
    return;
  }
  Ref<TMusicChannel> next = NewStream(ms);
  if (!current || current->State() != TState::Playing) return;
  // The new stream starts before the old one fades, so that a block mixed in between
  // overlaps the two rather than leaving a gap.
  if (next) next->Play(kCrossFadeMs);
  current->Stop(kCrossFadeMs);
}

double TChannelMusic::Position() const {
  std::lock_guard lock(FLock);
  Ref<TMusicChannel> current = Current();
  if (current && current->State() != TState::FadingOut) return current->Position();
  return FSavedPosition;
}

bool TChannelMusic::IsPlaying() const {
  std::lock_guard lock(FLock);
  Ref<TMusicChannel> current = Current();
  return current && current->State() == TState::Playing;
}

void TChannelMusic::SetEndHandler(TEndHandler handler) {
  std::lock_guard lock(FLock);
  FEndHandler = std::move(handler);
}

Ref<TMusicChannel> TChannelMusic::TakePlayedOut(TMusicChannel& stream) {
  Ref<TMusicChannel> taken;
  TEndHandler handler;
  {
    std::lock_guard lock(FLock);
    auto found = std::find_if(FStreams.begin(), FStreams.end(), [&](auto& s) { return s.Get() == &stream; });
    if (found == FStreams.end()) return nullptr;
    if (found + 1 == FStreams.end() && stream.EndedByData()) handler = FEndHandler;
    taken = std::move(*found);
    FStreams.erase(found);
  }
  if (handler) handler(*this);
  return taken;
}

Ref<TMusicChannel> TChannelMusic::Current() const { return FStreams.empty() ? nullptr : FStreams.back(); }

Ref<TMusicChannel> TChannelMusic::NewStream(double ms) {
  // A stream that never played is not in the mix: it simply goes.
  std::erase_if(FStreams, [](auto& stream) { return stream->State() == TState::Ready; });
  Ref<TWavConverter> converter = FConverters();
  if (!converter) {
    Log().Write("!!! Can't open the sound " + FSourceName);
    return nullptr;
  }
  auto stream = MakeRef<TMusicChannel>(*this, FOwner->Mixer(), std::move(converter));
  stream->Seek(ms);
  FStreams.push_back(stream);
  ApplyGain();
  return stream;
}

void TChannelMusic::FadeOutAndWait() {
  {
    std::lock_guard lock(FLock);
    std::erase_if(FStreams, [](auto& stream) { return stream->State() == TState::Ready; });
    for (auto& stream : FStreams) stream->Stop(kCrossFadeMs);
  }
  TAudioMixer& mixer = FOwner->Mixer();
  uint64_t passes = mixer.Passes();
  auto last_pass = std::chrono::steady_clock::now();
  for (auto waited = 0ms; waited < kWaitLimit; waited += kWaitStep) {
    {
      std::lock_guard lock(FLock);
      if (FStreams.empty()) return;
    }
    std::this_thread::sleep_for(kWaitStep);
    const auto now = std::chrono::steady_clock::now();
    if (mixer.Passes() != passes) {
      passes = mixer.Passes();
      last_pass = now;
    } else if (now - last_pass > kMixerIdle) {
      break;
    }
  }
  // Taken out here only when nothing plays them out; the killer's lock keeps it from
  // handling the same streams meanwhile.
  std::vector<Ref<TMusicChannel>> left;
  std::lock_guard kill(FOwner->Killer().Lock());
  std::lock_guard lock(FLock);
  for (auto& stream : FStreams) mixer.Remove(stream.Get());
  left.swap(FStreams);
}

}  // namespace orv
