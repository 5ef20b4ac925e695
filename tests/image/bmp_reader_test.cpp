#include "image/bmp_reader.h"

#include <gtest/gtest.h>

#include <functional>

#include "image/picture_limits.h"
#include "picture_fixtures.h"

namespace orv {
namespace {

using test::TBmpSpec;

constexpr int kWidth = 11;  // odd, so rows need padding at every depth
constexpr int kHeight = 5;

const std::vector<uint32_t> kPalette = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF,
                                        0x808080, 0x400000, 0x004000, 0x000040, 0xC0C0C0, 0x102030, 0x302010, 0x7F7F00};

// Index rows of the reference picture, top row first; `levels` colours are used.
std::vector<std::vector<uint8_t>> IndexRows(int levels) {
  std::vector<std::vector<uint8_t>> rows(kHeight, std::vector<uint8_t>(kWidth));
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) rows[size_t(y)][size_t(x)] = uint8_t((x / 3 + y * 5 + (x == y)) % levels);
  return rows;
}

// The reference colour of a pixel for direct-colour variants.
uint32_t ReferenceColour(int x, int y) { return kPalette[IndexRows(16)[size_t(y)][size_t(x)]]; }

// Stored rows of direct-colour pixels made by `pack`, bottom-up unless top-down.
std::string DirectRows(int bytes_per_pixel, bool top_down, const std::function<void(uint32_t, uint8_t*)>& pack) {
  std::string out;
  for (int r = 0; r < kHeight; ++r) {
    const int y = top_down ? r : kHeight - 1 - r;
    std::string row(size_t((kWidth * bytes_per_pixel + 3) / 4 * 4), '\0');
    for (int x = 0; x < kWidth; ++x) pack(ReferenceColour(x, y), reinterpret_cast<uint8_t*>(&row[size_t(x * bytes_per_pixel)]));
    out += row;
  }
  return out;
}

void Pack555(uint32_t c, uint8_t* p) {
  const uint32_t v = (c >> 19 & 31) << 10 | (c >> 11 & 31) << 5 | (c >> 3 & 31);
  p[0] = uint8_t(v), p[1] = uint8_t(v >> 8);
}
void Pack565(uint32_t c, uint8_t* p) {
  const uint32_t v = (c >> 19 & 31) << 11 | (c >> 10 & 63) << 5 | (c >> 3 & 31);
  p[0] = uint8_t(v), p[1] = uint8_t(v >> 8);
}
void Pack24(uint32_t c, uint8_t* p) { p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16); }
void Pack32(uint32_t c, uint8_t* p) { Pack24(c, p), p[3] = 0x80; }
// Red in the lowest byte, blue in the third, alpha on top.
void Pack32Rgba(uint32_t c, uint8_t* p) { p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c), p[3] = 0x80; }

TBmpSpec Spec(int width, int height, int bits, int compression = 0, bool top_down = false) {
  TBmpSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bits = bits;
  spec.compression = compression;
  spec.top_down = top_down;
  return spec;
}

struct TVariant {
  const char* name;
  const TCommonPixelFormat* format;
  int index_bits;  // 0 for direct colour
  int tolerance;   // per channel: 16-bit pixels keep 5 or 6 bits
  uint8_t alpha;
  std::function<TBmpSpec(bool top_down)> make;
};

TBmpSpec Indexed(int bits, bool top_down) {
  const int levels = 1 << bits;
  TBmpSpec spec = Spec(kWidth, kHeight, bits, 0, top_down);
  spec.palette.assign(kPalette.begin(), kPalette.begin() + std::min<int>(levels, 16));
  spec.pixel_data = test::PackIndexRows(IndexRows(std::min(levels, 16)), bits, !top_down);
  return spec;
}

TBmpSpec Direct(int bits, int compression, std::vector<uint32_t> masks, int info_size, bool top_down,
                void (*pack)(uint32_t, uint8_t*)) {
  TBmpSpec spec = Spec(kWidth, kHeight, bits, compression, top_down);
  spec.masks = std::move(masks);
  spec.info_size = info_size;
  spec.pixel_data = DirectRows(bits / 8, top_down, pack);
  return spec;
}

