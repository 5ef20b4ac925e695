#include "image/gif_reader.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>

#include "picture_fixtures.h"

namespace orv {
namespace {

std::vector<uint32_t> Palette() {
  std::vector<uint32_t> palette(256);
  for (uint32_t i = 0; i < 256; ++i) palette[i] = (i * 0x010305u * 7) & 0xFFFFFF;
  return palette;
}

// Indexes with long runs and noise, so the LZW table fills, grows to 12 bits and resets.
std::vector<uint8_t> Indexes(int width, int height, int colours) {
  std::vector<uint8_t> indexes(size_t(width) * height);
  uint32_t seed = 12345;
  for (size_t i = 0; i < indexes.size(); ++i) {
    seed = seed * 1103515245 + 12345;
    indexes[i] = uint8_t((i / 7 % 5 == 0 ? seed >> 16 : i / 13) % colours);
  }
  return indexes;
}

// giflib's own reading of the first image, in image row order.
std::vector<uint8_t> OracleIndexes(const std::string& file) {
  struct TReader {
    const std::string* bytes;
    size_t at = 0;
  } reader{&file};
  int error = 0;
  GifFileType* gif = DGifOpen(
      &reader,
      [](GifFileType* g, GifByteType* out, int n) {
        auto* r = static_cast<TReader*>(g->UserData);
        const int got = int(std::min<size_t>(size_t(n), r->bytes->size() - r->at));
        std::memcpy(out, r->bytes->data() + r->at, size_t(got));
        r->at += size_t(got);
        return got;
      },
      &error);
  EXPECT_EQ(DGifSlurp(gif), GIF_OK);
  const SavedImage& image = gif->SavedImages[0];
  std::vector<uint8_t> indexes(image.RasterBits,
                               image.RasterBits + size_t(image.ImageDesc.Width) * image.ImageDesc.Height);
  DGifCloseFile(gif, &error);
  return indexes;
}

Ref<TSysBitmapStore> Load(const std::string& file) {
  TMemoryStream stream(file);
  return LoadGifFirstFrame(stream, u"a.gif", {});
}

TEST(GifFirstFrame, DecodesLikeGiflibPlainAndInterlaced) {
  const std::vector<uint32_t> palette = Palette();
  struct {
    int width, height, colours;
  } const sizes[] = {{1, 1, 2}, {37, 23, 256}, {300, 200, 256}, {64, 9, 4}};
  for (const auto& size : sizes) {
    const std::vector<uint8_t> indexes = Indexes(size.width, size.height, size.colours);
    Ref<TBitmap> plain;
    for (bool interlaced : {false, true}) {
      SCOPED_TRACE(testing::Message() << size.width << "x" << size.height << (interlaced ? " interlaced" : ""));
      const std::string file = test::EncodeGif(size.width, size.height, indexes, palette, {interlaced});
      ASSERT_EQ(OracleIndexes(file), indexes);
      Ref<TSysBitmapStore> store = Load(file);
      ASSERT_TRUE(store);
      Ref<TBitmap> picture = store->GetLevel(0);
      ASSERT_EQ(picture->Width(), size.width);
      for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
          ASSERT_EQ(picture->PixelArgb(x, y), 0xFF000000u | palette[indexes[size_t(y) * size.width + x]])
              << x << "," << y;
      if (!interlaced) plain = picture;
      else EXPECT_EQ(std::memcmp(plain->Row(0), picture->Row(0), size_t(plain->Stride()) * size.height), 0);
    }
  }
}

TEST(GifFirstFrame, TheTransparentIndexHasNoAlpha) {
  const std::vector<uint8_t> indexes = Indexes(10, 10, 16);
  test::TGifOptions options;
  options.transparent_index = 3;
  Ref<TBitmap> picture = Load(test::EncodeGif(10, 10, indexes, Palette(), options))->GetLevel(0);
  for (int i = 0; i < 100; ++i) {
    const uint32_t alpha = picture->PixelArgb(i % 10, i / 10) >> 24;
    EXPECT_EQ(alpha, indexes[size_t(i)] == 3 ? 0u : 255u);
  }
}

TEST(GifFirstFrame, AnImageSmallerThanTheScreenKeepsItsOwnSize) {
  test::TGifOptions options;
  options.screen_width = 100;
  options.screen_height = 80;
  options.left = 10;
  options.top = 20;
  Ref<TSysBitmapStore> store = Load(test::EncodeGif(30, 15, Indexes(30, 15, 8), Palette(), options));
  ASSERT_TRUE(store);
  EXPECT_EQ(store->Width(), 30);
  EXPECT_EQ(store->Height(), 15);
}

TEST(GifFirstFrame, DataThatEndsEarlyLeavesTheRestTransparent) {
  const std::string file = test::EncodeGif(40, 40, Indexes(40, 40, 256), Palette());
  const std::string cut = file.substr(0, file.size() / 2);
  Ref<TSysBitmapStore> store = Load(cut);
  ASSERT_TRUE(store);
  Ref<TBitmap> picture = store->GetLevel(0);
  EXPECT_EQ(picture->PixelArgb(0, 0) >> 24, 255u);
  EXPECT_EQ(picture->PixelArgb(39, 39), 0u);
}

TEST(GifFirstFrame, BadFilesGiveNothingAndLeaveTheStream) {
  const std::string good = test::EncodeGif(8, 8, Indexes(8, 8, 4), Palette());
  std::string zero_width = good;
  const size_t descriptor = good.find('\x2C', 13 + 768);
  zero_width[descriptor + 5] = zero_width[descriptor + 6] = 0;
  std::string bad_code_size = good;
  bad_code_size[descriptor + 10] = 12;
  const std::string cases[] = {"",      "GIF",         "GIF88a" + good.substr(6), good.substr(0, 100),
                               std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14), zero_width, bad_code_size,
                               good.substr(0, 13 + 768) + "\x99"};
  for (const std::string& bytes : cases) {
    TMemoryStream stream("xyz" + bytes);
    stream.SetPosition(3);
    EXPECT_FALSE(LoadGifFirstFrame(stream, u"a.gif", {})) << bytes.size();
    EXPECT_EQ(stream.Position(), 3);
  }
}

}  // namespace
}  // namespace orv
