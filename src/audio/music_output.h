// The audio output: the sound device, our mixer, the channels that play sources on it, the
// channel killer, and the clock channel the show keeps time by. The music player creates
// it at start; without a device that plays sound there is none, and the show runs silent on
// the system timer.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "audio/audio_mixer.h"
#include "audio/channel_killer.h"
#include "audio/channel_music.h"
#include "audio/converter_factory.h"
#include "audio/timer_channel.h"
#include "base/ref_object.h"

namespace orv {

// What the music player asks of the output.
class TMusicPlayer : public TRefObject {
 public:
  // Whether the device plays sound now.
  virtual bool DeviceUsable() const = 0;
  // Multiplies every channel's volume (1 at first).
  virtual float MasterVolume() const = 0;
  virtual void SetMasterVolume(float volume) = 0;
  // How channels open their sources by name (the process's opener at first).
  virtual void SetOpener(TAudioOpener opener) = 0;
  virtual TAudioOpener Opener() const = 0;
  // The clock channel's time in ms; the clock starts on first use.
  virtual double ClockTime() = 0;
  virtual TTimerChannel& Clock() = 0;
  // A channel playing `source` (a file name, or a composite description), sought to
  // `start_ms` unless that is kNoStart; null when the source does not open or probe.
  virtual Ref<TChannelMusic> CreateChannel(const std::string& source, double start_ms) = 0;

  static constexpr double kNoStart = -1;
};

// Makes the device that pulls the mix from the renderer; null when there is none.
using TAudioDeviceMaker = std::function<std::unique_ptr<TAudioDevice>(TAudioRenderer& renderer)>;

class TMusicPlayerClass : public TMusicPlayer {
 public:
  // The output on the sound card (or on the device `maker` makes); null when no device
  // that plays sound opens.
  static Ref<TMusicPlayerClass> Create(const TAudioDeviceMaker& maker = SoundCard);
  static std::unique_ptr<TAudioDevice> SoundCard(TAudioRenderer& renderer);

  bool DeviceUsable() const override { return FDevice->Usable(); }
  float MasterVolume() const override;
  void SetMasterVolume(float volume) override;
  void SetOpener(TAudioOpener opener) override;
  TAudioOpener Opener() const override;
  double ClockTime() override { return Clock().Time(); }
  TTimerChannel& Clock() override;
  Ref<TChannelMusic> CreateChannel(const std::string& source, double start_ms) override;
  // A channel on sources that `converters` opens, for sounds made in memory.
  Ref<TChannelMusic> CreateChannel(const std::string& name, const TMediaInfo& info, TConverterSource converters,
                                   double start_ms);

  TAudioDevice& Device() const noexcept { return *FDevice; }
  TAudioMixer& Mixer() noexcept { return FMixer; }
  TChannelKiller& Killer() noexcept { return FKiller; }

  // A channel joins the list the master volume reaches while it lives.
  void Register(TChannelMusic& channel);
  void Unregister(TChannelMusic& channel);

 protected:
  TMusicPlayerClass() = default;
  void Dispose() override;

 private:
  TConverterSource ConverterSource(const std::string& source, const TMediaInfo& info) const;

  // Declared in this order so that the device stops pulling before the mixer goes.
  TAudioMixer FMixer;
  TChannelKiller FKiller{FMixer};
  std::unique_ptr<TAudioDevice> FDevice;
  std::unique_ptr<TTimerChannel> FClock;
  mutable std::mutex FLock;
  std::vector<TChannelMusic*> FChannels;
  float FMasterVolume = 1;
  TAudioOpener FOpener = OpenAudioFile;
};

}  // namespace orv
