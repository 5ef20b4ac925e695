#include "video/extractor_wrapper.h"

#include <gtest/gtest.h>

#include <fstream>

#include "animated_gif.h"
#include "coded_clips.h"
#include "memory_yuv_image.h"
#include "video/media_library.h"

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

}  // namespace
}  // namespace orv
