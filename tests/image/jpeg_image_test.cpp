#include "image/jpeg_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "image/halving.h"
#include "image/orientation.h"
#include "image/picture_limits.h"
#include "picture_fixtures.h"

namespace orv {
namespace {

Ref<TSysBitmapStore> Load(const std::string& file, const THookFactory& hooks = {}) {
  TMemoryStream stream(file);
  return LoadJpeg(stream, u"photo.jpg", hooks);
}

// Mean absolute difference per channel between two bitmaps of one size.
double MeanDifference(const TBitmap& a, const TBitmap& b) {
  double total = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      const uint32_t p = a.PixelArgb(x, y), q = b.PixelArgb(x, y);
      for (int s = 0; s < 24; s += 8) total += std::abs(int(p >> s & 255) - int(q >> s & 255));
    }
  return total / (3.0 * a.Width() * a.Height());
}

TEST(Jpeg, LevelsOfA1000By750PictureHaveThePyramidSizes) {
  Ref<TSysBitmapStore> store = Load(test::EncodeJpeg(*test::GradientPicture(1000, 750)));
  ASSERT_TRUE(store);
  EXPECT_EQ(&store->Format(), &pf::B8G8R8);
  const int widths[] = {1000, 500, 250, 125, 63};
  const int heights[] = {750, 375, 188, 94, 47};
  for (int level = 4; level >= 0; --level) {
    Ref<TBitmap> bitmap = store->GetLevel(level);
    EXPECT_EQ(bitmap->Width(), widths[level]) << level;
    EXPECT_EQ(bitmap->Height(), heights[level]) << level;
  }
}

TEST(Jpeg, LevelThreeIsCloseToTheFullPictureHalvedThreeTimes) {
  const std::string file = test::EncodeJpeg(*test::GradientPicture(640, 480));
  Ref<TBitmap> native = Load(file)->GetLevel(3, &pf::R8G8B8);
  Ref<TBitmap> halved = Load(file)->GetLevel(0, &pf::R8G8B8);
  for (int i = 0; i < 3; ++i) halved = HalveBitmap(*halved);
  ASSERT_EQ(native->Width(), halved->Width());
  ASSERT_EQ(native->Height(), halved->Height());
  // The pyramid's kernel centres on every second pixel, libjpeg's 1/8 scale averages whole
  // 8 × 8 blocks: on a gradient the two differ by a few levels, no more.
  EXPECT_LT(MeanDifference(*native, *halved), 4.0);
}

TEST(Jpeg, ProgressiveAndGreyscaleFilesDecode) {
  Ref<TBitmap> picture = test::GradientPicture(120, 80);
  test::TJpegOptions progressive;
  progressive.progressive = true;
  Ref<TBitmap> from_progressive = Load(test::EncodeJpeg(*picture, progressive))->GetLevel(0);
  EXPECT_LT(MeanDifference(*from_progressive, *picture), 3.0);

  test::TJpegOptions grey;
  grey.grayscale = true;
  TMemoryStream stream(test::EncodeJpeg(*picture, grey));
  std::unique_ptr<TJpegImage> image = TJpegImage::Read(stream);
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->Grayscale());
  Ref<TBitmap> level1 = image->Decode(1, {});
  EXPECT_EQ(level1->Width(), 60);
  for (int x = 0; x < 60; x += 7) {
    const uint8_t* p = level1->Row(40 / 2) + 3 * x;
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
  }
}

