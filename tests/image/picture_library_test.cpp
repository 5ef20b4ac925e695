#include "image/picture_library.h"

#include <png.h>
#include <gtest/gtest.h>

#include <cstring>

#include "image/picture_loaders.h"
#include "picture_fixtures.h"

namespace orv {
namespace {

class PictureLibrary : public testing::Test {
protected:
  static void SetUpTestSuite() { ASSERT_TRUE(RegisterPictureLibrary(ORV_PICTURE_LIBRARY_PATH, {"png"})); }

  static Ref<TSysBitmapStore> Load(const std::string& file, const WideString& name = u"a.png") {
    TMemoryStream stream(file);
    return LoadPicture(stream, name);
  }
};

// Each channel within `tolerance` of the reference (16-bit files are scaled to 8 bits).
void ExpectSame(const TBitmap& got, const TBitmap& want, bool compare_alpha, bool grey = false) {
  ASSERT_EQ(got.Width(), want.Width());
  ASSERT_EQ(got.Height(), want.Height());
  for (int y = 0; y < want.Height(); ++y)
    for (int x = 0; x < want.Width(); ++x) {
      const uint32_t g = got.PixelArgb(x, y), w = want.PixelArgb(x, y);
      for (int shift : {0, 8, 16}) {
        const int expected = grey ? int(w >> 8 & 255) : int(w >> shift & 255);
        ASSERT_EQ(int(g >> shift & 255), expected) << x << "," << y;
      }
      if (compare_alpha) {
        ASSERT_EQ(g >> 24, w >> 24) << x << "," << y;
      }
    }
}

TEST_F(PictureLibrary, EveryColourTypeBecomes24Or32Bits) {
  Ref<TBitmap> opaque = test::GradientPicture(33, 17);
  Ref<TBitmap> translucent = test::GradientPicture(33, 17, true);
  struct {
    const char* name;
    int colour_type, depth;
    bool interlaced, alpha, grey;
  } const cases[] = {
      {"RGB", PNG_COLOR_TYPE_RGB, 8, false, false, false},
      {"RGB interlaced", PNG_COLOR_TYPE_RGB, 8, true, false, false},
      {"RGB 16 bits", PNG_COLOR_TYPE_RGB, 16, false, false, false},
      {"RGBA", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, true, false},
      {"RGBA interlaced 16 bits", PNG_COLOR_TYPE_RGB_ALPHA, 16, true, true, false},
      {"grey", PNG_COLOR_TYPE_GRAY, 8, false, false, true},
      {"grey and alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TPngOptions options{c.colour_type, c.depth, c.interlaced};
    const TBitmap& picture = c.alpha ? *translucent : *opaque;
    Ref<TSysBitmapStore> store = Load(test::EncodePng(picture, options));
    ASSERT_TRUE(store);
    EXPECT_EQ(&store->Format(), c.alpha ? &pf::A8R8G8B8 : &pf::R8G8B8);
    ExpectSame(*store->GetLevel(0), picture, c.alpha, c.grey);
  }
}

TEST_F(PictureLibrary, APaletteWithATransparentEntryGainsAlpha) {
  Ref<TBitmap> picture = TBitmap::Create(4, 2, pf::A8R8G8B8);
  const uint32_t colours[8] = {0xFF102030, 0xFF405060, 0xFF102030, 0xFF708090,
                               0xFF405060, 0xFF405060, 0xFF708090, 0xFF102030};
  std::memcpy(picture->Row(0), colours, 16);
  std::memcpy(picture->Row(1), colours + 4, 16);
  test::TPngOptions options{PNG_COLOR_TYPE_PALETTE, 8};
  options.transparent_index = true;  // entry 0 is the first colour met, 0x102030
  Ref<TBitmap> level0 = Load(test::EncodePng(*picture, options))->GetLevel(0);
  EXPECT_EQ(level0->PixelArgb(0, 0), 0x00102030u);
  EXPECT_EQ(level0->PixelArgb(1, 0), 0xFF405060u);
  EXPECT_EQ(level0->PixelArgb(3, 1), 0x00102030u);
}

TEST_F(PictureLibrary, APngNamedBmpGoesToThePngLoader) {
  Ref<TSysBitmapStore> store = Load(test::EncodePng(*test::GradientPicture(9, 9)), u"C:\\pics\\disguised.BMP");
  ASSERT_TRUE(store);
  EXPECT_EQ(store->Width(), 9);
  EXPECT_TRUE(dynamic_cast<TImageLibStore*>(store.Get()));
}

TEST_F(PictureLibrary, BrokenFilesGiveNothingOrWhatCouldBeRead) {
  const std::string good = test::EncodePng(*test::GradientPicture(50, 40));
  for (const std::string& bytes : {std::string(), good.substr(0, 8), good.substr(0, 30), std::string(200, 'p')}) {
    TMemoryStream stream("ab" + bytes);
    stream.SetPosition(2);
    EXPECT_FALSE(LoadPicture(stream, u"x.png"));
    EXPECT_EQ(stream.Position(), 2);
  }
  Ref<TSysBitmapStore> cut = Load(good.substr(0, good.size() - 40));
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->GetLevel(0)->Height(), 40);
}

TEST_F(PictureLibrary, AMissingLibraryIsNotRegistered) {
  EXPECT_FALSE(RegisterPictureLibrary("/nonexistent/Common/tsPngLib.so", {".png"}));
}

}  // namespace
}  // namespace orv
