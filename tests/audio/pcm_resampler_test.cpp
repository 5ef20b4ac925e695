#include "audio/pcm_resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "base/exceptions.h"

namespace orv {
namespace {

template <class Sample>
std::vector<uint8_t> BytesOf(const std::vector<Sample>& samples) {
  std::vector<uint8_t> bytes(samples.size() * sizeof(Sample));
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

std::vector<int16_t> SamplesOf(const TLocalBuffer& buffer) {
  std::vector<int16_t> samples(buffer.Size() / 2);
  std::memcpy(samples.data(), buffer.Data(), samples.size() * 2);
  return samples;
}

std::vector<int16_t> Convert(const TWaveFormat& source, const std::vector<uint8_t>& bytes,
                             const TWaveFormat& target = StandardWaveFormat(), uint32_t mask = 0) {
  TPcmResampler resampler(source, target, mask);
  TLocalBuffer output;
  resampler.Process(bytes.data(), bytes.size(), output);
  resampler.Finish(output);
  return SamplesOf(output);
}

// 24-bit stereo: a sweep, so every block boundary falls somewhere different in its wave.
std::vector<uint8_t> Sweep24(size_t frames) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < frames; ++i)
    for (const double phase : {0.0, 1.0}) {
      const auto value = static_cast<int32_t>(6e6 * std::sin(phase + 1e-6 * double(i) * double(i)));
      for (int b = 0; b < 3; ++b) bytes.push_back(static_cast<uint8_t>(value >> (8 * b)));
    }
  return bytes;
}

TEST(PcmResampler, BlocksOfAnySizeJoinWithoutASeam) {
  const TWaveFormat source = PcmWaveFormat(2, 48000, 24);
  const std::vector<uint8_t> bytes = Sweep24(20000);
  const std::vector<int16_t> whole = Convert(source, bytes);
  EXPECT_NEAR(double(whole.size()), 20000 * 44100.0 / 48000 * 2, 2);
  for (const size_t piece : {1, 5, 4096, 12288}) {
    TPcmResampler resampler(source, StandardWaveFormat());
    TLocalBuffer output;
    for (size_t at = 0; at < bytes.size(); at += piece)
      resampler.Process(bytes.data() + at, std::min(piece, bytes.size() - at), output);
    resampler.Finish(output);
    EXPECT_TRUE(SamplesOf(output) == whole) << "pieces of " << piece;
  }
}

TEST(PcmResampler, EqualRatesKeepEverySampleAndTheLength) {
  const std::vector<int16_t> samples = {1, -2, 32767, -32768, 1234, 0, 77, -77};
  EXPECT_EQ(Convert(PcmWaveFormat(2, 44100, 16), BytesOf(samples)), samples);
  EXPECT_EQ(Convert(PcmWaveFormat(1, 22050, 16), BytesOf(samples), PcmWaveFormat(2, 22050, 16)),
            (std::vector<int16_t>{1, 1, -2, -2, 32767, 32767, -32768, -32768, 1234, 1234, 0, 0, 77, 77, -77, -77}));
}

TEST(PcmResampler, SampleKindsComeToSixteenBits) {
  const TWaveFormat float_format{kWaveFormatIeeeFloat, 1, 44100, 176400, 4, 32, 0};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct {
    const char* name;
    TWaveFormat format;
    std::vector<uint8_t> bytes;
    std::vector<int16_t> expected;  // mono, as the left side
  } cases[] = {
      {"8-bit", PcmWaveFormat(1, 44100, 8), {0, 128, 255}, {-32768, 0, 32512}},
      {"24-bit", PcmWaveFormat(1, 44100, 24), {0xFF, 0xFF, 0x7F, 0, 0, 0x80, 0xC0, 0x00, 0x00}, {32767, -32768, 1}},
      {"32-bit integers", PcmWaveFormat(1, 44100, 32), BytesOf<int32_t>({0x7FFFFFFF, -65536 * 5, 65536 * 300}),
       {32767, -5, 300}},
      {"float, clipped", float_format, BytesOf<float>({0.5f, -2.0f, 2.0f, nan}), {16384, -32768, 32767}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<int16_t> stereo = Convert(c.format, c.bytes);
    ASSERT_GE(stereo.size(), c.expected.size() * 2);
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(stereo[2 * i], c.expected[i]) << i;
      EXPECT_EQ(stereo[2 * i + 1], c.expected[i]) << i;
    }
  }
}

TEST(PcmResampler, OutputCanBeMonoOrEightBits) {
  const std::vector<uint8_t> frame = BytesOf<int16_t>({1000, 3000, -1000, -3000});
  const auto convert = [&](const TWaveFormat& target) {
    TPcmResampler resampler(PcmWaveFormat(2, 44100, 16), target);
    TLocalBuffer output;
    resampler.Process(frame.data(), frame.size(), output);
    resampler.Finish(output);
    return std::vector<uint8_t>(output.Data(), output.Data() + output.Size());
  };
  EXPECT_EQ(convert(PcmWaveFormat(1, 44100, 16)), BytesOf<int16_t>({2000, -2000}));
  EXPECT_EQ(convert(PcmWaveFormat(2, 44100, 8)), (std::vector<uint8_t>{131, 139, 124, 116}));
  EXPECT_EQ(convert(PcmWaveFormat(1, 44100, 8)), (std::vector<uint8_t>{135, 120}));
}

TEST(PcmResampler, SixChannelsFoldBySpeakerAndCannotClip) {
  // 5.1 with side speakers: FL FR FC LFE SL SR. Left takes FL and SL twice, FC and LFE once.
  constexpr uint32_t kSideMask = 0x60F;
  struct {
    const char* name;
    uint32_t mask;
    std::vector<int16_t> frame;
    int16_t left, right;
  } cases[] = {
      {"front left", kSideMask, {6000, 0, 0, 0, 0, 0}, 2000, 0},
      {"side right", kSideMask, {0, 0, 0, 0, 0, 6000}, 0, 2000},
      {"centre", kSideMask, {0, 0, 6000, 0, 0, 0}, 1000, 1000},
      {"low frequencies", kSideMask, {0, 0, 0, 6000, 0, 0}, 1000, 1000},
      {"no mask: back speakers", 0, {0, 0, 0, 0, 6000, 0}, 2000, 0},
      {"full scale everywhere", kSideMask, {32767, 32767, 32767, 32767, 32767, 32767}, 32767, 32767},
      {"most negative everywhere", kSideMask, {-32768, -32768, -32768, -32768, -32768, -32768}, -32768, -32768},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<int16_t> stereo = Convert(PcmWaveFormat(6, 44100, 16), BytesOf(c.frame), StandardWaveFormat(), c.mask);
    ASSERT_EQ(stereo.size(), 2u);
    EXPECT_NEAR(stereo[0], c.left, 1);
    EXPECT_NEAR(stereo[1], c.right, 1);
  }
}

TEST(PcmResampler, RefusesShapesItCannotConvert) {
  EXPECT_THROW(TPcmResampler(PcmWaveFormat(4, 44100, 16), StandardWaveFormat()), EConvertError);
  EXPECT_THROW(TPcmResampler(PcmWaveFormat(2, 44100, 12), StandardWaveFormat()), EConvertError);
  EXPECT_THROW(TPcmResampler(StandardWaveFormat(), PcmWaveFormat(2, 44100, 24)), EConvertError);
  EXPECT_THROW(TPcmResampler(StandardWaveFormat(), PcmWaveFormat(6, 44100, 16)), EConvertError);
}

}  // namespace
}  // namespace orv