const TVariant kVariants[] = {
    {"1 bit", &pf::R8G8B8, 1, 0, 255, [](bool td) { return Indexed(1, td); }},
    {"4 bits", &pf::R8G8B8, 4, 0, 255, [](bool td) { return Indexed(4, td); }},
    {"8 bits", &pf::R8G8B8, 8, 0, 255, [](bool td) { return Indexed(8, td); }},
    {"16 bits 5-5-5", &pf::B5G5R5X1, 0, 8, 255, [](bool td) { return Direct(16, 0, {}, 40, td, Pack555); }},
    {"16 bits 5-5-5 fields", &pf::B5G5R5X1, 0, 8, 255,
     [](bool td) { return Direct(16, 3, {0x7C00, 0x3E0, 0x1F}, 40, td, Pack555); }},
    {"16 bits 5-6-5 fields", &pf::B5G6R5, 0, 8, 255,
     [](bool td) { return Direct(16, 3, {0xF800, 0x7E0, 0x1F}, 40, td, Pack565); }},
    {"16 bits 5-6-5 in a V5 header", &pf::B5G6R5, 0, 8, 255,
     [](bool td) { return Direct(16, 3, {0xF800, 0x7E0, 0x1F}, 124, td, Pack565); }},
    {"24 bits", &pf::R8G8B8, 0, 0, 255, [](bool td) { return Direct(24, 0, {}, 40, td, Pack24); }},
    {"32 bits", &pf::A8R8G8B8, 0, 0, 0x80, [](bool td) { return Direct(32, 0, {}, 40, td, Pack32); }},
    {"32 bits fields", &pf::A8R8G8B8, 0, 0, 0x80,
     [](bool td) { return Direct(32, 3, {0xFF0000, 0xFF00, 0xFF}, 40, td, Pack32); }},
    {"32 bits fields, red in the low byte", &pf::A8R8G8B8, 0, 0, 0x80,
     [](bool td) { return Direct(32, 3, {0xFF, 0xFF00, 0xFF0000}, 40, td, Pack32Rgba); }},
};

uint32_t ExpectedColour(const TVariant& variant, int x, int y) {
  if (variant.index_bits > 0)
    return 0xFF000000u | kPalette[IndexRows(std::min(1 << variant.index_bits, 16))[size_t(y)][size_t(x)]];
  return uint32_t(variant.alpha) << 24 | ReferenceColour(x, y);
}

void ExpectPicture(const TBitmap& bitmap, const TVariant& variant) {
  ASSERT_EQ(bitmap.Width(), kWidth);
  ASSERT_EQ(bitmap.Height(), kHeight);
  EXPECT_EQ(&bitmap.Format(), variant.format) << bitmap.Format().Name();
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t got = bitmap.PixelArgb(x, y);
      const uint32_t want = ExpectedColour(variant, x, y);
      for (int shift = 0; shift < 32; shift += 8)
        ASSERT_NEAR(int(got >> shift & 255), int(want >> shift & 255), variant.tolerance)
            << variant.name << " at " << x << "," << y;
    }
}

TEST(WindowsBitmap, EveryVariantBottomUpAndTopDownGivesThePicture) {
  for (const TVariant& variant : kVariants)
    for (bool top_down : {false, true}) {
      SCOPED_TRACE(std::string(variant.name) + (top_down ? " top-down" : " bottom-up"));
      TMemoryStream stream(test::WriteBmp(variant.make(top_down)));
      Ref<TBitmap> bitmap = ReadWindowsBitmap(stream);
      ASSERT_TRUE(bitmap);
      ExpectPicture(*bitmap, variant);
    }
}

TEST(WindowsBitmap, RunLengthPicturesDecodeLikeUncompressedOnes) {
  for (int bits : {8, 4}) {
    SCOPED_TRACE(bits);
    TBmpSpec spec = Spec(kWidth, kHeight, bits, bits == 8 ? 1 : 2);
    spec.palette = kPalette;
    spec.pixel_data = test::EncodeRle(IndexRows(16), bits);
    TMemoryStream stream(test::WriteBmp(spec));
    Ref<TBitmap> bitmap = ReadWindowsBitmap(stream);
    ASSERT_TRUE(bitmap);
    ExpectPicture(*bitmap, kVariants[2]);
  }
}

TEST(WindowsBitmap, RunLengthDeltaAndEndOfLineMoveThePen) {
  // Bottom row: two pixels of colour 1; then a move right 1 and up 1 to (3, 1): colour 2.
  TBmpSpec spec = Spec(4, 3, 8, 1);
  spec.palette = kPalette;
  spec.pixel_data = std::string("\x02\x01\x00\x02\x01\x01\x01\x02\x00\x01", 10);
  TMemoryStream stream(test::WriteBmp(spec));
  Ref<TBitmap> bitmap = ReadWindowsBitmap(stream);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->PixelArgb(0, 2), 0xFFFFFFFFu);
  EXPECT_EQ(bitmap->PixelArgb(1, 2), 0xFFFFFFFFu);
  EXPECT_EQ(bitmap->PixelArgb(2, 2), 0xFF000000u);
  EXPECT_EQ(bitmap->PixelArgb(3, 1), 0xFFFF0000u);
  EXPECT_EQ(bitmap->PixelArgb(3, 0), 0xFF000000u);
}

