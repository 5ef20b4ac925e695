// WAV files laid out in code: chunk layouts the reader must walk, and damaged headers it
// must refuse with a reason.
#include <gtest/gtest.h>

#include <functional>

#include "audio/adpcm_converter.h"
#include "audio_fixtures.h"

namespace orv::test {
namespace {

std::vector<int16_t> Ramp(size_t count) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(i * 37 - 9000);
  return samples;
}

std::vector<int16_t> Decode(const std::string& bytes, TMediaInfo* info = nullptr) {
  Ref<TWavConverter> converter = OpenConverter(std::make_unique<TMemoryStream>(bytes), "test.wav", info);
  if (!converter) return {};
  return DecodeRest(*converter);
}

TWavBuilder StereoFormat() { return TWavBuilder().Format(kWaveFormatPcm, 2, 44100, 16); }

TEST(WavLayout, OnlyTheDataChunkIsPlayedWhereverItLies) {
  const std::vector<int16_t> samples = Ramp(2000);
  const std::string as_bytes(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
  struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"odd-sized chunk before the data", StereoFormat().Chunk("LIST", "abc").Samples(samples).Bytes()},
      {"odd-sized chunk before the format",
       TWavBuilder().Chunk("junk", "x").Format(kWaveFormatPcm, 2, 44100, 16).Samples(samples).Bytes()},
      {"chunks after the data", StereoFormat().Samples(samples).Chunk("LIST", std::string(400, 'z')).Bytes()},
      {"streamed, size all ones", StereoFormat().Samples(samples, 0xFFFFFFFF).Bytes()},
      {"streamed, size zero", StereoFormat().Samples(samples, 0).Bytes()},
      {"size past the end of the file", StereoFormat().Samples(samples, 1 << 30).Bytes()},
      {"a cut frame at the end", StereoFormat().Chunk("data", as_bytes + "xyz").Bytes()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMediaInfo info;
    EXPECT_TRUE(Decode(c.file, &info) == samples);
    EXPECT_EQ(info.Type, TMediaType::WavPcm);
    EXPECT_EQ(info.DataSize, int64_t(samples.size() * 2));
    EXPECT_EQ(info.DurationMs, 23);  // 1000 frames at 44100 Hz
  }
}

TEST(WavLayout, DamagedHeadersAreRefusedWithAReason) {
  const std::vector<int16_t> samples = Ramp(64);
  const auto with_format = [&](const std::function<void(TWavBuilder&)>& format) {
    TWavBuilder builder;
    format(builder);
    return builder.Samples(samples).Bytes();
  };
  struct {
    std::string file;
    const char* reason;
  } cases[] = {
      {"RIFX" + StereoFormat().Samples(samples).Bytes().substr(4), "not a RIFF/WAVE file"},
      {"RIFF", "not a RIFF/WAVE file"},
      {TWavBuilder().Chunk("fmt ", "0123456789").Samples(samples).Bytes(), "format chunk is too short"},
      {with_format([](auto& b) { b.Format(kWaveFormatPcm, 0, 44100, 16); }), "no channels"},
      {with_format([](auto& b) { b.Format(kWaveFormatPcm, 2, 0, 16); }), "sample rate 0"},
      {with_format([](auto& b) { b.Format(kWaveFormatPcm, 2, 100000000, 16); }), "sample rate 100000000"},
      {with_format([](auto& b) { b.Format(kWaveFormatPcm, 2, 44100, 16, 0); }), "block alignment is zero"},
      {with_format([](auto& b) { b.Format(kWaveFormatPcm, 2, 44100, 16, 6); }), "block alignment does not match"},
      {with_format([](auto& b) { b.Format(kWaveFormatPcm, 2, 44100, 12); }), "12 bits"},
      {with_format([](auto& b) { b.Format(kWaveFormatIeeeFloat, 2, 44100, 64); }), "64 bits"},
      {with_format([](auto& b) { b.Format(kWaveFormatPcm, 4, 44100, 16); }), "channel count 4"},
      {with_format([](auto& b) { b.Format(kWaveFormatAdpcm, 2, 44100, 4, 2048, 0); }), "bytes per second are zero"},
      {with_format([](auto& b) { b.Format(kWaveFormatAdpcm, 2, 44100, 4, 14); }), "ADPCM block alignment"},
      {with_format([](auto& b) { b.Format(kWaveFormatAdpcm, 3, 44100, 4, 2048); }), "ADPCM channel count"},
      {with_format([](auto& b) { b.Format(0x1234, 2, 44100, 16); }), "format tag 4660"},
      {TWavBuilder().Samples(samples).Format(kWaveFormatPcm, 2, 44100, 16).Bytes(), "data chunk comes before"},
      {StereoFormat().Bytes(), "no data chunk"},
      {TWavBuilder().Chunk("junk", "abcd").Bytes(), "no format chunk"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    TMemoryStream stream(c.file);
    TMediaInfo info;
    std::string reason;
    EXPECT_FALSE(ProbeWav(stream, info, &reason));
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
  }
}

TEST(WavLayout, MpegInsideWavGoesToTheMpegProbeWithTheDataChunkAndBitRate) {
  TMemoryStream stream(TWavBuilder().Format(kWaveFormatMpegLayer3, 2, 44100, 0, 1, 16000).Samples(Ramp(64)).Bytes());
  TMediaInfo info;
  std::string reason;
  RegisterMediaProber(TProbeFamily::Mpeg, [](TStream&, const std::string&, TMediaInfo& probed) {
    // Called with the data chunk and the WAV's bit rate.
    return probed.DataOffset == 44 && probed.DataSize == 128 && probed.BitRate == 128;
  });
  EXPECT_TRUE(ProbeWav(stream, info, &reason)) << reason;
  EXPECT_EQ(info.Type, TMediaType::Mpeg);
  RegisterMediaProber(TProbeFamily::Mpeg, {});
  EXPECT_FALSE(ProbeWav(stream, info, &reason));
  EXPECT_NE(reason.find("MPEG"), std::string::npos) << reason;
}

// Three mono blocks of 64 bytes (116 frames each); the middle one names a predictor that
// does not exist.
std::string AdpcmFileWithBrokenMiddleBlock() {
  std::string blocks;
  for (const uint8_t predictor : {0, 9, 1}) {
    std::string block;
    block += char(predictor);
    TWavBuilder::Put16(block, 40);     // step
    TWavBuilder::Put16(block, 3000);   // newer sample
    TWavBuilder::Put16(block, 2000);   // older sample
    block += std::string(57, '\x17');  // codes 1 and 7
    blocks += block;
  }
  return TWavBuilder().Format(kWaveFormatAdpcm, 1, 44100, 4, 64, 22050).Chunk("data", blocks).Bytes();
}

TEST(AdpcmDecoding, ABrokenBlockBecomesSilenceAndTheRestStaysInPlace) {
  TMediaInfo info;
  Ref<TWavConverter> converter =
      OpenConverter(std::make_unique<TMemoryStream>(AdpcmFileWithBrokenMiddleBlock()), "broken.wav", &info);
  ASSERT_TRUE(converter);
  EXPECT_EQ(info.DurationMs, 8);  // 348 frames
  std::vector<int16_t> decoded = DecodeRest(*converter);
  ASSERT_EQ(decoded.size(), 3 * 116 * 2u);
  const auto samples_of_block = [&](int index, size_t count) {
    return std::vector<int16_t>(decoded.begin() + index * 232, decoded.begin() + index * 232 + count);
  };
  EXPECT_EQ(samples_of_block(1, 232), std::vector<int16_t>(232, 0));
  // Each block starts with its header's older, then newer sample, on both sides.
  for (const int index : {0, 2}) EXPECT_EQ(samples_of_block(index, 4), (std::vector<int16_t>{2000, 2000, 3000, 3000}));
}

TEST(AdpcmDecoding, SeeksDropTheFramesBeforeTheTimeInItsBlock) {
  Ref<TWavConverter> whole =
      OpenConverter(std::make_unique<TMemoryStream>(AdpcmFileWithBrokenMiddleBlock()), "broken.wav");
  ASSERT_TRUE(whole);
  const std::vector<int16_t> all = DecodeRest(*whole);
  for (const double ms : {1.0, 5.5, 7.0}) {
    whole->Seek(ms);
    const size_t frame = static_cast<size_t>(ms * 44.1);
    EXPECT_TRUE(DecodeRest(*whole) == std::vector<int16_t>(all.begin() + 2 * frame, all.end())) << ms;
  }
}

}  // namespace
}  // namespace orv::test
