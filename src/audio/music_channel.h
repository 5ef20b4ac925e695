// One stream of a channel: a converter feeding a 2-second ring that the stream's own thread
// refills, played by the mixer with the stream's fade and gain. A channel starts a new
// stream for each restart or seek, so two of them overlap during a cross-fade.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/audio_converter.h"
#include "audio/audio_device.h"
#include "audio/stream_ring.h"
#include "base/ref_object.h"

namespace orv {

class TAudioMixer;
class TChannelMusic;

class TMusicChannel : public TRefObject {
 public:
  enum class TState : int { Ready = 0, Playing = 1, FadingOut = 2 };

  static constexpr size_t kRingFrames = 2 * kOutputRate;
  // A refill decodes at most half a second, so one slow decode never holds up the others.
  static constexpr size_t kMaxRefillFrames = kOutputRate / 2;
  // Pre-decoded before playing: three quarters of the ring.
  static constexpr size_t kInitialFillFrames = kRingFrames * 3 / 4;

  // `converter` delivers the standard format.
  TMusicChannel(TChannelMusic& channel, TAudioMixer& mixer, Ref<TWavConverter> converter);

  // While ready: moves to `ms` and pre-decodes the initial fill, so that playing starts
  // at once.
  void Seek(double ms);
  // Ready → playing: the gain rises from 0 over `fade_ms`, and refilling starts. False
  // when the mix has no free slot.
  bool Play(double fade_ms);
  // Playing → fading out over `fade_ms`. The mixer applies the fade, so it is heard from
  // the next block the device takes, however much is queued.
  void Stop(double fade_ms);

  TState State() const noexcept { return FState.load(std::memory_order_acquire); }
  // The position last sought plus what the mixer has played since, in ms.
  double Position() const noexcept;
  // The mixer has played the stream out: its fade reached 0 or its data ended.
  bool Finished() const noexcept { return FFinished.load(std::memory_order_acquire); }
  bool EndedByData() const noexcept { return FEndedByData.load(std::memory_order_acquire); }
  // The factor the samples are multiplied by (volume and master volume).
  void SetAmplitude(float amplitude) noexcept { FAmplitude.store(amplitude, std::memory_order_relaxed); }
  TChannelMusic& Channel() const noexcept { return FChannel; }
  // Blocks in which the ring ran dry before the data ended.
  uint64_t Underruns() const noexcept { return FUnderruns.load(std::memory_order_relaxed); }

  // Audio thread: adds this stream's next `frames` frames to `sum`.
  void MixInto(float* sum, size_t frames) noexcept;

 protected:
  void Dispose() override;

 private:
  class TRefillThread;

  // Decodes up to `frames` frames into the ring (as many as fit).
  void Decode(size_t frames);
  void Refill();
  // Mixes what the ring holds, up to `frames` frames; returns the frames mixed.
  size_t MixQueued(float* sum, size_t frames) noexcept;
  void Finish(bool by_data) noexcept;

  TChannelMusic& FChannel;
  TAudioMixer& FMixer;
  Ref<TWavConverter> FConverter;  // the caller's until Play, then the refill thread's
  TStreamRing FRing{kRingFrames};
  std::unique_ptr<TRefillThread> FRefill;

  std::atomic<TState> FState{TState::Ready};
  std::atomic<bool> FDataEnded{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FEndedByData{false};
  std::atomic<float> FAmplitude{1.0f};
  std::atomic<float> FFadeInStep{1.0f};
  std::atomic<float> FFadeOutStep{1.0f};
  std::atomic<uint64_t> FPlayed{0};
  std::atomic<uint64_t> FUnderruns{0};
  std::atomic<double> FBasePosition{0};  // set while ready
  float FFade = 0;                       // the audio thread's own
};

}  // namespace orv
