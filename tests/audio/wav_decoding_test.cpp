// WAV files of every sample kind, rate and channel count, made by ffmpeg, decoded as the
// player decodes them and compared with ffmpeg's own decode.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "audio_fixtures.h"

namespace orv::test {
namespace {

struct TDecodeCase {
  const char* name;
  const char* codec;
  int rate;
  int channels;
  // Least signal to noise against ffmpeg's decode; none: bit for bit. The three-point
  // interpolation of rate changes is what limits it.
  std::optional<double> min_snr_db;
};

const TDecodeCase kDecodeCases[] = {
    {"s16_44100_stereo", "pcm_s16le", 44100, 2, std::nullopt},
    {"s16_44100_mono", "pcm_s16le", 44100, 1, std::nullopt},
    {"s16_48000_stereo", "pcm_s16le", 48000, 2, 70},
    {"u8_44100_stereo", "pcm_u8", 44100, 2, std::nullopt},
    {"u8_22050_mono", "pcm_u8", 22050, 1, 45},
    {"s24_44100_stereo", "pcm_s24le", 44100, 2, 80},
    {"s24_48000_stereo", "pcm_s24le", 48000, 2, 70},
    {"s32_96000_stereo", "pcm_s32le", 96000, 2, 70},
    {"s32_44100_mono", "pcm_s32le", 44100, 1, 80},
    {"f32_44100_stereo", "pcm_f32le", 44100, 2, std::nullopt},
    {"f32_8000_mono", "pcm_f32le", 8000, 1, 28},
    {"adpcm_44100_stereo", "adpcm_ms", 44100, 2, std::nullopt},
    {"adpcm_22050_mono", "adpcm_ms", 22050, 1, 38},
};

class WavDecoding : public testing::TestWithParam<TDecodeCase> {
 protected:
  static void SetUpTestSuite() { FFolder = new TSoundFolder; }
  static void TearDownTestSuite() { delete FFolder; }

  // Two seconds of two tones per channel, different on each side.
  std::string MakeFile() const {
    const TDecodeCase& c = GetParam();
    const std::string tones = c.channels == 1 ? "0.5*sin(2*PI*440*t)+0.3*sin(2*PI*1234*t)"
                                              : "0.5*sin(2*PI*440*t)+0.3*sin(2*PI*1234*t)|0.4*sin(2*PI*660*t)";
    return FFolder->Make(std::string(c.name) + ".wav", "-f lavfi -i 'aevalsrc=" + tones + ":s=" +
                                                           std::to_string(c.rate) + ":d=2' -c:a " + c.codec);
  }

  // ffmpeg's decode as stereo (a mono reference on both sides).
  std::vector<int16_t> Reference(const std::string& path) const {
    const std::vector<int16_t> decoded = FfmpegDecode(path, GetParam().channels);
    std::vector<int16_t> stereo;
    for (size_t i = 0; i < decoded.size(); ++i) {
      stereo.push_back(decoded[i]);
      if (GetParam().channels == 1) stereo.push_back(decoded[i]);
    }
    return stereo;
  }

  void ExpectMatches(const std::vector<int16_t>& reference, const std::vector<int16_t>& ours) const {
    if (!GetParam().min_snr_db) {
      ASSERT_EQ(reference.size(), ours.size());
      EXPECT_TRUE(reference == ours) << "not bit for bit";
    } else {
      for (int channel = 0; channel < 2; ++channel)
        EXPECT_GE(SignalToNoise(Channel(reference, channel), Channel(ours, channel)), *GetParam().min_snr_db)
            << "channel " << channel;
    }
  }

  static inline TSoundFolder* FFolder = nullptr;
};

TEST_P(WavDecoding, DecodesLikeFfmpegWithTheSameLengthAndDuration) {
  const std::string path = MakeFile();
  TMediaInfo info;
  Ref<TWavConverter> converter = OpenConverter(path, &info);
  ASSERT_TRUE(converter);
  const std::vector<int16_t> ours = DecodeRest(*converter);
  const std::vector<int16_t> reference = Reference(path);
  ExpectMatches(reference, ours);
  // Rate changes may differ from ffmpeg's by a frame or two at the end.
  EXPECT_NEAR(double(ours.size()), double(reference.size()), 2 * 2);
  EXPECT_NEAR(double(info.DurationMs), FfprobeDurationMs(path), 1 + 1000.0 / GetParam().rate);
}

TEST_P(WavDecoding, SeeksLandOnTheSampleOfTheTime) {
  const std::string path = MakeFile();
  Ref<TWavConverter> converter = OpenConverter(path);
  ASSERT_TRUE(converter);
  const std::vector<int16_t> whole = Reference(path);
  // Times at which the file's and the output's sample grids meet, and one between.
  for (const double ms : {20.0, 1000.0, 1460.0, 1234.0}) {
    if (ms == 1234.0 && GetParam().min_snr_db) continue;
    SCOPED_TRACE(ms);
    converter->Seek(ms);
    EXPECT_DOUBLE_EQ(converter->Position(), std::floor(ms * GetParam().rate / 1000) * 1000 / GetParam().rate);
    std::vector<int16_t> ours = DecodeRest(*converter, 4000);
    const auto from = whole.begin() + std::min<ptrdiff_t>(MsToStandardBytes(ms) / 2, whole.size());
    std::vector<int16_t> reference(from, whole.end());
    const size_t compared = std::min<size_t>({ours.size(), reference.size(), 4000});
    ours.resize(compared);
    reference.resize(compared);
    ExpectMatches(reference, ours);
  }
}

double Energy(const std::vector<int16_t>& samples) {
  double sum = 0;
  for (const int16_t sample : samples) sum += double(sample) * sample;
  return sum;
}

TEST(SixChannelWav, FoldsToStereoByItsSpeakerLayout) {
  TSoundFolder folder;
  // Sound only on the front left speaker, then only on the side right one.
  for (const auto& [speaker, side] : {std::pair{0, 0}, std::pair{5, 1}}) {
    std::string tones;
    for (int channel = 0; channel < 6; ++channel)
      tones += std::string(channel ? "|" : "") + (channel == speaker ? "0.5*sin(2*PI*440*t)" : "0");
    const std::string path = folder.Make("six.wav", "-f lavfi -i 'aevalsrc=" + tones +
                                                        ":s=48000:d=1:channel_layout=5.1(side)' -c:a pcm_s24le");
    TMediaInfo info;
    Ref<TWavConverter> converter = OpenConverter(path, &info);
    ASSERT_TRUE(converter);
    EXPECT_EQ(info.ChannelMask, 0x60Fu);
    const std::vector<int16_t> stereo = DecodeRest(*converter);
    EXPECT_NEAR(double(stereo.size()), 44100 * 2, 4);
    EXPECT_GT(Energy(Channel(stereo, side)), 1e9) << speaker;
    EXPECT_EQ(Energy(Channel(stereo, 1 - side)), 0) << speaker;
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, WavDecoding, testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orv::test
