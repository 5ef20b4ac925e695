#include "audio/composite_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>

#include "audio/audio_decoders.h"
#include "audio/converter_factory.h"
#include "audio/media_probe.h"
#include "constant_wav.h"

namespace orv {
namespace {

constexpr double kRate = 44100;

// A sound made in the test: a sine of a frequency (0: a constant) and an amplitude, whose
// samples depend only on their frame, so that any seek lands on the same samples.
class TToneConverter : public TWavConverter {
 public:
  TToneConverter(double frequency, double amplitude, int64_t frames)
      : TWavConverter(nullptr), FFrequency(frequency), FAmplitude(amplitude), FFrames(frames) {}

  bool Open(const TMediaInfo&) override {
    SetDecodedFormat(StandardWaveFormat());
    SetOutputFormat(StandardWaveFormat());
    return true;
  }
  bool Fill(size_t count) override {
    while (Output().Size() < count) {
      const int16_t sample = FFrame < FFrames ? Sample(FFrame) : 0;
      const int16_t frame[2] = {sample, sample};
      Output().Append(frame, sizeof frame);
      ++FFrame;
    }
    return FFrame < FFrames;
  }
  void Seek(double ms) override {
    FFrame = MsToStandardBytes(ms) / 4;
    Output().Clear();
  }

 private:
  int16_t Sample(int64_t frame) const {
    const double phase = 2 * std::numbers::pi * FFrequency * static_cast<double>(frame) / kRate;
    return static_cast<int16_t>(std::lround(FFrequency == 0 ? FAmplitude : FAmplitude * std::sin(phase)));
  }

  double FFrequency;
  double FAmplitude;
  int64_t FFrames;
  int64_t FFrame = 0;
};

// Tone names: "tone-<frequency>-<amplitude>-<ms>.ogg" (the Ogg family's probe is the one
// that the test replaces).
struct TTone {
  double Frequency = 0;
  double Amplitude = 0;
  double Ms = 0;
};

std::optional<TTone> ParseTone(const std::string& name) {
  TTone tone;
  if (std::sscanf(name.c_str(), "tone-%lf-%lf-%lf.ogg", &tone.Frequency, &tone.Amplitude, &tone.Ms) != 3)
    return std::nullopt;
  return tone;
}

using test::ConstantWav;

TCompositeItem Item(std::string name, double time_line, double duration, double begin = 0) {
  return {std::move(name), time_line, begin, duration, {}};
}

class CompositeConverter : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    InstallAudioDecoders();
    RegisterMediaProber(TProbeFamily::Ogg, [](TStream&, const std::string& name, TMediaInfo& info) {
      const std::optional<TTone> tone = ParseTone(name);
      if (!tone) return false;
      info.Type = TMediaType::Ogg;
      info.Format = StandardWaveFormat();
      info.DurationMs = static_cast<int64_t>(tone->Ms);
      return true;
    });
    RegisterConverterCreator(TMediaType::Ogg, [](StreamPtr, const std::string& name, const TMediaInfo&) {
      const TTone tone = *ParseTone(name);
      return Ref<TWavConverter>(MakeRef<TToneConverter>(tone.Frequency, tone.Amplitude, MsToStandardBytes(tone.Ms) / 4));
    });
    // Tones need no bytes; "wav-<value>-<ms>" names are WAV files made in memory.
    SetAudioOpener([](const std::string& name) -> StreamPtr {
      int value = 0;
      double ms = 0;
      if (std::sscanf(name.c_str(), "wav-%d-%lf", &value, &ms) == 2)
        return std::make_unique<TMemoryStream>(ConstantWav(static_cast<int16_t>(value), MsToStandardBytes(ms) / 4));
      if (ParseTone(name)) return std::make_unique<TMemoryStream>();
      if (name.starts_with(kLoadFromDiskPrefix)) {
        try {
          return std::make_unique<TFileStream>(name.substr(std::strlen(kLoadFromDiskPrefix)), TFileMode::OpenRead);
        } catch (const EFileError&) {
        }
      }
      return nullptr;
    });
  }

