#include "video/media_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "coded_clips.h"

namespace orv {
namespace {

// Media made once for the whole suite by the ffmpeg program: one second of a red (or
// blue) 64 × 48 picture at 25 frames per second, and a 440 Hz tone.
class MediaLibrary : public MediaClipSuite {
 protected:
  static void SetUpTestSuite() {
    StartSuite("media");
    const std::string red = "-f lavfi -i color=c=red:size=64x48:rate=25:duration=1 ";
    const std::string tone = "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=1 ";
    Make("clip.avi", red + tone + "-c:v mpeg4 -vtag XVID -c:a pcm_s16le");
    Make("interlaced.mkv", red + "-c:v mpeg2video -flags +ilme+ildct -top 1 -metadata comment=Tessaro_ITFB");
    Make("clip.mp4",
         "-f lavfi -i color=c=blue:size=64x48:rate=25:duration=1 "
         "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -c:v mpeg4 -c:a aac -ac 2");
    Make("tone.wav", tone + "-c:a pcm_s16le");
    Make("clip.mpg", red + tone + "-c:v mpeg1video -c:a mp2 -f mpeg");
    Make("clip.ts", red + "-c:v mpeg2video -f mpegts");
    Make("clip.flv", red + "-c:v flv1");
  }

  static void Make(const std::string& name, const std::string& arguments) { FClips->Make(name, arguments); }
  static std::string PathOf(const std::string& name) { return FClips->PathOf(name); }
  static std::string Bytes(const std::string& name) { return FClips->Bytes(name); }

