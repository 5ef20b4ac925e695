#include "app/export/export_sink.h"

#include <gtest/gtest.h>
#include <png.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/export/export_progress.h"
#include "base/exceptions.h"
#include "image/bitmap_store.h"
#include "image/image.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

Ref<TImage> SolidFrame(int width, int height, uint32_t argb) {
  Ref<TBitmap> pixels = TBitmap::Create(width, height, pf::A8R8G8B8);
  pixels->Fill(argb);
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"frame", std::move(pixels)));
}

class ExportSinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    FFolder = fs::temp_directory_path() / ("orv-export-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FFolder);
  }
  void TearDown() override { fs::remove_all(FFolder); }

  std::string PathOf(const std::string& name) const { return (FFolder / name).string(); }

  // Runs a whole export of `frames` through a sink made as the program makes it.
  void Export(const TExportSettings& settings, const std::vector<Ref<TImage>>& frames, size_t depth) {
    TFrameSchedule schedule = ScheduleBetween(0, 1000.0 * double(frames.size()) / settings.Fps, settings.Fps);
    auto sink = MakeRef<TExportSink>(schedule, CreateFrameWriter(settings), depth, nullptr, settings.Output);
    for (const Ref<TImage>& frame : frames) {
      ASSERT_TRUE(sink->NextFrameTime().has_value());
      sink->PutFrame(*frame);
    }
    EXPECT_FALSE(sink->NextFrameTime().has_value());
    sink->Finish("");
    EXPECT_EQ(sink->Failure(), "");
  }

  fs::path FFolder;
};

// Every pixel of a PNG file as 0xAARRGGBB, with its size.
struct TPngPixels {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Argb;
};

TPngPixels ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  EXPECT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << path;
  image.format = PNG_FORMAT_BGRA;
  TPngPixels pixels{int(image.width), int(image.height), std::vector<uint32_t>(image.width * image.height)};
  EXPECT_TRUE(png_image_finish_read(&image, nullptr, pixels.Argb.data(), 0, nullptr));
  return pixels;
}

TEST_F(ExportSinkTest, PngSequenceHoldsEachFrameInOrder) {
  TExportSettings settings;
  settings.Kind = TOutputKind::PngSequence;
  settings.Output = PathOf("frames/");
  const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF808080};
  std::vector<Ref<TImage>> frames;
  for (uint32_t colour : colours) frames.push_back(SolidFrame(32, 18, colour));
  Export(settings, frames, 2);
  for (int i = 0; i < 4; ++i) {
    const TPngPixels png = ReadPng(SequenceFrameName(settings.Output, i));
    EXPECT_EQ(png.Width, 32);
    EXPECT_EQ(png.Height, 18);
    EXPECT_EQ(png.Argb[5 * 32 + 7], colours[i]) << "frame " << i;
  }
  EXPECT_FALSE(fs::exists(SequenceFrameName(settings.Output, 4)));
}

TEST_F(ExportSinkTest, SnapshotIsOneOpaquePicture) {
  TExportSettings settings;
  settings.Kind = TOutputKind::Snapshot;
  settings.Output = PathOf("shot.png");
  auto sink = MakeRef<TExportSink>(TFrameSchedule{1500, 40, 1}, CreateFrameWriter(settings), 0, nullptr, "");
  EXPECT_EQ(sink->NextFrameTime(), 1500);
  // The drawing may leave alpha behind; the picture of a screen is opaque.
  Ref<TImage> frame = SolidFrame(20, 10, 0x4010C020);
  sink->PutFrame(*frame);
  EXPECT_FALSE(sink->NextFrameTime().has_value());
  sink->Finish("");
  const TPngPixels png = ReadPng(settings.Output);
  EXPECT_EQ(png.Width, 20);
  EXPECT_EQ(png.Argb[0], 0xFF10C020u);
}

TEST_F(ExportSinkTest, RawFramesAreTheBytesAsDelivered) {
  TExportSettings settings;
  settings.Kind = TOutputKind::Raw;
  settings.Output = PathOf("frames.raw");
  Export(settings, {SolidFrame(3, 2, 0xFF010203), SolidFrame(3, 2, 0xFF040506)}, 1);
  std::ifstream file(settings.Output, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  ASSERT_EQ(bytes.size(), 2u * 3 * 2 * 4);
  EXPECT_EQ((std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4)), (std::vector<uint8_t>{3, 2, 1, 255}));
  EXPECT_EQ((std::vector<uint8_t>(bytes.end() - 4, bytes.end())), (std::vector<uint8_t>{6, 5, 4, 255}));
}