TEST(WindowsBitmap, ThirtyTwoBitsWithoutAnyAlphaAreOpaque) {
  TBmpSpec spec = Direct(32, 0, {}, 40, false, Pack24);
  TMemoryStream stream(test::WriteBmp(spec));
  Ref<TBitmap> bitmap = ReadWindowsBitmap(stream);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->PixelArgb(0, 0) >> 24, 255u);
}

struct TBadFile {
  const char* name;
  std::function<std::string()> make;
};

std::string WithByte(std::string file, size_t at, char value) {
  file[at] = value;
  return file;
}
std::string Valid24() { return test::WriteBmp(Direct(24, 0, {}, 40, false, Pack24)); }
std::string Sized(int32_t width, int32_t height) {
  TBmpSpec spec = Spec(width, height, 24);
  spec.pixel_data = std::string(64, '\x7F');
  return test::WriteBmp(spec);
}
std::string RleData(const std::string& data, int bits = 8) {
  TBmpSpec spec = Spec(4, 2, bits, 1);
  spec.palette = kPalette;
  spec.pixel_data = data;
  return test::WriteBmp(spec);
}

const TBadFile kBadFiles[] = {
    {"empty", [] { return std::string(); }},
    {"garbage", [] { return std::string(300, '\xA5'); }},
    {"wrong magic", [] { return WithByte(Valid24(), 0, 'X'); }},
    {"cut in half", [] { std::string f = Valid24(); return f.substr(0, f.size() / 2); }},
    {"header only", [] { return Valid24().substr(0, 30); }},
    {"claims 100000 x 100000", [] { return Sized(100000, 100000); }},
    {"zero width", [] { return Sized(0, 4); }},
    {"zero height", [] { return Sized(4, 0); }},
    {"negative width", [] { return Sized(-4, 4); }},
    {"most negative height", [] { return Sized(4, INT32_MIN); }},
    {"two planes", [] { return WithByte(Valid24(), 26, 2); }},
    {"compression 6", [] { return WithByte(Valid24(), 30, 6); }},
    {"24 bits run-length", [] { return WithByte(Valid24(), 30, 1); }},
    {"short information header", [] { return WithByte(Valid24(), 14, 12); }},
    {"16 bits 4-4-4 fields", [] { return test::WriteBmp(Direct(16, 3, {0xF00, 0xF0, 0xF}, 40, false, Pack555)); }},
    {"16 bits fields with red and blue swapped",
     [] { return test::WriteBmp(Direct(16, 3, {0x1F, 0x7E0, 0xF800}, 40, false, Pack565)); }},
    {"32 bits fields not on bytes", [] { return test::WriteBmp(Direct(32, 3, {0xFF0, 0xF000F, 0xF00000}, 40, false, Pack32)); }},
    {"run past the end", [] { return RleData(std::string("\xFF\x01\x00\x01", 4)); }},
    {"absolute run past the end", [] { return RleData(std::string("\x00\x20", 2) + std::string(32, '\1') + "\x00\x01"); }},
    {"delta past the end, then a run", [] { return RleData(std::string("\x00\x02\x00\x05\x01\x01\x00\x01", 8)); }},
    {"run-length without its end mark", [] { return RleData(std::string("\x04\x01\x00\x00\x04\x01", 6)); }},
    {"truncated absolute run", [] { return RleData(std::string("\x00\x04\x01\x02", 4)); }},
    {"RLE8 mark on 4 bits", [] { return RleData(std::string("\x04\x01\x00\x01", 4), 4); }},
};

TEST(WindowsBitmap, BadFilesGiveNothingAndLeaveTheStreamWhereItWas) {
  for (const TBadFile& bad : kBadFiles) {
    SCOPED_TRACE(bad.name);
    TMemoryStream stream("ab" + bad.make());
    stream.SetPosition(2);
    EXPECT_FALSE(ReadWindowsBitmap(stream));
    EXPECT_EQ(stream.Position(), 2);
  }
}

TEST(WindowsBitmap, CompressedPicturesAreHeldToThePixelLimit) {
  // Four bytes of run-length data may describe any area; the limit bounds the buffer.
  const int64_t saved = MaxPicturePixels();
  SetMaxPicturePixels(1000);
  TBmpSpec spec = Spec(100, 11, 8, 1);
  spec.palette = kPalette;
  spec.pixel_data = std::string("\x00\x01", 2);
  TMemoryStream stream(test::WriteBmp(spec));
  EXPECT_FALSE(ReadWindowsBitmap(stream));
  SetMaxPicturePixels(saved);
}

}  // namespace
}  // namespace orv