  static Ref<TWavConverter> Open(const TCompositeParams& params) {
    const std::string description = WriteCompositeDescription(params);
    TMemoryStream unused;
    TMediaInfo info;
    EXPECT_TRUE(ProbeMedia(unused, description, info));
    EXPECT_EQ(info.Type, TMediaType::Composite);
    Ref<TWavConverter> converter = CreateConverter(nullptr, description, info);
    EXPECT_TRUE(converter);
    return converter;
  }

  // The left-channel samples of `frames` frames from the converter's position.
  static std::vector<int16_t> Render(TWavConverter& converter, int64_t frames) {
    converter.Fill(static_cast<size_t>(frames * 4));
    std::vector<int16_t> left(static_cast<size_t>(frames));
    for (int64_t i = 0; i < frames; ++i) std::memcpy(&left[i], converter.Output().Data() + i * 4, 2);
    converter.Output().Take(static_cast<size_t>(frames * 4));
    return left;
  }
};

TEST_F(CompositeConverter, ItemStartingInsideABlockSoundsFromExactlyItsByte) {
  TCompositeParams params;
  params.Duration = 1000;
  // 10 ms is byte 1764, inside the first 10000-byte block; the edge fade ramps over 441 frames.
  params.Items.push_back(Item("tone-0-10000-1000.ogg", 10, 500));
  const std::vector<int16_t> left = Render(*Open(params), 2000);
  for (int64_t frame = 0; frame < 2000; ++frame) {
    const int64_t in_item = frame - 441;
    const double gain = std::clamp(static_cast<double>(in_item) / 441, 0.0, 1.0);
    // Gains within 1 % of 1 leave samples as they are.
    const double expected = gain >= 0.99 ? 10000 : 10000 * gain;
    ASSERT_NEAR(left[frame], expected, 1.0) << frame;
  }
}

// Two tones cross-fading over 2 s, the way a track's items do.
TCompositeParams CrossFade() {
  TCompositeParams params;
  params.Duration = 12000;
  TCompositeItem first = Item("tone-440-12000-20000.ogg", 0, 10000);
  TVolumeParams& out = first.Volumes.Add();
  out.Add(8000, 1000);
  out.Add(10000, 0);
  TCompositeItem second = Item("tone-1000-12000-20000.ogg", 8000, 4000, 1500);
  TVolumeParams& in = second.Volumes.Add();
  in.Add(0, 0);
  in.Add(2000, 1000);
  params.Items.push_back(std::move(first));
  params.Items.push_back(std::move(second));
  return params;
}

TEST_F(CompositeConverter, SeekIntoACrossFadeGivesTheSamplesOfTheContinuousMix) {
  const TCompositeParams params = CrossFade();
  const std::vector<int16_t> continuous = Render(*Open(params), MsToStandardBytes(12000) / 4);
  for (const double ms : {0.0, 3000.0, 7999.0, 8000.0, 9000.0, 9010.0, 9999.5}) {
    const Ref<TWavConverter> seeking = Open(params);
    seeking->Seek(ms);
    const int64_t first = MsToStandardBytes(ms) / 4;
    const std::vector<int16_t> resumed = Render(*seeking, 30000);
    for (int64_t i = 0; i < 30000; ++i) ASSERT_EQ(resumed[i], continuous[first + i]) << ms << " ms, frame " << i;
  }
}

// The amplitude of one frequency over a window of samples (Goertzel).
double ToneAmplitude(const std::vector<int16_t>& samples, size_t first, size_t count, double frequency) {
  const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / kRate);
  double previous = 0, before = 0;
  for (size_t i = first; i < first + count; ++i) {
    const double current = samples[i] + coefficient * previous - before;
    before = previous;
    previous = current;
  }
  const double power = previous * previous + before * before - coefficient * previous * before;
  return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(count);
}

TEST_F(CompositeConverter, CrossFadeMovesLinearlyFromOneToneToTheOther) {
  const std::vector<int16_t> mix = Render(*Open(CrossFade()), MsToStandardBytes(12000) / 4);
  constexpr size_t kWindow = 4410;  // 100 ms: both tones are whole periods
  for (const double ms : {7000.0, 8250.0, 8950.0, 9500.0, 11000.0}) {
    const auto first = static_cast<size_t>(MsToStandardBytes(ms) / 4);
    const double middle = ms + 50;
    const double fade = std::clamp((middle - 8000) / 2000, 0.0, 1.0);
    EXPECT_NEAR(ToneAmplitude(mix, first, kWindow, 440), 12000 * (1 - fade), 120) << ms;
    EXPECT_NEAR(ToneAmplitude(mix, first, kWindow, 1000), 12000 * fade, 120) << ms;
  }
}

