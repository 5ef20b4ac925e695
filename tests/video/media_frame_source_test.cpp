#include "video/media_frame_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "coded_clips.h"
#include "memory_yuv_image.h"

namespace orv {
namespace {

struct TClip {
  const char* Name;
  const char* Size;
  const char* Reshape;
  const char* Rate;
  int Frames;
  const char* Encoding;
  bool Rgba;
  // What the source must report.
  bool Interlaced;
  TAspectClass Aspect;
  const char* Codec;
  double Fps;
};

const TClip kClips[] = {
    {"h264.mp4", "64x48", "", "25", 75, "-c:v libx264 -preset veryfast -g 10 -bf 2", false, false, TAspectClass::Standard,
     "H264", 25},
    {"interlaced.ts", "64x48", "", "25", 75, "-c:v mpeg2video -flags +ilme+ildct -top 1 -g 12 -f mpegts", false, true,
     TAspectClass::Standard, "MPEG2", 25},
    {"mpeg4.avi", "64x48", "", "25", 75, "-c:v mpeg4 -g 12 -q:v 2", false, false, TAspectClass::Standard, "MPEG4", 25},
    {"vp9.webm", "64x48", "", "25", 60, "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -crf 10 -b:v 0 -g 15", false,
     false, TAspectClass::Standard, "OTHER", 25},
    {"alpha.mov", "64x48", "", "25", 30, "-c:v qtrle -pix_fmt argb", true, false, TAspectClass::Standard, "OTHER", 25},
    {"hdv.mp4", "1440x1080", ",setsar=0", "25", 8, "-c:v libx264 -preset ultrafast -g 4", false, false,
     TAspectClass::Wide, "H264", 25},
    {"odd.webm", "722x482", ",format=yuv444p,crop=721:481", "25", 12,
     "-c:v libvpx-vp9 -pix_fmt yuv420p -deadline realtime -cpu-used 8 -crf 10 -b:v 0 -g 5", false,
     false, TAspectClass::None, "OTHER", 25},
    {"film.mp4", "64x48", "", "24000/1001", 40, "-c:v libx264 -preset veryfast -g 12", false, false,
     TAspectClass::Standard, "H264", 24000.0 / 1001},
    {"ntsc.mp4", "64x48", "", "30000/1001", 40, "-c:v libx264 -preset veryfast -g 12", false, false,
     TAspectClass::Standard, "H264", 30000.0 / 1001},
};

class MediaFrameSource : public MediaClipSuite {
 protected:
  static void SetUpTestSuite() {
    StartSuite("frame_source");
    for (const TClip& clip : kClips)
      FClips->MakeCoded(clip.Name, clip.Size, clip.Rate, clip.Frames, clip.Encoding, clip.Rgba, clip.Reshape);
  }

  static Ref<TWinVideoSource> OpenBytes(const std::string& name, const std::string& bytes) {
    return TWinVideoSource::Open(FLibrary, std::make_unique<TMemoryStream>(bytes), name);
  }
  static Ref<TWinVideoSource> Open(const std::string& name) { return OpenBytes(name, FClips->Bytes(name)); }

  // The frame an image holds, read from its centre.
  static int FrameIn(TMemoryYUVImage& image) {
    const int x = image.Width() / 2, y = image.Height() / 2;
    if (image.Form() == TYUVImage::TForm::RGBA) {
      const uint8_t* pixel = image.LockPlane(TYUVImage::kPlaneRGBA).Row(y) + 4 * x;
      return FrameOfCode(pixel[2], pixel[1]);
    }
    return FrameOfCode(image.At(TYUVImage::kPlaneY, x, y), image.At(TYUVImage::kPlaneU, x / 2, y / 2));
  }