TEST(Jpeg, OrientationCodesTurnEveryDecodedLevel) {
  // Bright top-left corner on a dark picture.
  Ref<TBitmap> picture = TBitmap::Create(160, 96, pf::A8R8G8B8);
  picture->Fill(0xFF000000);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) std::memset(picture->Row(y) + 4 * x, 0xFF, 4);
  const std::string file = test::EncodeJpeg(*picture);
  struct {
    int code, width, height, corner_x, corner_y;
  } const cases[] = {{3, 160, 96, 159, 95}, {6, 96, 160, 95, 0}, {8, 96, 160, 0, 159}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    Ref<TSysBitmapStore> store = Load(file, MakeOrientationHookFactory([&](const WideString&) { return c.code; }));
    EXPECT_EQ(store->Width(), c.width);
    EXPECT_EQ(store->Height(), c.height);
    for (int level : {0, 2, 4}) {
      Ref<TBitmap> bitmap = store->GetLevel(level);
      const int scale = 1 << level;
      ASSERT_EQ(bitmap->Width(), (c.width + scale - 1) / scale);
      EXPECT_GT(bitmap->PixelArgb(c.corner_x / scale, c.corner_y / scale) & 255, 200u) << level;
      EXPECT_LT(bitmap->PixelArgb(bitmap->Width() / 2, bitmap->Height() / 2) & 255, 50u) << level;
    }
  }
}

TEST(Jpeg, ProgressEndsAtOne) {
  Ref<TSysBitmapStore> store = Load(test::EncodeJpeg(*test::GradientPicture(400, 300)));
  std::vector<double> fractions;
  store->SetProgressHandler([&](double f) { fractions.push_back(f); });
  store->GetLevel(0);
  ASSERT_GT(fractions.size(), 2u);
  EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
}

TEST(Jpeg, AnExceptionFromProgressStopsTheDecodeQuietly) {
  TMemoryStream stream(test::EncodeJpeg(*test::GradientPicture(200, 200)));
  std::unique_ptr<TJpegImage> image = TJpegImage::Read(stream);
  int calls = 0;
  Ref<TBitmap> bitmap = image->Decode(0, [&](double f) {
    ++calls;
    if (f > 0.3 && f < 1.0) throw std::runtime_error("stop");
  });
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->Width(), 200);
  EXPECT_GT(bitmap->PixelArgb(199, 0) >> 16 & 255, 200u);  // first rows decoded
  EXPECT_EQ(bitmap->PixelArgb(100, 199) & 0xFFFFFF, 0u);   // last ones never reached
}

TEST(Jpeg, BadFilesGiveNothingAndDamagedOnesDecodeWhatTheyCan) {
  const std::string good = test::EncodeJpeg(*test::GradientPicture(64, 48));
  std::string huge = good;
  const size_t sof = huge.find("\xFF\xC0");
  huge[sof + 5] = huge[sof + 6] = huge[sof + 7] = huge[sof + 8] = char(0xFF);  // 65535 x 65535
  std::string zero = good;
  zero[sof + 5] = zero[sof + 6] = 0;
  const std::string refused[] = {"", "\xFF\xD8", good.substr(0, 20), std::string(500, 'j'), huge, zero};
  for (const std::string& bytes : refused) {
    TMemoryStream stream("ab" + bytes);
    stream.SetPosition(2);
    EXPECT_FALSE(LoadJpeg(stream, u"x.jpg", {}));
    EXPECT_EQ(stream.Position(), 2);
  }
  // The header survives, the scan does not: the picture has its size and what could be read.
  const std::string large = test::EncodeJpeg(*test::GradientPicture(256, 192));
  Ref<TSysBitmapStore> cut = Load(large.substr(0, large.size() / 2));
  ASSERT_TRUE(cut);
  Ref<TBitmap> cut_level0 = cut->GetLevel(0);
  EXPECT_EQ(cut_level0->Width(), 256);
  EXPECT_GT(cut_level0->PixelArgb(255, 0) >> 16 & 255, 200u);  // the top rows were read
  std::string garbled = large;
  for (size_t i = large.size() / 2; i < large.size() - 2; i += 3) garbled[i] = char(0xFF);
  ASSERT_TRUE(Load(garbled));
  EXPECT_EQ(Load(garbled)->GetLevel(1)->Height(), 96);
}

}  // namespace
}  // namespace orv
