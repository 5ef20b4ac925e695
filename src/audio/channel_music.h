// A channel plays one source (a file or a composite description). Each play after a stop,
// and each seek while playing, starts a new stream on a fresh converter; the old one fades
// out beside it and the channel killer frees it once it has been played out.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_converter.h"
#include "audio/media_info.h"
#include "audio/music_channel.h"
#include "base/ref_object.h"

namespace orv {

class TMusicPlayerClass;

// Opens the channel's source again, at its start, delivering the standard format; null
// when it cannot be opened.
using TConverterSource = std::function<Ref<TWavConverter>()>;

class TChannelMusic : public TRefObject {
 public:
  // Runs on the channel killer's thread when the current stream has played all its data.
  // It must not release the channel's last reference.
  using TEndHandler = std::function<void(TChannelMusic&)>;
  // Restarts and seeks cross-fade over this long.
  static constexpr double kCrossFadeMs = 10;

  TChannelMusic(Ref<TMusicPlayerClass> owner, std::string source_name, const TMediaInfo& info,
                TConverterSource converters);

  TMusicPlayerClass& OutputManager() const noexcept { return *FOwner; }
  const std::string& SourceName() const noexcept { return FSourceName; }
  TMediaType MediaType() const noexcept { return FInfo.Type; }
  const TMediaInfo& MediaInfo() const noexcept { return FInfo; }

  // The channel's own gain, 0 … 1 (1 at first).
  float Volume() const;
  void SetVolume(float volume);
  // The master volume's share, set by the output manager.
  float MasterFactor() const;
  void SetMasterFactor(float factor);
  // Volume × master factor as the sound card's attenuation (hundredths of a dB).
  int Attenuation() const;

  // Plays from the saved position (or where the last seek went), the gain rising over
  // `fade_in_ms`. Nothing when already playing. False when the source could not be opened
  // again or the mix is full.
  bool Play(double fade_in_ms);
  // Fades out over `fade_out_ms` and keeps the position for the next play.
  void Stop(double fade_out_ms);
  // While playing: cross-fades over 10 ms to `ms`; otherwise the next play starts there.
  void Seek(double ms);
  // In ms from the start of the source.
  double Position() const;
  bool IsPlaying() const;
  void SetEndHandler(TEndHandler handler);

  // The channel killer: takes a played-out stream out of this channel and calls the end
  // handler when it was the current one and its data ran out.
  Ref<TMusicChannel> TakePlayedOut(TMusicChannel& stream);

 protected:
  void Dispose() override;

 private:
  // Fades every stream out and waits (3 s at most) until the killer has taken them.
  void FadeOutAndWait();
  // The volume and the master factor, each under the lock.
  float ReadGainPart(const float& part) const;
  void SetGainPart(float& part, float value);
  // With the lock held.
  Ref<TMusicChannel> Current() const;
  Ref<TMusicChannel> NewStream(double ms);
  void ApplyGain();

  Ref<TMusicPlayerClass> FOwner;
  std::string FSourceName;
  TMediaInfo FInfo;
  TConverterSource FConverters;
  mutable std::mutex FLock;
  std::vector<Ref<TMusicChannel>> FStreams;  // the last is the current one
  float FVolume = 1;
  float FMasterFactor = 1;
  double FSavedPosition = 0;
  TEndHandler FEndHandler;
};

}  // namespace orv
