#include "audio/music_channel.h"

#include <algorithm>
#include <vector>

#include "audio/audio_mixer.h"
#include "base/orv_thread.h"

namespace orv {

namespace {

constexpr size_t kFrameBytes = kOutputChannels * sizeof(int16_t);
// Decoding goes in pieces this long, so that at the end of the data at most this much of
// the converter's padding silence is queued.
constexpr size_t kDecodeFrames = 1024;
constexpr std::chrono::milliseconds kRefillInterval{100};

float FadeStep(double fade_ms) { return 1.0f / float(std::max<int64_t>(1, MsToFrames(fade_ms))); }

}  // namespace

// Tops the ring up every 100 ms, or when woken.
class TMusicChannel::TRefillThread : public TOrvThread {
 public:
  explicit TRefillThread(TMusicChannel& stream) : TOrvThread("Audio stream refill"), FStream(stream) {}

 protected:
  void Step() override {
    FStream.Refill();
    WaitForEvents(kRefillInterval);
  }

 private:
  TMusicChannel& FStream;
};

TMusicChannel::TMusicChannel(TChannelMusic& channel, TAudioMixer& mixer, Ref<TWavConverter> converter)
    : FChannel(channel), FMixer(mixer), FConverter(std::move(converter)) {}

void TMusicChannel::Dispose() {
  if (FRefill) FRefill->Stop();
  TRefObject::Dispose();
}

void TMusicChannel::Seek(double ms) {
  if (State() != TState::Ready) return;
  FBasePosition = ms;
  FRing.Discard();
  FDataEnded = false;
  FConverter->Seek(ms);
  Decode(kInitialFillFrames);
}

bool TMusicChannel::Play(double fade_ms) {
  if (State() != TState::Ready || !FMixer.Add(this)) return false;
  FFadeInStep.store(FadeStep(fade_ms), std::memory_order_relaxed);
  FState.store(TState::Playing, std::memory_order_release);
  FRefill = std::make_unique<TRefillThread>(*this);
  FRefill->Start();
  return true;
}

void TMusicChannel::Stop(double fade_ms) {
  if (State() != TState::Playing) return;
  FFadeOutStep.store(FadeStep(fade_ms), std::memory_order_relaxed);
  FState.store(TState::FadingOut, std::memory_order_release);
}

double TMusicChannel::Position() const noexcept {
  return FBasePosition + FramesToMs(double(FPlayed.load(std::memory_order_acquire)));
}

void TMusicChannel::Refill() {
  if (!FDataEnded.load(std::memory_order_relaxed)) Decode(std::min(FRing.Free(), kMaxRefillFrames));
}

void TMusicChannel::Decode(size_t frames) {
  frames = std::min(frames, FRing.Free());
  TLocalBuffer& output = FConverter->Output();
  std::vector<int16_t> piece(kDecodeFrames * kOutputChannels);
  for (size_t done = 0; done < frames;) {
    const size_t count = std::min(kDecodeFrames, frames - done);
    const size_t bytes = count * kFrameBytes;
    if (!FConverter->Fill(bytes)) {
      // What is left is the converter's padding: the sound is over.
      output.Clear();
      FDataEnded.store(true, std::memory_order_release);
      return;
    }
    output.Take(bytes, piece.data());
    done += FRing.Write(piece.data(), count);
  }
}

void TMusicChannel::MixInto(float* sum, size_t frames) noexcept {
  if (State() == TState::Ready || Finished()) return;
  // Read before looking at the ring: the refill thread queues its last data first.
  const bool data_ended = FDataEnded.load(std::memory_order_acquire);
  const size_t mixed = MixQueued(sum, frames);
  if (mixed == frames || Finished()) return;
  if (data_ended && FRing.Queued() == 0)
    Finish(true);
  else
    FUnderruns.fetch_add(1, std::memory_order_relaxed);
}

size_t TMusicChannel::MixQueued(float* sum, size_t frames) noexcept {
  const bool fading_out = State() == TState::FadingOut;
  const float step =
      fading_out ? -FFadeOutStep.load(std::memory_order_relaxed) : FFadeInStep.load(std::memory_order_relaxed);
  const float amplitude = FAmplitude.load(std::memory_order_relaxed);
  size_t done = 0;
  while (done < frames) {
    size_t available = 0;
    const int16_t* samples = FRing.Peek(frames - done, available);
    if (available == 0) break;
    float* target = sum + done * kOutputChannels;
    for (size_t i = 0; i < available; ++i) {
      FFade = std::clamp(FFade + step, 0.0f, 1.0f);
      const float gain = FFade * amplitude;
      target[2 * i] += float(samples[2 * i]) * gain;
      target[2 * i + 1] += float(samples[2 * i + 1]) * gain;
      if (fading_out && FFade <= 0) {
        FRing.Consume(i + 1);
        FPlayed.fetch_add(i + 1, std::memory_order_release);
        Finish(false);
        return done + i + 1;
      }
    }
    FRing.Consume(available);
    FPlayed.fetch_add(available, std::memory_order_release);
    done += available;
  }
  return done;
}

void TMusicChannel::Finish(bool by_data) noexcept {
  FEndedByData.store(by_data, std::memory_order_release);
  FFinished.store(true, std::memory_order_release);
}

}  // namespace orv
