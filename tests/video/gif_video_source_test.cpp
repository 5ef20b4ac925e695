#include "video/gif_video_source.h"

#include <gtest/gtest.h>

#include "animated_gif.h"
#include "image/picture_limits.h"
#include "memory_yuv_image.h"

namespace orv {
namespace {

using test::MakeAnimatedGif;
using test::TGifRect;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kClear = 0;

Ref<TGifVideoSource> Open(const std::string& bytes) {
  return TGifVideoSource::Open(std::make_unique<TMemoryStream>(bytes), "a.gif");
}

// The pixel (x, y) of a frame as 0xAARRGGBB.
uint32_t PixelOf(TMemoryYUVImage& image, int x, int y) {
  const uint8_t* p = image.LockPlane(TYUVImage::kPlaneRGBA).Row(y) + 4 * x;
  return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

TEST(GifVideoSource, DelaysSetTheFrameShownAtEachTime) {
  // Delays 0, 10 and 20 hundredths: 50, 100 and 200 ms.
  const Ref<TGifVideoSource> source =
      Open(MakeAnimatedGif(4, 4, 0, {{0, 0, 4, 4, 1, 0}, {0, 0, 4, 4, 2, 10}, {0, 0, 4, 4, 3, 20}}));
  ASSERT_TRUE(source);
  const TVideoParams& params = source->Params();
  EXPECT_EQ(params.Fps, 20);  // the smallest delay
  EXPECT_EQ(params.FrameCount, 1000000);
  EXPECT_TRUE(params.HasAlpha);
  EXPECT_EQ(params.CodecName, "GIF");
  // Video frame n stands for n · 50 ms.
  struct {
    int64_t index;
    size_t frame;
  } const cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {6, 2}, {7, 0}, {8, 1}, {21, 0}, {-4, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(source->GifFrameOf(c.index), c.frame);
  }
  TMemoryYUVImage image(4, 4, TYUVImage::TForm::RGBA);
  ASSERT_TRUE(source->GetFrameAsYUV(FrameIndexForTime(params, 200, false), image));
  EXPECT_EQ(PixelOf(image, 3, 3), kBlue);
  ASSERT_TRUE(source->GetFrameAsYUV(0, image));
  EXPECT_EQ(PixelOf(image, 0, 0), kRed);
}

TEST(GifVideoSource, ALoopCountStopsOnTheLastFrameAfterItsPasses) {
  const Ref<TGifVideoSource> source =
      Open(MakeAnimatedGif(4, 4, 2, {{0, 0, 4, 4, 1, 10}, {0, 0, 4, 4, 2, 10}, {0, 0, 4, 4, 3, 10}}));
  ASSERT_TRUE(source);
  const TVideoParams& params = source->Params();
  EXPECT_EQ(params.FrameCount, 6);
  EXPECT_EQ(source->GifFrameOf(FrameIndexForTime(params, 300, false)), 0);  // second pass
  EXPECT_EQ(source->GifFrameOf(FrameIndexForTime(params, 550, false)), 2);
  EXPECT_EQ(source->GifFrameOf(FrameIndexForTime(params, 5000, false)), 2);
  EXPECT_EQ(source->GifFrameOf(60), 2);
  // 65535 loops mean endless.
  EXPECT_EQ(Open(MakeAnimatedGif(4, 4, 65535, {{0, 0, 4, 4, 1}}))->Params().FrameCount, 1000000);
}

TEST(GifVideoSource, DisposalsClearOrRestoreWhatTheFrameCovered) {
  // Red everywhere, then green at the top left, then blue at the bottom right.
  for (const int disposal : {0, 2, 3}) {
    SCOPED_TRACE(disposal);
    const Ref<TGifVideoSource> source = Open(MakeAnimatedGif(
        4, 4, 0, {{0, 0, 4, 4, 1}, {0, 0, 2, 2, 2, 10, disposal}, {2, 2, 2, 2, 3, 10, 0, true}, {2, 2, 1, 1, 0, 10, 0, true}}));
    ASSERT_TRUE(source);
    TMemoryYUVImage image(4, 4, TYUVImage::TForm::RGBA);
    const uint32_t top_left = disposal == 0 ? kGreen : disposal == 2 ? kClear : kRed;
    // In order, then again out of order so that it starts over from the first frame.
    for (const int64_t frame : {0, 1, 2, 3, 2, 1, 3}) {
      ASSERT_TRUE(source->GetFrameAsYUV(frame, image));
      const bool after_green = frame >= 2;
      EXPECT_EQ(PixelOf(image, 0, 0), after_green ? top_left : frame == 1 ? kGreen : kRed) << frame;
      EXPECT_EQ(PixelOf(image, 3, 3), after_green ? kBlue : kRed) << frame;
    }
    // The last frame is all transparent: what lies under it shows.
    EXPECT_EQ(PixelOf(image, 2, 2), kBlue);
  }
}

TEST(GifVideoSource, StillPicturesAndOtherDataAreNoVideo) {
  EXPECT_FALSE(Open(MakeAnimatedGif(4, 4, std::nullopt, {{0, 0, 4, 4, 1}, {0, 0, 4, 4, 2}})));
  EXPECT_FALSE(Open("GIF89a"));
  EXPECT_FALSE(Open(std::string(100, 'x')));
  EXPECT_FALSE(TGifVideoSource::Open(nullptr, "a.gif"));
  // A file cut in its second frame plays the frames before the cut.
  const std::string whole = MakeAnimatedGif(8, 8, 0, {{0, 0, 8, 8, 1}, {0, 0, 8, 8, 2}, {0, 0, 8, 8, 3}});
  const Ref<TGifVideoSource> cut = Open(whole.substr(0, whole.size() * 2 / 3));
  ASSERT_TRUE(cut);
  TMemoryYUVImage image(8, 8, TYUVImage::TForm::RGBA);
  ASSERT_TRUE(cut->GetFrameAsYUV(0, image));
  EXPECT_EQ(PixelOf(image, 0, 0), kRed);
  TMemoryYUVImage planar(8, 8, TYUVImage::TForm::Planar);
  EXPECT_FALSE(cut->GetFrameAsYUV(0, planar));
}

TEST(GifVideoSource, ACanvasThePictureBudgetCannotHoldIsNoVideo) {
  const int64_t budget = PictureMemoryBudget();
  SetPictureMemoryBudget(int64_t(1) << 20);
  EXPECT_FALSE(Open(MakeAnimatedGif(1000, 1000, 0, {{0, 0, 1, 1, 1}})));  // 4 MB
  EXPECT_TRUE(Open(MakeAnimatedGif(100, 100, 0, {{0, 0, 1, 1, 1}})));
  SetPictureMemoryBudget(budget);
}

TEST(GifVideoSource, KeyFramesAreKeptWithinTheirMemoryLeastRecentlyUsedOut) {
  // 4000 × 4000: one kept canvas takes 64 MB, so only one fits.
  std::vector<TGifRect> frames;
  for (int i = 0; i < 25; ++i) frames.push_back({i, i, 1, 1, 1 + i % 3});
  const Ref<TGifVideoSource> source = Open(MakeAnimatedGif(4000, 4000, 0, frames));
  ASSERT_TRUE(source);
  TMemoryYUVImage image(4000, 4000, TYUVImage::TForm::RGBA);
  ASSERT_TRUE(source->GetFrameAsYUV(24, image));  // keeps 10, then 20 in its place
  EXPECT_EQ(PixelOf(image, 24, 24), 0xFF000000u | (24 % 3 == 0 ? 0xFF0000u : 24 % 3 == 1 ? 0xFF00u : 0xFFu));
  EXPECT_EQ(source->KeyFramesComposedAgain(), 0);
  ASSERT_TRUE(source->GetFrameAsYUV(22, image));  // from 20
  ASSERT_TRUE(source->GetFrameAsYUV(15, image));  // 10 was dropped: composed again
  EXPECT_EQ(source->KeyFramesComposedAgain(), 1);
  EXPECT_EQ(PixelOf(image, 15, 15), kRed);
  EXPECT_EQ(PixelOf(image, 16, 16), kClear);
}

}  // namespace
}  // namespace orv
