// The output driven by the offline device: what the mixer makes of channels, fades, seeks
// and volumes, sample by sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_decoders.h"
#include "audio/music_output.h"
#include "signal_converter.h"

namespace orv {
namespace {

using test::Constant;
using test::Tone;
using test::TSignal;

constexpr int64_t kMinute = 60 * kOutputRate;

class AudioOutputTest : public ::testing::Test {
 protected:
  Ref<TChannelMusic> Channel(TSignal signal, int64_t frames = kMinute, double start = TMusicPlayer::kNoStart) {
    auto converters = [=]() -> Ref<TWavConverter> { return MakeRef<test::TSignalConverter>(signal, frames); };
    return FOutput->CreateChannel("signal", test::SignalInfo(frames), converters, start);
  }
  // The left samples of the next `frames` frames of the mix (both sides carry the same).
  std::vector<int> Pull(size_t frames) {
    const std::vector<int16_t>& block = static_cast<TOfflineAudioDevice&>(FOutput->Device()).Pull(frames);
    std::vector<int> left(frames);
    for (size_t i = 0; i < frames; ++i) left[i] = block[2 * i];
    return left;
  }
  bool MixEmpty() const {
    for (size_t i = 0; i < TAudioMixer::kMaxStreams; ++i)
      if (FOutput->Mixer().At(i)) return false;
    return true;
  }
  // Waits for the channel killer, 5 s at most.
  template <class Condition>
  static bool Eventually(Condition condition) {
    for (int i = 0; i < 500 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
  }

  Ref<TMusicPlayerClass> FOutput = TMusicPlayerClass::Create(
      [](TAudioRenderer& renderer) { return std::make_unique<TOfflineAudioDevice>(renderer); });
};

TEST_F(AudioOutputTest, PlayRisesFromSilenceOverTheFadeIn) {
  auto channel = Channel(Constant(10000));
  ASSERT_TRUE(channel->Play(10));
  EXPECT_TRUE(channel->IsPlaying());
  const std::vector<int> left = Pull(1000);
  const int fade_frames = 441;
  for (int i = 0; i < 1000; ++i)
    ASSERT_NEAR(left[i], 10000.0 * std::min(1.0, (i + 1.0) / fade_frames), 2) << "frame " << i;
}

TEST_F(AudioOutputTest, FadeOutIsHeardInTheNextBlockWhateverIsQueued) {
  auto channel = Channel(Constant(10000));
  channel->Play(0);
  Pull(kOutputRate / 2);
  channel->Stop(2000);  // while more than a second is queued
  EXPECT_FALSE(channel->IsPlaying());
  EXPECT_NEAR(channel->Position(), 500, 0.1);
  const std::vector<int> left = Pull(512);
  const double fade_frames = 2.0 * kOutputRate;
  for (int i = 0; i < 512; ++i) ASSERT_NEAR(left[i], 10000.0 * (1 - (i + 1) / fade_frames), 2) << "frame " << i;
}

TEST_F(AudioOutputTest, SeekWhilePlayingCrossFadesWithoutClickOrGap) {
  const double amplitude = 8000, hertz = 500;
  const TSignal tone = Tone(hertz, amplitude);
  auto channel = Channel(tone);
  channel->Play(10);
  std::vector<int> heard = Pull(4410);
  const double target_ms = 1234.5;
  channel->Seek(target_ms);
  const std::vector<int> after = Pull(4410);
  heard.insert(heard.end(), after.begin(), after.end());

  // The largest step a clean tone makes, plus what a 441-frame cross-fade adds.
  const double largest_step = amplitude * 2 * 3.15 * hertz / kOutputRate + 2 * amplitude / 441;
  for (size_t i = 1; i < heard.size(); ++i) ASSERT_LE(std::abs(heard[i] - heard[i - 1]), largest_step) << "frame " << i;
  // After the 10 ms the new position alone plays, from the first block after the seek.
  const int64_t target = MsToFrames(target_ms);
  for (int64_t j = 441; j < 4410; ++j) ASSERT_NEAR(after[j], tone(target + j), 1) << "frame " << j;
  EXPECT_NEAR(channel->Position(), target_ms + 100, 0.1);
}

struct TSumCase {
  int16_t a, b;
  int expected;
};

TEST_F(AudioOutputTest, ChannelsAddUpAndSaturate) {
  for (const TSumCase c : {TSumCase{1000, -300, 700}, {20000, 20000, 32767}, {-20000, -20000, -32768}}) {
    auto first = Channel(Constant(c.a));
    auto second = Channel(Constant(c.b));
    first->Play(0);
    second->Play(0);
    const std::vector<int> left = Pull(64);
    EXPECT_TRUE(std::all_of(left.begin(), left.end(), [&](int v) { return v == c.expected; }))
        << c.a << " + " << c.b << " gave " << left[0];
    first->Stop(0);
    second->Stop(0);
    Pull(64);
  }
}

TEST_F(AudioOutputTest, ChannelAndMasterVolumeScaleTheMix) {
  auto channel = Channel(Constant(10000));
  channel->SetVolume(0.5f);
  EXPECT_EQ(channel->Attenuation(), -600);
  EXPECT_FLOAT_EQ(channel->Volume(), 0.5f);
  channel->Play(0);
  EXPECT_EQ(Pull(16).back(), 5012);
  FOutput->SetMasterVolume(0.5f);
  EXPECT_EQ(channel->Attenuation(), -1200);
  EXPECT_EQ(Pull(16).back(), 2512);
  // A channel made after the master volume changed starts with it.
  EXPECT_EQ(Channel(Constant(0))->Attenuation(), -600);
}

TEST_F(AudioOutputTest, KillerFreesPlayedOutStreamsAndReportsTheEndOfData) {
  std::atomic<int> ends{0};
  auto ending = Channel(Constant(1000), kOutputRate / 10);
  auto stopped = Channel(Constant(1000));
  for (auto* channel : {&ending, &stopped}) {
    (*channel)->SetEndHandler([&](TChannelMusic&) { ++ends; });
    (*channel)->Play(0);
  }
  Pull(kOutputRate / 5);
  stopped->Stop(10);
  Pull(1024);
  ASSERT_TRUE(Eventually([&] { return MixEmpty(); }));
  EXPECT_EQ(ends, 1) << "only the channel whose data ran out";
  EXPECT_FALSE(ending->IsPlaying());
  EXPECT_EQ(Pull(16).back(), 0);
}

TEST_F(AudioOutputTest, PlayAfterStopResumesWhereItStopped) {
  auto channel = Channel([](int64_t frame) { return int16_t(frame % 30000); });
  channel->Play(0);
  Pull(1000);
  channel->Stop(0);
  Pull(16);
  channel->Play(0);
  EXPECT_EQ(Pull(1).front(), 1000);
}

// A 16-bit stereo 44,100 Hz WAV file whose frame n holds n on both sides.
std::string RampWav(int frames) {
  auto put = [](std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xff);
  };
  std::string wav = "RIFF";
  put(wav, 36 + frames * 4, 4);
  wav += "WAVEfmt ";
  put(wav, 16, 4);
  for (const auto& [value, bytes] : {std::pair{1u, 2}, {2u, 2}, {44100u, 4}, {176400u, 4}, {4u, 2}, {16u, 2}})
    put(wav, value, bytes);
  wav += "data";
  put(wav, frames * 4, 4);
  for (int n = 0; n < frames; ++n) put(wav, uint32_t(n) | uint32_t(n) << 16, 4);
  return wav;
}

TEST_F(AudioOutputTest, SourcesOpenByNameThroughTheOpenerAndTheirConverter) {
  InstallAudioDecoders();
  FOutput->SetOpener([](const std::string& name) -> StreamPtr {
    if (name != "ramp.wav") return nullptr;
    return std::make_unique<TMemoryStream>(RampWav(kOutputRate / 2));
  });
  EXPECT_FALSE(FOutput->CreateChannel("missing.wav", TMusicPlayer::kNoStart));
  auto channel = FOutput->CreateChannel("ramp.wav", 100);
  ASSERT_TRUE(channel);
  EXPECT_EQ(channel->MediaType(), TMediaType::WavPcm);
  EXPECT_EQ(channel->SourceName(), "ramp.wav");
  EXPECT_NEAR(channel->Position(), 100, 0.01);
  channel->Play(0);
  const std::vector<int> left = Pull(100);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(left[i], 4410 + i);
}

}  // namespace
}  // namespace orv