TEST_F(ExportSinkTest, VideoIsH264WithEvenSidesAndEveryFrame) {
  TExportSettings settings;
  settings.Kind = TOutputKind::Video;
  settings.Output = PathOf("show.mp4");
  settings.Fps = 25;
  std::vector<Ref<TImage>> frames;
  for (int i = 0; i < 12; ++i) frames.push_back(SolidFrame(65, 49, 0xFF000000u | uint32_t(i * 20) << 16));
  Export(settings, frames, 3);

  AVFormatContext* format = nullptr;
  ASSERT_EQ(avformat_open_input(&format, settings.Output.c_str(), nullptr, nullptr), 0);
  ASSERT_GE(avformat_find_stream_info(format, nullptr), 0);
  ASSERT_EQ(format->nb_streams, 1u);
  const AVCodecParameters& video = *format->streams[0]->codecpar;
  EXPECT_EQ(video.codec_id, AV_CODEC_ID_H264);
  EXPECT_EQ(video.width, 64);
  EXPECT_EQ(video.height, 48);
  EXPECT_EQ(video.format, AV_PIX_FMT_YUV420P);
  int packets = 0;
  AVPacket* packet = av_packet_alloc();
  while (av_read_frame(format, packet) >= 0) {
    ++packets;
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  EXPECT_EQ(packets, 12);
  EXPECT_NEAR(double(format->duration) / AV_TIME_BASE, 12 / 25.0, 0.05);
  avformat_close_input(&format);
}

TEST_F(ExportSinkTest, UnwritablePathFailsAtOnceWithTheReason) {
  // Below a plain file nothing can be made, whoever runs the test.
  std::ofstream(PathOf("plain")) << "x";
  const std::pair<TOutputKind, std::string> cases[] = {
      {TOutputKind::Snapshot, PathOf("plain/shot.png")},
      {TOutputKind::Video, PathOf("plain/show.mp4")},
      {TOutputKind::PngSequence, PathOf("plain/frames/")},
      {TOutputKind::Raw, PathOf("plain/frames.raw")},
  };
  for (const auto& [kind, path] : cases) {
    TExportSettings settings;
    settings.Kind = kind;
    settings.Output = path;
    try {
      CreateFrameWriter(settings);
      ADD_FAILURE() << path << " was accepted";
    } catch (const EFileError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(path.substr(0, path.find("/frames/") + 1)), std::string::npos) << message;
      EXPECT_NE(message.find(": "), std::string::npos) << message;
    }
  }
}

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

// The old file stays whole until a run succeeds, and then nothing but the new one is left.
TEST_F(ExportSinkTest, AnAbandonedOutputKeepsTheOldFileAndAFinishedOneReplacesIt) {
  const std::pair<TOutputKind, std::string> cases[] = {
      {TOutputKind::Snapshot, "shot.png"}, {TOutputKind::Video, "show.mp4"}, {TOutputKind::Raw, "frames.raw"}};
  const Ref<TBitmap> frame = SolidFrame(16, 8, 0xFF336699)->GetLevel(0);
  for (const auto& [kind, name] : cases) {
    SCOPED_TRACE(name);
    TExportSettings settings;
    settings.Kind = kind;
    settings.Output = PathOf(name);
    std::ofstream(settings.Output) << "old";
    std::unique_ptr<TFrameWriter> abandoned = CreateFrameWriter(settings);
    abandoned->Write(*frame);
    abandoned->Abandon();
    EXPECT_EQ(Contents(settings.Output), "old");
    EXPECT_EQ(NamesIn(FFolder), std::vector<std::string>{name});

    std::unique_ptr<TFrameWriter> finished = CreateFrameWriter(settings);
    finished->Write(*frame);
    finished->Close();
    EXPECT_GT(Contents(settings.Output).size(), 3u);
    EXPECT_EQ(NamesIn(FFolder), std::vector<std::string>{name});
    fs::remove(settings.Output);
  }
}

