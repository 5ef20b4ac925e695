#include "audio/mpeg_converter.h"

#include <gtest/gtest.h>

#include "audio/mpeg_probe.h"
#include "compressed_fixtures.h"

namespace orv {
namespace {

using namespace std::string_literals;
using test::kChirp;
using test::TSoundFolder;

struct TMpegCase {
  const char* Name;
  const char* Arguments;
  bool Vbr;
  double MinSnrDb;
  bool Mono = false;
  // Without a tag frame ffprobe guesses the length from the first frame's bit rate; the
  // player averages the first frames, and is held to the sound's real length.
  double RealDurationMs = 0;
};

// LAME files of a known encoder delay are trimmed by ffmpeg and not by us: the
// comparison allows the delay.
constexpr size_t kMostDelay = 2400;

const TMpegCase kCases[] = {
    {"cbr.mp3", "-c:a libmp3lame -b:a 128k", false, 40},
    {"vbr.mp3", "-c:a libmp3lame -q:a 2", true, 40},
    {"vbr_no_xing.mp3", "-c:a libmp3lame -q:a 2 -write_xing 0", true, 40, false, 12000},
    {"tagged.mp3", "-c:a libmp3lame -b:a 160k -metadata title=Tagged -metadata artist=Somebody -write_id3v1 1", false,
     40},
    {"mono22k.mp3", "-c:a libmp3lame -b:a 48k -ac 1 -ar 22050", false, 25, true},
    {"layer2.mp2", "-c:a mp2 -b:a 192k", false, 40},
    {"in_wave.wav", "-c:a libmp3lame -b:a 128k -f wav", false, 40},
};

class MpegDecoding : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    FFiles = new TSoundFolder;
    for (const TMpegCase& file : kCases) FFiles->Make(file.Name, kChirp + std::string(file.Arguments));
  }
  static void TearDownTestSuite() {
    delete FFiles;
    FFiles = nullptr;
  }
  static std::string PathOf(const std::string& name) { return FFiles->PathOf(name); }

  static inline TSoundFolder* FFiles = nullptr;
};

TEST_F(MpegDecoding, ProbesAndDecodesLikeFfmpeg) {
  for (const TMpegCase& file : kCases) {
    SCOPED_TRACE(file.Name);
    TMediaInfo info;
    const Ref<TWavConverter> converter = test::OpenConverter(PathOf(file.Name), &info);
    ASSERT_TRUE(converter);
    ASSERT_EQ(info.Type, TMediaType::Mpeg);
    EXPECT_EQ(info.Vbr, file.Vbr);
    if (file.RealDurationMs > 0)
      EXPECT_NEAR(double(info.DurationMs), file.RealDurationMs, file.RealDurationMs * 0.05);
    else
      EXPECT_NEAR(double(info.DurationMs), test::FfprobeDurationMs(PathOf(file.Name)), info.MsPerFrame);

    const std::vector<int16_t> ours = test::DecodeRest(*converter);
    const std::vector<int16_t> reference = test::FfmpegStereo(PathOf(file.Name), file.Mono);
    ASSERT_FALSE(reference.empty());
    const size_t lag = test::BestLag(ours, reference, kMostDelay);
    EXPECT_GE(test::SignalToNoise(reference, test::From(ours, lag)), file.MinSnrDb) << "lag " << lag;
  }
}

// The continuous decoding of a file, in the standard format.
std::vector<int16_t> DecodeFile(const std::string& path) {
  const Ref<TWavConverter> converter = test::OpenConverter(path);
  return converter ? test::DecodeRest(*converter) : std::vector<int16_t>{};
}

// A second of output after seeking, against the same second of the continuous decoding.
// Decoding starts 100 ms early to fill the bit reservoir; with a variable bit rate the
// first few ms after the target may still differ a little, never the timing.
TEST_F(MpegDecoding, SeekResumesAtTheSampleAsked) {
  constexpr size_t kSettled = 2205 * 2;
  constexpr size_t kSecond = 44100;
  for (const char* name : {"cbr.mp3", "vbr.mp3", "mono22k.mp3", "layer2.mp2"}) {
    const std::vector<int16_t> whole = DecodeFile(PathOf(name));
    for (const double ms : {50.0, 10000.0, 3333.0}) {
      SCOPED_TRACE(std::string(name) + " at " + std::to_string(ms));
      const Ref<TWavConverter> converter = test::OpenConverter(PathOf(name));
      ASSERT_TRUE(converter);
      converter->Seek(ms);
      const std::vector<int16_t> resumed = test::Take(*converter, kSecond);
      const size_t first = size_t(MsToStandardBytes(ms) / 2);
      ASSERT_LE(first + resumed.size(), whole.size());
      const std::vector<int16_t> expected(whole.begin() + ptrdiff_t(first), whole.begin() + ptrdiff_t(first + resumed.size()));
      EXPECT_GE(test::SignalToNoise(expected, resumed), 30);
      const std::vector<int16_t> resumed_late(resumed.begin() + kSettled, resumed.end());
      const std::vector<int16_t> expected_late(expected.begin() + kSettled, expected.end());
      EXPECT_GE(test::SignalToNoise(expected_late, resumed_late), 60);
    }
  }
}