  static TMemoryYUVImage ImageFor(const TFrameSource& source) {
    const TVideoParams& params = source.Params();
    return TMemoryYUVImage(params.Width, params.Height,
                           params.HasAlpha ? TYUVImage::TForm::RGBA : TYUVImage::TForm::Planar);
  }

};

TEST_F(MediaFrameSource, ParametersOfEachKindOfClip) {
  for (const TClip& clip : kClips) {
    SCOPED_TRACE(clip.Name);
    const Ref<TWinVideoSource> source = Open(clip.Name);
    ASSERT_TRUE(source);
    const TVideoParams& params = source->Params();
    EXPECT_EQ(params.Interlaced, clip.Interlaced);
    EXPECT_FALSE(params.BottomFieldFirst);
    EXPECT_EQ(params.Aspect, clip.Aspect);
    EXPECT_EQ(params.CodecName, clip.Codec);
    EXPECT_EQ(params.HasAlpha, clip.Rgba);
    EXPECT_NEAR(params.Fps, clip.Fps, 1e-9);
    EXPECT_NEAR(params.FrameCount, clip.Frames, 1);
    // Looking at the file decoded nothing that the first request would have to undo.
    EXPECT_EQ(source->Decoding().VideoSeeks, 0);
  }
  const Ref<TWinVideoSource> odd = Open("odd.webm");
  EXPECT_EQ(odd->Params().Width, 721);
  EXPECT_EQ(odd->Params().Height, 481);
}

TEST_F(MediaFrameSource, EveryRequestGetsExactlyItsFrameInAnyOrder) {
  for (const TClip& clip : kClips) {
    SCOPED_TRACE(clip.Name);
    const Ref<TWinVideoSource> source = Open(clip.Name);
    ASSERT_TRUE(source);
    TMemoryYUVImage image = ImageFor(*source);
    std::vector<int> order(size_t(clip.Frames));
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> requests = order;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    requests.insert(requests.end(), order.begin(), order.end());
    requests.insert(requests.end(), order.rbegin(), order.rend());
    for (const int frame : requests) {
      ASSERT_TRUE(source->GetFrameAsYUV(frame, image)) << frame;
      ASSERT_EQ(FrameIn(image), frame);
      EXPECT_EQ(source->CurrentFrame(), frame);
    }
  }
}

TEST_F(MediaFrameSource, PlayingForwardNeverSeeksAndAStepBackSeeksOnce) {
  const Ref<TWinVideoSource> source = Open("h264.mp4");
  ASSERT_TRUE(source);
  TMemoryYUVImage image = ImageFor(*source);
  int last = 0;
  for (int frame = 0; frame < 60; frame += 1 + frame % 3) {
    ASSERT_TRUE(source->GetFrameAsYUV(frame, image));
    last = frame;
  }
  EXPECT_EQ(source->Decoding().VideoSeeks, 0);
  ASSERT_TRUE(source->GetFrameAsYUV(last - 1, image));
  EXPECT_EQ(FrameIn(image), last - 1);
  EXPECT_EQ(source->Decoding().VideoSeeks, 1);
  // Asking again for the frame held decodes nothing.
  const int64_t decoded = source->Decoding().FramesDecoded;
  ASSERT_TRUE(source->GetFrameAsYUV(last - 1, image));
  EXPECT_EQ(source->Decoding().FramesDecoded, decoded);
  // A jump far ahead seeks rather than decoding every frame between.
  ASSERT_TRUE(source->GetFrameAsYUV(5, image));
  ASSERT_TRUE(source->GetFrameAsYUV(70, image));
  EXPECT_EQ(FrameIn(image), 70);
  EXPECT_EQ(source->Decoding().VideoSeeks, 3);
  EXPECT_LT(source->Decoding().FramesDecoded - decoded, 40);
}

TEST_F(MediaFrameSource, OddSizesFillTheLastRowAndColumnOfEveryPlane) {
  const Ref<TWinVideoSource> source = Open("odd.webm");
  ASSERT_TRUE(source);
  TMemoryYUVImage image(721, 481, TYUVImage::TForm::Planar);
  ASSERT_TRUE(source->GetFrameAsYUV(7, image));
  EXPECT_EQ(FrameOfCode(image.At(TYUVImage::kPlaneY, 720, 480), image.At(TYUVImage::kPlaneU, 360, 240)), 7);
  EXPECT_NEAR(image.At(TYUVImage::kPlaneV, 360, 240), 128, 3);
  EXPECT_EQ(image.Completed, 1);
  // An image smaller than the video takes what fits.
  TMemoryYUVImage small(9, 5, TYUVImage::TForm::Planar);
  ASSERT_TRUE(source->GetFrameAsYUV(3, small));
  EXPECT_EQ(FrameOfCode(small.At(TYUVImage::kPlaneY, 8, 4), small.At(TYUVImage::kPlaneU, 4, 2)), 3);
}

TEST_F(MediaFrameSource, GreyImagesGetTheLumaAsVideoRangeGrey) {
  const uint16_t* grey = GreyOfLuma();
  EXPECT_EQ(grey[0], 4226);    // 16 in 5-6-5
  EXPECT_EQ(grey[255], 61277);  // 235
  const Ref<TWinVideoSource> source = Open("mpeg4.avi");
  TMemoryYUVImage planar = ImageFor(*source);
  TMemoryYUVImage image(64, 48, TYUVImage::TForm::Grey);
  ASSERT_TRUE(source->GetFrameAsYUV(13, planar));
  ASSERT_TRUE(source->GetFrameAsYUV(13, image));
  EXPECT_EQ(image.GreyAt(63, 47), grey[planar.At(TYUVImage::kPlaneY, 63, 47)]);
}

TEST_F(MediaFrameSource, AlphaVideoFillsOnlyRgbaImages) {
  const Ref<TWinVideoSource> source = Open("alpha.mov");
  TMemoryYUVImage image = ImageFor(*source);
  ASSERT_TRUE(source->GetFrameAsYUV(21, image));
  EXPECT_EQ(image.LockPlane(TYUVImage::kPlaneRGBA).Row(47)[63 * 4 + 3], 200);
  TMemoryYUVImage planar(64, 48, TYUVImage::TForm::Planar);
  EXPECT_FALSE(source->GetFrameAsYUV(21, planar));
  EXPECT_EQ(planar.At(TYUVImage::kPlaneY, 0, 0), 0xEE);
  EXPECT_FALSE(Open("h264.mp4")->GetFrameAsYUV(0, image));
}

TEST_F(MediaFrameSource, DamagedFilesGiveNoSourceOrTheirLastGoodFrame) {
  EXPECT_FALSE(OpenBytes("noise.mp4", std::string(4000, '\x33')));
  EXPECT_FALSE(OpenBytes("empty.avi", ""));
  EXPECT_FALSE(TWinVideoSource::Open(nullptr, std::make_unique<TMemoryStream>(FClips->Bytes("h264.mp4")), "h264.mp4"));
  const std::string avi = FClips->Bytes("mpeg4.avi");
  const Ref<TWinVideoSource> cut = OpenBytes("cut.avi", avi.substr(0, avi.size() / 2));
  ASSERT_TRUE(cut);
  TMemoryYUVImage image = ImageFor(*cut);
  ASSERT_TRUE(cut->GetFrameAsYUV(10, image));
  EXPECT_EQ(FrameIn(image), 10);
  // Past the cut: the last frame there is, or (when even a seek finds none) the image
  // keeps what it showed.
  for (const int frame : {74, 50, 73}) {
    SCOPED_TRACE(frame);
    const int before = FrameIn(image);
    const int shown = cut->GetFrameAsYUV(frame, image) ? FrameIn(image) : before;
    EXPECT_GE(shown, 10);
    EXPECT_LT(shown, 50);
  }
  EXPECT_FALSE(cut->GetFrameAsYUV(-1, image));
}

}  // namespace
}  // namespace orv
