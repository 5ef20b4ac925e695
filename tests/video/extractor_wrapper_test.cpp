#include "video/extractor_wrapper.h"

#include <gtest/gtest.h>

#include <fstream>

#include "animated_gif.h"
#include "coded_clips.h"
#include "memory_yuv_image.h"
#include "video/media_library.h"
#include "video/video_params_table.h"

namespace orv {
namespace {

using namespace std::chrono_literals;

class ExtractorWrapper : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    FClips = new TClipFolder("wrapper");
    FClips->MakeCoded("clip.mp4", "64x48", "25", 50, "-c:v libx264 -preset veryfast -g 10");
    std::ofstream(FClips->PathOf("noise.avi")) << std::string(3000, 'x');
    std::ofstream(FClips->PathOf("clip.GIF")) << FClips->Bytes("clip.mp4");
    std::ofstream(FClips->PathOf("still.gif")) << test::MakeAnimatedGif(4, 4, std::nullopt, {{0, 0, 4, 4, 1}});
    std::ofstream(FClips->PathOf("moving.Gif")) << test::MakeAnimatedGif(4, 4, 0, {{0, 0, 4, 4, 1}, {0, 0, 4, 4, 2}});
    ASSERT_TRUE(LoadSharedMediaLibrary(ORV_MEDIA_LIBRARY_PATH));
  }
  static void TearDownTestSuite() { delete FClips; }

  static Ref<TYUVImage> MakeImage(int width, int height, bool alpha) {
    return MakeRef<TMemoryYUVImage>(width, height, alpha ? TYUVImage::TForm::RGBA : TYUVImage::TForm::Planar);
  }
  static int FrameIn(const TOrvVideoExtractor::TPoolEntry& entry) {
    auto& image = static_cast<TMemoryYUVImage&>(*entry.Image);
    return FrameOfCode(image.At(TYUVImage::kPlaneY, 32, 24), image.At(TYUVImage::kPlaneU, 16, 12));
  }

  Ref<TFileAccessor> Files = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), Utf8ToUtf16(FClips->PathOf("")));
  Ref<TExtractorWrapper> Wrapper = MakeRef<TExtractorWrapper>();
  static inline TClipFolder* FClips = nullptr;
};

TEST_F(ExtractorWrapper, HoldsTheFrameOfATimeForAllItsHolders) {
  Wrapper->SetFile(*Files, "clip.mp4", false);
  ASSERT_EQ(Wrapper->Failure(), TVideoFailure::None);
  EXPECT_FALSE(Wrapper->HoldFrame(25, 0, 1s));  // no pool yet
  Wrapper->CreatePool(MakeImage);
  Wrapper->CreatePool(MakeImage);  // once only
  const TOrvVideoExtractor::TPoolEntry* held = Wrapper->HoldFrame(25, 400, 10s);
  ASSERT_TRUE(held);
  EXPECT_EQ(held->Frame, 10);
  EXPECT_EQ(FrameIn(*held), 10);
  EXPECT_EQ(Wrapper->HoldFrame(25, 1000, 10s), held);  // a second holder gets the same frame
  Wrapper->ReleaseFrame();
  ASSERT_TRUE(Wrapper->Request(1000, true, 10s));
  Wrapper->ReleaseFrame();
  held = Wrapper->HoldFrame(25, 1000, 10s);
  ASSERT_TRUE(held);
  EXPECT_EQ(FrameIn(*held), 25);
  Wrapper->ReleaseFrame();
  Wrapper->ReleaseFrame();  // more releases than holders change nothing
}

TEST_F(ExtractorWrapper, FailuresTellAMissingFileFromOneThatDoesNotPlay) {
  struct {
    const char* name;
    bool from_disk;
    TVideoFailure failure;
  } const cases[] = {
      {"missing.mp4", false, TVideoFailure::Missing},
      {"noise.avi", false, TVideoFailure::Undecodable},
      {"clip.GIF", false, TVideoFailure::Undecodable},  // a GIF by its name only
      {"still.gif", false, TVideoFailure::Undecodable},  // not animated
      {"moving.Gif", false, TVideoFailure::None},
      {"clip.mp4", true, TVideoFailure::None},            // beside the project
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Wrapper->SetFile(*Files, c.name, c.from_disk);
    EXPECT_EQ(Wrapper->Failure(), c.failure);
    EXPECT_EQ(bool(Wrapper->Extractor()), c.failure == TVideoFailure::None);
  }
  Wrapper->SetFile(*Files, "missing.mp4", true);
  EXPECT_EQ(Wrapper->Failure(), TVideoFailure::Missing);
  EXPECT_FALSE(Wrapper->Request(0, true, 1s));
  Wrapper->CreatePool(MakeImage);
  EXPECT_FALSE(Wrapper->HoldFrame(25, 0, 1s));
}

// Noon of a day in local time, as the file's date is written in local time.
std::chrono::system_clock::time_point LocalNoon(int day, int month, int year) {
  std::tm local{};
  local.tm_mday = day;
  local.tm_mon = month - 1;
  local.tm_year = year - 1900;
  local.tm_hour = 12;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

TEST_F(ExtractorWrapper, EachSourceIsEnteredOnceInTheParametersTableUnderItsNameAndFileDate) {
  FClips->MakeCoded("dated.mp4", "32x16", "10", 20, "-c:v libx264 -preset veryfast");
  std::ofstream(FClips->PathOf("dated.gif")) << test::MakeAnimatedGif(6, 2, 0, {{0, 0, 6, 2, 1}, {0, 0, 6, 2, 2}});
  struct {
    const char* name;
    std::chrono::system_clock::time_point date;
    const char* key;
    int width;
    const char* codec;
  } const cases[] = {
      {"dated.mp4", LocalNoon(3, 7, 2019), "dated.mp4:03.07.2019", 32, "H264"},
      {"dated.gif", LocalNoon(29, 2, 2024), "dated.gif:29.02.2024", 6, "GIF"},
  };
  TVideoParamsTable& table = TVideoParamsTable::Shared();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::last_write_time(FClips->PathOf(c.name), std::chrono::file_clock::from_sys(c.date));
    EXPECT_FALSE(table.Find(c.key));
    Wrapper->SetFile(*Files, c.name, false);
    const std::optional<TVideoParams> entered = table.Find(c.key);
    ASSERT_TRUE(entered);
    EXPECT_EQ(entered->Width, c.width);
    EXPECT_EQ(entered->CodecName, c.codec);
  }
  // The same name and date made anew keep the first entry: the table is filled once per file.
  FClips->MakeCoded("dated.mp4", "64x48", "10", 20, "-c:v libx264 -preset veryfast");
  std::filesystem::last_write_time(FClips->PathOf("dated.mp4"), std::chrono::file_clock::from_sys(cases[0].date));
  Wrapper->SetFile(*Files, "dated.mp4", false);
  ASSERT_EQ(Wrapper->Extractor()->Params().Width, 64);
  EXPECT_EQ(table.Find("dated.mp4:03.07.2019")->Width, 32);
  // Files that give no source are not entered; a file without a date is keyed by its name.
  std::filesystem::last_write_time(FClips->PathOf("noise.avi"), std::chrono::file_clock::from_sys(cases[0].date));
  Wrapper->SetFile(*Files, "noise.avi", false);
  EXPECT_FALSE(table.Find("noise.avi:03.07.2019"));
  EXPECT_EQ(VideoParamsKey("in package.mp4", std::nullopt), "in package.mp4:");
}

}  // namespace
}  // namespace orv