// Junk between frames (including bytes that look like the start of a header) is dropped
// before the decoder sees it: the sound is the same as without it.
TEST_F(MpegDecoding, JunkBetweenFramesIsSkipped) {
  const std::string clean = test::FileBytes(PathOf("vbr_no_xing.mp3"));
  TMediaInfo info;
  ASSERT_TRUE(test::OpenConverter(PathOf("vbr_no_xing.mp3"), &info));
  ASSERT_EQ(info.Type, TMediaType::Mpeg);
  const std::string junk = "JUNK\xff\x00\xff\xfb\x00\x00 more junk \xff"s + std::string(300, 'j');
  std::string dirty = clean.substr(0, size_t(info.DataOffset));
  int frame = 0;
  for (size_t at = size_t(info.DataOffset); at + kMpegHeaderSize <= clean.size(); ++frame) {
    const std::optional<TMpegFrameHeader> header = ParseMpegHeader(reinterpret_cast<const uint8_t*>(clean.data() + at));
    ASSERT_TRUE(header) << "frame " << frame;
    dirty += clean.substr(at, header->Length);
    if (frame % 7 == 3) dirty += junk;
    at += header->Length;
  }
  test::WriteFile(PathOf("dirty.mp3"), dirty);
  const std::vector<int16_t> expected = DecodeFile(PathOf("vbr_no_xing.mp3"));
  const std::vector<int16_t> decoded = DecodeFile(PathOf("dirty.mp3"));
  ASSERT_GE(decoded.size(), expected.size() - 8192 * 2);
  const size_t compared = std::min(decoded.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + ptrdiff_t(compared), decoded.begin()));
}

// Each converter has a decoder of its own: two files decoded in turns (as in a
// cross-fade) come out as each does alone.
TEST_F(MpegDecoding, TwoConvertersDecodeIndependently) {
  const Ref<TWavConverter> first = test::OpenConverter(PathOf("cbr.mp3"));
  const Ref<TWavConverter> second = test::OpenConverter(PathOf("vbr.mp3"));
  ASSERT_TRUE(first && second);
  second->Seek(2000);
  std::vector<int16_t> first_output, second_output;
  for (int piece = 0; piece < 40; ++piece) {
    for (auto [converter, output] : {std::pair{first.Get(), &first_output}, std::pair{second.Get(), &second_output}}) {
      const std::vector<int16_t> samples = test::Take(*converter, 3000 + 17 * piece);
      output->insert(output->end(), samples.begin(), samples.end());
    }
  }
  const Ref<TWavConverter> first_alone = test::OpenConverter(PathOf("cbr.mp3"));
  const Ref<TWavConverter> second_alone = test::OpenConverter(PathOf("vbr.mp3"));
  second_alone->Seek(2000);
  EXPECT_EQ(test::Take(*first_alone, first_output.size() / 2), first_output);
  EXPECT_EQ(test::Take(*second_alone, second_output.size() / 2), second_output);
}

// Tags at both ends: the data lies between them and nothing of a tag is decoded.
TEST_F(MpegDecoding, TagsAreLeftOutOfTheData) {
  const std::string bytes = test::FileBytes(PathOf("tagged.mp3"));
  ASSERT_EQ(bytes.substr(0, 3), "ID3");
  ASSERT_EQ(bytes.substr(bytes.size() - 128, 3), "TAG");
  TMediaInfo info;
  const Ref<TWavConverter> converter = test::OpenConverter(PathOf("tagged.mp3"), &info);
  ASSERT_TRUE(converter);
  EXPECT_EQ(info.DataOffset + info.DataSize, int64_t(bytes.size()) - 128);
  EXPECT_TRUE(ParseMpegHeader(reinterpret_cast<const uint8_t*>(bytes.data() + info.DataOffset)));
  // No click: the sound starts from silence.
  const std::vector<int16_t> start = test::Take(*converter, 64);
  EXPECT_LT(*std::max_element(start.begin(), start.end(), [](int16_t a, int16_t b) { return std::abs(a) < std::abs(b); }),
            2000);
}

// Files that are not MPEG audio are refused; cut ones, or ones with a tag too long for
// the file, decode what there is.
TEST_F(MpegDecoding, DamagedFilesAreRefusedOrCut) {
  const std::string clean = test::FileBytes(PathOf("cbr.mp3"));
  const struct {
    const char* name;
    std::string bytes;
    bool recognised;
  } cases[] = {
      {"empty.mp3", "", false},
      {"text.mp3", std::string(5000, 'x'), false},
      {"header_only.mp3", clean.substr(0, 300), false},
      {"huge_id3.mp3", std::string("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10) + clean, true},
      {"cut.mp3", clean.substr(0, clean.size() / 3), true},
  };
  for (const auto& file : cases) {
    SCOPED_TRACE(file.name);
    test::WriteFile(PathOf(file.name), file.bytes);
    TMediaInfo info;
    TFileStream stream(PathOf(file.name), TFileMode::OpenRead);
    EXPECT_EQ(ProbeMpeg(stream, info), file.recognised);
    if (!file.recognised) continue;
    const Ref<TWavConverter> converter = test::OpenConverter(PathOf(file.name));
    ASSERT_TRUE(converter);
    EXPECT_GT(test::DecodeRest(*converter).size(), 0u);
  }
}

}  // namespace
}  // namespace orv