// A pipe cannot be rewritten: raw frames go through as they are, a video as a fragmented
// MP4, and the pipe stays whatever happens.
TEST_F(ExportSinkTest, APipeIsWrittenAsItIsAndNeverRemoved) {
  const std::string pipe = PathOf("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const Ref<TBitmap> frame = SolidFrame(16, 8, 0xFF336699)->GetLevel(0);
  for (const TOutputKind kind : {TOutputKind::Raw, TOutputKind::Video}) {
    std::string received;
    std::thread reader([&] { received = Contents(pipe); });
    TExportSettings settings;
    settings.Kind = kind;
    settings.Output = pipe;
    std::unique_ptr<TFrameWriter> writer = CreateFrameWriter(settings);
    writer->Write(*frame);
    writer->Write(*frame);
    writer->Close();
    writer.reset();
    reader.join();
    if (kind == TOutputKind::Raw) {
      EXPECT_EQ(received.size(), 2u * 16 * 8 * 4);
    } else {
      EXPECT_EQ(received.substr(4, 4), "ftyp");
      EXPECT_NE(received.find("moof"), std::string::npos);
    }
    struct stat info {};
    EXPECT_EQ(::stat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
  }
}

// Records frames, and fails at the frame numbered `FailAt`.
class TFailingWriter : public TFrameWriter {
public:
  explicit TFailingWriter(int fail_at, bool* abandoned) : FFailAt(fail_at), FAbandoned(abandoned) {}
  void Write(const TBitmap&) override {
    if (FWritten++ == FFailAt) throw EFileError("No space left on device");
  }
  void Close() override {}
  void Abandon() override { *FAbandoned = true; }

private:
  int FFailAt;
  int FWritten = 0;
  bool* FAbandoned;
};

TEST_F(ExportSinkTest, WriterFailureOnItsThreadEndsTheRunAndAbandonsTheOutput) {
  bool abandoned = false;
  auto sink = MakeRef<TExportSink>(TFrameSchedule{0, 40, 100}, std::make_unique<TFailingWriter>(3, &abandoned), 2,
                                   nullptr, "");
  Ref<TImage> frame = SolidFrame(8, 8, 0xFF000000);
  EXPECT_THROW(
      {
        for (int i = 0; i < 100; ++i) sink->PutFrame(*frame);
      },
      EFileError);
  EXPECT_LT(sink->FramesPut(), 100);
  sink->Finish("");
  EXPECT_EQ(sink->Failure(), "No space left on device");
  EXPECT_TRUE(abandoned);
}

TEST_F(ExportSinkTest, RunEndingEarlyIsNotASuccess) {
  bool abandoned = false;
  auto sink = MakeRef<TExportSink>(TFrameSchedule{0, 40, 5}, std::make_unique<TFailingWriter>(-1, &abandoned), 0,
                                   nullptr, "");
  Ref<TImage> frame = SolidFrame(8, 8, 0xFF000000);
  sink->PutFrame(*frame);
  sink->Finish("");
  EXPECT_EQ(sink->Failure(), "Only 1 of 5 frames were rendered");
  EXPECT_TRUE(abandoned);
}

TEST(ExportProgress, LineTellsPercentFramesSpeedAndTimeLeft) {
  EXPECT_EQ(ProgressLine(50, 200, 2.0), "export  25% | 50/200 frames | 25.0 fps | 0:06 left");
  EXPECT_EQ(ProgressLine(0, 200, 0.0), "export   0% | 0/200 frames | 0.0 fps | ? left");
  EXPECT_EQ(ProgressLine(100, 10000, 1.0), "export   1% | 100/10000 frames | 100.0 fps | 1:39 left");
}

std::string Captured(bool live) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  TExportProgress progress(out, 3, live);
  for (int i = 0; i < 3; ++i) progress.FrameDone();
  progress.Finish(true, "out.mp4");
  std::fclose(out);
  std::string captured(text, size);
  std::free(text);
  return captured;
}

TEST(ExportProgress, RedrawsOneLineOnlyOnATerminal) {
  const std::string live = Captured(true);
  EXPECT_EQ(live.front(), '\r');
  EXPECT_NE(live.find("export 100% | 3/3 frames"), std::string::npos) << live;
  EXPECT_NE(live.find("\nexport: 3 frames in"), std::string::npos) << live;

  const std::string logged = Captured(false);
  EXPECT_EQ(logged.find('\r'), std::string::npos) << logged;
  EXPECT_EQ(logged.rfind("export: 3 frames in", 0), 0u) << logged;
  EXPECT_NE(logged.find("written to out.mp4\n"), std::string::npos) << logged;
}

}  // namespace
}  // namespace orv