  // Through the player's stream, as the player opens files.
  static Ref<TMediaFile> OpenStream(const std::string& name, const std::string& bytes) {
    return TMediaFile::Open(FLibrary, name, std::make_unique<TMemoryStream>(bytes));
  }
  static Ref<TMediaFile> Open(const std::string& name) { return OpenStream(name, Bytes(name)); }

};

// A buffer of the library, freed with it.
struct TBuffer {
  TBuffer(const TMediaLibraryFunctions& functions, TMediaBuffer* buffer) : Functions(functions), Buffer(buffer) {}
  ~TBuffer() { Functions.FreeBuffer(Buffer); }
  const TMediaLibraryFunctions& Functions;
  TMediaBuffer* Buffer;
};

TEST_F(MediaLibrary, RecordsTellFormatKindCodecAndTiming) {
  struct {
    const char* file;
    const char* format;
    TContainerKind kind;
    int32_t codec;
  } const cases[] = {
      {"clip.avi", "avi", TContainerKind::Avi, MEDIA_CODEC_XVID},
      {"interlaced.mkv", "matroska,webm", TContainerKind::Matroska, MEDIA_CODEC_MPEG2},
      {"clip.mp4", "mov,mp4,m4a,3gp,3g2,mj2", TContainerKind::Mov, MEDIA_CODEC_MPEG4},
      {"clip.mpg", "mpeg", TContainerKind::Mpeg, MEDIA_CODEC_MPEG1},
      {"clip.ts", "mpegts", TContainerKind::MpegTs, MEDIA_CODEC_MPEG2},
      {"clip.flv", "flv", TContainerKind::Flv, -1},  // a codec without a number of ours
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Ref<TMediaFile> file = Open(c.file);
    ASSERT_TRUE(file);
    const TMediaRecord& record = file->Record();
    EXPECT_EQ(file->FormatName(), c.format);
    EXPECT_EQ(file->ContainerKind(), c.kind);
    EXPECT_GE(record.VideoStream, 0);
    if (c.codec >= 0) {
      EXPECT_EQ(record.CodecId, c.codec);
    } else {
      EXPECT_GT(record.CodecId, MEDIA_CODEC_OTHER_BASE);
    }
    EXPECT_EQ(record.Width, 64);
    EXPECT_EQ(record.Height, 48);
    EXPECT_EQ(record.FrameRate.Num * 1.0 / record.FrameRate.Den, 25.0);
    EXPECT_NEAR(record.Duration, 1000000, 100000);
    EXPECT_EQ(record.FrameIndex, -1);
    EXPECT_GT(record.TimeBase.Den, 0);
  }
}

TEST_F(MediaLibrary, FirstVideoFrameIsTheRedPicture) {
  const Ref<TMediaFile> file = Open("clip.avi");
  ASSERT_TRUE(file);
  const TMediaLibraryFunctions& f = file->Functions();
  ASSERT_EQ(file->Record().PixelFormat, MEDIA_PIXEL_YUV420);
  TBuffer frame(f, f.AllocBuffer(MEDIA_PIXEL_YUV420, 64, 48));
  const int64_t first = f.GetNextVideoFrame(&file->Record(), frame.Buffer, 0);
  ASSERT_NE(first, MEDIA_NO_TIME_STAMP);
  EXPECT_EQ(file->Record().FrameIndex, 0);
  EXPECT_EQ(f.GetCurrentPts(&file->Record(), file->Record().VideoStream), first);
  ASSERT_EQ(frame.Buffer->Width, 64);
  // Red in video range: Y 81, U 90, V 240.
  EXPECT_NEAR(frame.Buffer->Data[0][10 * frame.Buffer->LineSize[0] + 10], 81, 3);
  EXPECT_NEAR(frame.Buffer->Data[1][5 * frame.Buffer->LineSize[1] + 5], 90, 3);
  EXPECT_NEAR(frame.Buffer->Data[2][5 * frame.Buffer->LineSize[2] + 5], 240, 3);

  // The same frame as 32-bit pixels, bytes blue, green, red, alpha.
  TBuffer bgra(f, f.AllocBufferWithData(MEDIA_PIXEL_BGRA, 32, 24));
  ASSERT_EQ(f.ConvertFrame(&file->Record(), frame.Buffer, bgra.Buffer, 64, 48), 0);
  const uint8_t* pixel = bgra.Buffer->Data[0] + 12 * bgra.Buffer->LineSize[0] + 16 * 4;
  EXPECT_LE(pixel[0], 8);
  EXPECT_LE(pixel[1], 8);
  EXPECT_GE(pixel[2], 247);
}

TEST_F(MediaLibrary, FramesComeInTheBuffersFormatAndSeekingBackStartsAgain) {
  const Ref<TMediaFile> file = Open("clip.mp4");
  ASSERT_TRUE(file);
  const TMediaLibraryFunctions& f = file->Functions();
  TMediaRecord* record = &file->Record();
  TBuffer bgr(f, f.AllocBuffer(MEDIA_PIXEL_BGR24, 0, 0));
  const int64_t first = f.GetNextVideoFrame(record, bgr.Buffer, 0);
  ASSERT_NE(first, MEDIA_NO_TIME_STAMP);
  const uint8_t* pixel = bgr.Buffer->Data[0] + 20 * bgr.Buffer->LineSize[0] + 30 * 3;
  EXPECT_GE(pixel[0], 247);  // blue
  EXPECT_LE(pixel[2], 8);
  int64_t last = first;
  for (int i = 0; i < 5; ++i) last = f.GetNextVideoFrame(record, bgr.Buffer, 0);
  EXPECT_GT(last, first);
  EXPECT_EQ(record->FrameIndex, 5);
  ASSERT_GE(f.SeekFile(record, record->VideoStream, first, MEDIA_SEEK_BACKWARD | MEDIA_SEEK_FLUSH), 0);
  EXPECT_EQ(f.GetNextVideoFrame(record, bgr.Buffer, 0), first);
  EXPECT_EQ(record->FrameIndex, 0);
  // Reading to the end gives 25 frames in all, then no time stamp.
  int frames = 1;
  while (f.GetNextVideoFrame(record, bgr.Buffer, 0) != MEDIA_NO_TIME_STAMP) ++frames;
  EXPECT_EQ(frames, 25);
  int64_t dts = 0, pts = 0;
  EXPECT_EQ(f.GetDtsPts2(record, record->VideoStream, &dts, &pts), 0);
  EXPECT_GT(pts, first);
}

TEST_F(MediaLibrary, InterlacedFramesAndTheFileTag) {
  const Ref<TMediaFile> file = Open("interlaced.mkv");
  ASSERT_TRUE(file);
  EXPECT_STREQ(file->Record().FileTag, "Tessaro_ITFB");
  EXPECT_EQ(file->InterlaceTag(), TInterlaceTag::BottomFieldFirst);
  const TMediaLibraryFunctions& f = file->Functions();
  TBuffer frame(f, f.AllocBuffer(MEDIA_PIXEL_YUV420, 0, 0));
  ASSERT_NE(f.GetNextVideoFrame(&file->Record(), frame.Buffer, 0), MEDIA_NO_TIME_STAMP);
  f.GetFrameInfo(frame.Buffer);
  EXPECT_EQ(frame.Buffer->Interlaced, 1);
  EXPECT_EQ(frame.Buffer->TopFieldFirst, 1);
  EXPECT_EQ(Open("clip.avi")->InterlaceTag(), TInterlaceTag::None);
}

// Sums the PCM of an opened audio stream and finds its loudest sample.
struct TPcmSummary {
  int64_t Bytes = 0;
  int Peak = 0;
};
TPcmSummary ReadAllPcm(TMediaFile& file) {
  std::vector<uint8_t> buffer(MEDIA_AUDIO_BUFFER_SIZE);
  TPcmSummary summary;
  int32_t count = 0;
  while (file.Functions().GetNextAudioFrame(&file.Record(), buffer.data(), &count) > 0) {
    EXPECT_LE(count, MEDIA_AUDIO_BUFFER_SIZE);
    for (int32_t i = 0; i + 1 < count; i += 2) {
      int16_t sample;
      std::memcpy(&sample, &buffer[size_t(i)], 2);
      summary.Peak = std::max(summary.Peak, std::abs(int(sample)));
    }
    summary.Bytes += count;
  }
  return summary;
}

TEST_F(MediaLibrary, AudioInfoAndPcm) {
  struct {
    const char* file;
    int rate, channels;
    bool video;
  } const cases[] = {
      {"tone.wav", 22050, 1, false},
      {"clip.avi", 22050, 1, true},
      {"clip.mp4", 44100, 2, true},
      {"clip.mpg", 22050, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Ref<TMediaFile> file = Open(c.file);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Record().VideoStream >= 0, c.video);
    ASSERT_GE(file->Record().AudioStream, 0);
    char codec[64] = {};
    TMediaAudioInfo info{};
    ASSERT_EQ(file->Functions().GetAudioInfo(&file->Record(), codec, sizeof codec, &info), 1);
    EXPECT_EQ(info.SampleRate, c.rate);
    EXPECT_EQ(info.Channels, c.channels);
    EXPECT_EQ(info.Bits, 16);
    EXPECT_NE(codec[0], 0);
    ASSERT_TRUE(file->OpenAudioStream(0));
    const TPcmSummary pcm = ReadAllPcm(*file);
    const double seconds = double(pcm.Bytes) / (c.rate * c.channels * 2);
    EXPECT_NEAR(seconds, 1.0, 0.05);
    EXPECT_GT(pcm.Peak, 2000);  // a tone, not silence
  }
  EXPECT_FALSE(Open("clip.avi")->OpenAudioStream(2));        // it has one audio stream
  EXPECT_FALSE(Open("interlaced.mkv")->OpenAudioStream(0));  // and this one none
}

TEST_F(MediaLibrary, OpensByFileNameAndThroughTheNarrowCallbacks) {
  const Ref<TMediaFile> by_name = TMediaFile::Open(FLibrary, PathOf("clip.avi"), nullptr);
  ASSERT_TRUE(by_name);
  EXPECT_EQ(by_name->FormatName(), "avi");

  TMediaStreamAdapter stream(std::make_unique<TMemoryStream>(Bytes("clip.mp4")));
  TMediaStreamCallbacks narrow = stream.Callbacks();
  narrow.Read64 = nullptr;
  const TMediaLibraryFunctions& f = FLibrary->Functions();
  TMediaRecord* record = f.OpenMediaFile("clip.mp4", nullptr, &narrow);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->Width, 64);
  f.CloseMediaFile(record);
}

TEST_F(MediaLibrary, DamagedFilesGiveNoRecordOrEndEarly) {
  const std::string avi = Bytes("clip.avi");
  EXPECT_FALSE(OpenStream("noise.avi", std::string(5000, '\x5a')));
  EXPECT_FALSE(OpenStream("empty.mp4", ""));
  EXPECT_FALSE(TMediaFile::Open(FLibrary, PathOf("missing.avi"), nullptr));
  // Cut after its header, the file opens and its frames simply end.
  for (const size_t size : {size_t(1000), size_t(6000), avi.size() / 2}) {
    SCOPED_TRACE(size);
    const Ref<TMediaFile> cut = OpenStream("cut.avi", avi.substr(0, size));
    if (!cut) continue;
    const TMediaLibraryFunctions& f = cut->Functions();
    TBuffer frame(f, f.AllocBuffer(MEDIA_PIXEL_YUV420, 0, 0));
    int frames = 0;
    while (f.GetNextVideoFrame(&cut->Record(), frame.Buffer, 0) != MEDIA_NO_TIME_STAMP) ++frames;
    EXPECT_LT(frames, 25);
  }
  // Bytes flipped all over the file.
  std::string damaged = avi;
  for (size_t i = 300; i < damaged.size(); i += 97) damaged[i] = char(~damaged[i]);
  if (const Ref<TMediaFile> file = OpenStream("damaged.avi", damaged)) {
    const TMediaLibraryFunctions& f = file->Functions();
    TBuffer frame(f, f.AllocBuffer(MEDIA_PIXEL_BGRA, 0, 0));
    while (f.GetNextVideoFrame(&file->Record(), frame.Buffer, 0) != MEDIA_NO_TIME_STAMP) {
    }
  }
}

TEST_F(MediaLibrary, BuffersRefuseFormatsAndSizesTheyCannotHold) {
  const TMediaLibraryFunctions& f = FLibrary->Functions();
  EXPECT_EQ(f.AllocBufferWithData(MEDIA_PIXEL_BGRA, 0, 10), nullptr);
  EXPECT_EQ(f.AllocBufferWithData(MEDIA_PIXEL_BGRA, 100000, 100000), nullptr);
  EXPECT_EQ(f.AllocBuffer(12345, 8, 8), nullptr);
  EXPECT_EQ(f.AllocBuffer(MEDIA_PIXEL_OTHER_BASE + 100000, 8, 8), nullptr);
  // Converting from a buffer that holds no frame fails instead of reading nothing.
  TBuffer empty(f, f.AllocBuffer(MEDIA_PIXEL_YUV420, 8, 8));
  TBuffer target(f, f.AllocBufferWithData(MEDIA_PIXEL_BGRA, 8, 8));
  EXPECT_LT(f.ConvertFrame(nullptr, empty.Buffer, target.Buffer, 8, 8), 0);
  EXPECT_EQ(f.CreateVideoFile("x.avi", 64, 48, TMediaRational{25, 1}), nullptr);
}

TEST(MediaStream, CallbacksMoveThroughTheStreamAndRefuseHugeReads) {
  TMediaStreamAdapter adapter(std::make_unique<TMemoryStream>("0123456789"));
  const TMediaStreamCallbacks& c = adapter.Callbacks();
  char buffer[8] = {};
  EXPECT_EQ(c.Seek64(c.Stream, -3, 2), 7);
  EXPECT_EQ(c.Read(c.Stream, buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(c.Seek(c.Stream, 2, 0), 2);
  EXPECT_EQ(c.Seek(c.Stream, 1, 1), 3);
  EXPECT_EQ(c.Position(c.Stream), 3);
  EXPECT_EQ(c.Size(c.Stream), 10);
  EXPECT_EQ(c.Size64(c.Stream), 10);
  EXPECT_EQ(c.Seek64(c.Stream, 0, 7), -1);
  EXPECT_EQ(c.Read64(c.Stream, buffer, TMediaStreamAdapter::kMaxRead + 1), -1);
  EXPECT_EQ(c.Position64(c.Stream), 3);
}

TEST(MediaLibraryLoading, NamesKindsAndTags) {
  EXPECT_EQ(ContainerKindOf("mpegvideo"), TContainerKind::Mpeg);
  EXPECT_EQ(ContainerKindOf("asf"), TContainerKind::Asf);
  EXPECT_EQ(ContainerKindOf("AVI"), TContainerKind::Other);
  EXPECT_EQ(ContainerKindOf("wav"), TContainerKind::Other);
  EXPECT_EQ(InterlaceTagOf("Tessaro_ITFA"), TInterlaceTag::TopFieldFirst);
  EXPECT_EQ(InterlaceTagOf("Tessaro_ITFB"), TInterlaceTag::BottomFieldFirst);
  EXPECT_EQ(InterlaceTagOf("tessaro_itfa"), TInterlaceTag::None);
}

TEST(MediaLibraryLoading, ALibraryWithoutEveryFunctionIsNotUsed) {
  std::string error;
  EXPECT_FALSE(TMediaLibrary::Load(ORV_PICTURE_LIBRARY_PATH, error));
  EXPECT_EQ(error, "no function \"OpenMediaFile\"");
  EXPECT_FALSE(TMediaLibrary::Load("/nonexistent/FFmpeg.so", error));
  EXPECT_NE(error, "");
}

TEST(MediaLibraryLoading, OneSharedInstanceKeepsTheFirstLibraryThatLoads) {
  EXPECT_FALSE(MediaLibraryRequested());
  EXPECT_EQ(MediaLibraryPath(), "");
  EXPECT_FALSE(LoadSharedMediaLibrary("/nonexistent/FFmpeg.so"));
  EXPECT_FALSE(MediaLibraryRequested());  // a failed load may be tried again
  LoadSharedMediaLibraryInBackground({"/nonexistent/FFmpeg.so", ORV_PICTURE_LIBRARY_PATH, ORV_MEDIA_LIBRARY_PATH});
  EXPECT_TRUE(MediaLibraryRequested());
  EXPECT_EQ(MediaLibraryPath(), ORV_MEDIA_LIBRARY_PATH);
  EXPECT_TRUE(LoadSharedMediaLibrary(ORV_PICTURE_LIBRARY_PATH));
  EXPECT_EQ(SharedMediaLibrary()->Path(), ORV_MEDIA_LIBRARY_PATH);
}

}  // namespace
}  // namespace orv
