#include <gtest/gtest.h>

#include "audio/decoder_library.h"
#include "audio/ffmpeg_converter.h"
#include "compressed_fixtures.h"
#include "video/media_library.h"

namespace orv {
namespace {

using test::kChirp;
using test::TSoundFolder;

struct TLibraryCase {
  const char* Name;
  const char* Arguments;
  TMediaType Type;
  double MinSnrDb;
  bool Mono = false;
};

const TLibraryCase kCases[] = {
    {"tone.ogg", "-c:a libvorbis -q:a 5", TMediaType::Ogg, 40},
    {"tone.wma", "-c:a wmav2 -b:a 128k", TMediaType::Wma, 30},
    {"tone.flac", "-c:a flac", TMediaType::MediaLibrary, 80},
    {"tone.m4a", "-c:a aac -b:a 160k", TMediaType::MediaLibrary, 30},
    {"tone48k.flac", "-c:a flac -ar 48000 -ac 1", TMediaType::MediaLibrary, 25, true},
};

// The libraries are those of this build, loaded as the player loads them.
class LibraryDecoding : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    FFiles = new TSoundFolder;
    for (const TLibraryCase& file : kCases) FFiles->Make(file.Name, kChirp + std::string(file.Arguments));
    ASSERT_TRUE(LoadSharedMediaLibrary(ORV_MEDIA_LIBRARY_PATH));
    std::string error;
    SetDecoderLibrary(TMediaType::Ogg, TDecoderLibrary::Load(ORV_OGG_LIBRARY_PATH, error));
    SetDecoderLibrary(TMediaType::Wma, TDecoderLibrary::Load(ORV_WMA_LIBRARY_PATH, error));
    ASSERT_TRUE(DecoderLibrary(TMediaType::Ogg) && DecoderLibrary(TMediaType::Wma)) << error;
  }
  static void TearDownTestSuite() {
    SetDecoderLibrary(TMediaType::Ogg, nullptr);
    SetDecoderLibrary(TMediaType::Wma, nullptr);
    delete FFiles;
    FFiles = nullptr;
  }
  static std::string PathOf(const std::string& name) { return FFiles->PathOf(name); }

  static inline TSoundFolder* FFiles = nullptr;
};

TEST_F(LibraryDecoding, ProbesAndDecodesLikeFfmpeg) {
  for (const TLibraryCase& file : kCases) {
    SCOPED_TRACE(file.Name);
    TMediaInfo info;
    const Ref<TWavConverter> converter = test::OpenConverter(PathOf(file.Name), &info);
    ASSERT_TRUE(converter);
    ASSERT_EQ(info.Type, file.Type);
    EXPECT_NEAR(double(info.DurationMs), test::FfprobeDurationMs(PathOf(file.Name)), 30);

    const std::vector<int16_t> ours = test::DecodeRest(*converter);
    const std::vector<int16_t> reference = test::FfmpegStereo(PathOf(file.Name), file.Mono);
    ASSERT_FALSE(reference.empty());
    EXPECT_GE(test::SignalToNoise(reference, ours), file.MinSnrDb);
  }
}

// The decoder libraries seek to the sample: what follows a seek is what the continuous
// decoding has there.
TEST_F(LibraryDecoding, DecoderLibrariesSeekToTheSample) {
  for (const char* name : {"tone.ogg", "tone.wma"}) {
    const Ref<TWavConverter> whole_converter = test::OpenConverter(PathOf(name));
    ASSERT_TRUE(whole_converter);
    const std::vector<int16_t> whole = test::DecodeRest(*whole_converter);
    for (const double ms : {50.0, 10000.0}) {
      SCOPED_TRACE(std::string(name) + " at " + std::to_string(ms));
      const Ref<TWavConverter> converter = test::OpenConverter(PathOf(name));
      converter->Seek(ms);
      const std::vector<int16_t> resumed = test::Take(*converter, 22050);
      const size_t first = size_t(MsToStandardBytes(ms) / 2);
      const std::vector<int16_t> expected(whole.begin() + ptrdiff_t(first),
                                          whole.begin() + ptrdiff_t(first + resumed.size()));
      EXPECT_GE(test::SignalToNoise(expected, resumed), 30);
    }
  }
}

// Without its decoder library an Ogg file is read by the media library.
TEST_F(LibraryDecoding, OggWithoutItsLibraryGoesToTheMediaLibrary) {
  const Ref<TDecoderLibrary> ogg = DecoderLibrary(TMediaType::Ogg);
  SetDecoderLibrary(TMediaType::Ogg, nullptr);
  TMediaInfo info;
  const Ref<TWavConverter> converter = test::OpenConverter(PathOf("tone.ogg"), &info);
  SetDecoderLibrary(TMediaType::Ogg, ogg);
  EXPECT_TRUE(converter);
  EXPECT_EQ(info.Type, TMediaType::MediaLibrary);
  EXPECT_NEAR(double(info.DurationMs), 12000, 30);
}

TEST(MediaLibraryNames, StreamSelectorAndName) {
  const struct {
    const char* name;
    const char* library_name;
    int selector;
  } cases[] = {
      {"music/a.mkv", "qwemusic/a.mkv", 0},
      {"music/a.mkv?2", "qwemusic/a.mkv", 2},
      {"a.mkv?x", "qwea.mkv", 0},
      {"a.mkv?-3", "qwea.mkv", 0},
      {"a?b.mkv?1", "qwea", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MediaLibraryNameOf(c.name), c.library_name) << c.name;
    EXPECT_EQ(AudioStreamSelectorOf(c.name), c.selector) << c.name;
  }
}

}  // namespace
}  // namespace orv