TEST_F(CompositeConverter, LoudItemsClipAtTheSixteenBitLimitsInsteadOfWrapping) {
  TCompositeParams params;
  params.Duration = 1000;
  params.Items.push_back(Item("tone-0-30000-1000.ogg", 0, 1000));
  params.Items.push_back(Item("tone-0-30000-1000.ogg", 0, 1000));
  for (int i = 0; i < 64; ++i) params.Items.push_back(Item("tone-0--32768-1000.ogg", 0, 1000));
  TCompositeItem amplified = Item("tone-0-20000-1000.ogg", 0, 1000);
  amplified.Volumes.Add().Add(0, 1e9);
  params.Items.push_back(std::move(amplified));
  params.Items.push_back(Item("tone-0-30000-1000.ogg", 500, 500));
  const std::vector<int16_t> left = Render(*Open(params), MsToStandardBytes(1000) / 4);
  // 60000 + 64 · −32768 + 20000 · 1000000 is far above the top; all but the fades clip.
  EXPECT_EQ(left[1000], 32767);
  EXPECT_EQ(left[30000], 32767);
}

TEST_F(CompositeConverter, ShortFilesEndInSilenceAndMissingOnesAreLeftOut) {
  TCompositeParams params;
  params.Duration = 2000;
  params.Items.push_back(Item("wav-1000-500", 0, 1500));  // its file lasts 500 ms
  params.Items.push_back(Item("missing.wav", 0, 2000));
  const Ref<TWavConverter> mixer = Open(params);
  const std::vector<int16_t> left = Render(*mixer, MsToStandardBytes(1500) / 4);
  EXPECT_EQ(left[MsToStandardBytes(250) / 4], 1000);
  EXPECT_EQ(left[MsToStandardBytes(600) / 4], 0);
  EXPECT_EQ(left[MsToStandardBytes(1400) / 4], 0);
  // The mix runs on, silent, to its total length.
  EXPECT_TRUE(mixer->Fill(mixer->Output().Size() + MsToStandardBytes(400)));
  EXPECT_FALSE(mixer->Fill(mixer->Output().Size() + MsToStandardBytes(200)));
}

TEST_F(CompositeConverter, FilesOnDiskAreMixedFromTheirBeginTime) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "orv-composite-test";
  std::filesystem::create_directories(folder);
  const std::filesystem::path file = folder / "steps.wav";
  {
    // 1000 for 500 ms, then 3000.
    std::string wav = ConstantWav(1000, 44100);
    const std::string later = ConstantWav(3000, 22050);
    std::memcpy(wav.data() + 44 + 22050 * 4, later.data() + 44, 22050 * 4);
    TFileStream out(file.string(), TFileMode::Create);
    out.WriteBuffer(wav.data(), wav.size());
  }
  TCompositeParams params;
  params.Duration = 1000;
  params.Items.push_back(Item(kLoadFromDiskPrefix + file.string(), 100, 300, 600));
  const std::vector<int16_t> left = Render(*Open(params), MsToStandardBytes(1000) / 4);
  EXPECT_EQ(left[MsToStandardBytes(50) / 4], 0);
  EXPECT_EQ(left[MsToStandardBytes(250) / 4], 3000);
  EXPECT_EQ(left[MsToStandardBytes(450) / 4], 0);
  std::filesystem::remove_all(folder);
}

TEST_F(CompositeConverter, MasterEnvelopeScalesTheSum) {
  TCompositeParams params;
  params.Duration = 1000;
  params.Items.push_back(Item("tone-0-10000-1000.ogg", 0, 1000));
  params.MainVolume.emplace(false);
  params.MainVolume->Add().Add(0, 250);
  const std::vector<int16_t> left = Render(*Open(params), MsToStandardBytes(1000) / 4);
  EXPECT_EQ(left[20000], 2500);
}

}  // namespace
}  // namespace orv
