#include "image/picture_loaders.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <map>

#include "image/color_profile.h"
#include "image/gfx_container.h"
#include "picture_fixtures.h"

namespace orv {
namespace {

std::string Bmp24(int width, int height) {
  test::TBmpSpec spec;
  spec.width = width;
  spec.height = height;
  spec.pixel_data = std::string(size_t((width * 3 + 3) / 4 * 4 * height), '\x40');
  return test::WriteBmp(spec);
}

std::string Container(int width, int height, const std::string& payload, bool with_original_size = true) {
  std::vector<std::pair<std::string, std::string>> keys = {
      {"File", "C:\\pics\\a.jpg"}, {"Width", std::to_string(width)}, {"Height", std::to_string(height)}, {"Tool", "x"}};
  if (with_original_size) keys.push_back({"OriginalSize", "1234"});
  return test::GfxContainer(keys, test::RawDeflate(payload));
}

// Serves named files to the loaders in place of a show's file access.
class TShowFiles {
public:
  TShowFiles() {
    SetFileOpener([this](const WideString& name) -> StreamPtr {
      auto it = FFiles.find(name);
      return it == FFiles.end() ? nullptr : std::make_unique<TMemoryStream>(it->second);
    });
  }
  ~TShowFiles() { SetFileOpener(nullptr); }
  void Add(const WideString& name, std::string bytes) { FFiles[name] = std::move(bytes); }

private:
  std::map<WideString, std::string> FFiles;
};

Ref<TSysBitmapStore> Load(const std::string& bytes, const WideString& name) {
  TMemoryStream stream(bytes);
  return LoadPicture(stream, name);
}

TEST(GfxContainer, SizeIsKnownWithoutInflatingAndLevelZeroIsTheBitmap) {
  Ref<TSysBitmapStore> store = Load(Container(5, 3, Bmp24(5, 3)), u"a.tsgfx");
  ASSERT_TRUE(dynamic_cast<TGfxBitmapStore*>(store.Get()));
  EXPECT_EQ(store->Width(), 5);
  EXPECT_EQ(store->Height(), 3);
  EXPECT_EQ(&store->Format(), &pf::A8R8G8B8);
  EXPECT_EQ(store->GetLevel(0)->PixelArgb(4, 2), 0xFF404040u);
}

TEST(GfxContainer, PngAndGifNamesStartingWithTheMagicAreContainers) {
  for (const char16_t* name : {u"a.png", u"b.GIF", u"c.bmp", u"no_extension"})
    EXPECT_TRUE(dynamic_cast<TGfxBitmapStore*>(Load(Container(2, 2, Bmp24(2, 2)), name).Get())) << Utf16ToUtf8(name);
  EXPECT_FALSE(Load(Container(2, 2, Bmp24(2, 2)), u"d.jpg"));
}

TEST(GfxContainer, ABrokenPayloadShowsGreenAtTheDeclaredSize) {
  for (const std::string& payload : {std::string("not a bitmap"), Bmp24(4, 4)}) {
    Ref<TSysBitmapStore> store = Load(Container(7, 6, payload), u"a.tsgfx");
    ASSERT_TRUE(store);
    Ref<TBitmap> level0 = store->GetLevel(0);
    EXPECT_EQ(level0->Width(), 7);
    EXPECT_EQ(level0->PixelArgb(6, 5), 0xFF00FF00u);
  }
  std::string truncated = Container(3, 3, Bmp24(3, 3));
  truncated.resize(truncated.size() - 10);
  EXPECT_EQ(Load(truncated, u"a.tsgfx")->GetLevel(0)->PixelArgb(0, 0), 0xFF00FF00u);
}

using TKeys = std::vector<std::pair<std::string, std::string>>;

TKeys GoodKeys() { return {{"File", "a"}, {"Width", "2"}, {"Height", "2"}, {"OriginalSize", "9"}}; }
TKeys Without(size_t index) {
  TKeys keys = GoodKeys();
  keys.erase(keys.begin() + long(index));
  return keys;
}
TKeys With(size_t index, std::string value) {
  TKeys keys = GoodKeys();
  keys[index].second = std::move(value);
  return keys;
}
TKeys Sized(std::string width, std::string height) {
  TKeys keys = With(1, std::move(width));
  keys[2].second = std::move(height);
  return keys;
}

TEST(GfxContainer, KeysThatDoNotHoldUpAreRefused) {
  const std::string payload = test::RawDeflate(Bmp24(2, 2));
  const std::string cases[] = {
      test::GfxContainer(Without(3), payload),                      // no OriginalSize
      test::GfxContainer(Without(0), payload),                      // no File
      test::GfxContainer(With(1, "2px"), payload),                  // Width not a number
      test::GfxContainer(With(2, ""), payload),                     // Height empty
      test::GfxContainer(With(3, "x"), payload),                    // OriginalSize not a number
      test::GfxContainer(With(1, "0"), payload),                    // nothing to show
      test::GfxContainer(Sized("100000", "100000"), payload),       // far too large
      test::GfxContainer(With(0, "\xC3\x28"), payload),             // not UTF-8
      std::string("TSGF\x05\x00\x04\x00", 8) + "File",             // a length that cannot be read
      "TSGX",
  };
  for (const std::string& file : cases) {
    TMemoryStream stream("ab" + file);
    stream.SetPosition(2);
    EXPECT_FALSE(LoadPicture(stream, u"a.tsgfx"));
    EXPECT_EQ(stream.Position(), 2);
  }
}

TEST(LoaderRegistry, ExtensionsAreNormalisedAndMatchedWithoutCase) {
  static int calls = 0;
  RegisterPictureLoader(
      [](TStream& stream, const WideString&, const THookFactory&) -> Ref<TSysBitmapStore> {
        ++calls;
        stream.Seek(1, TSeekOrigin::Current);  // a sloppy loader; the registry puts the stream back
        return nullptr;
      },
      {" *xyz", "qq", ".Rr"});
  for (const char16_t* name : {u"a.XYZ", u"b.qq", u"dir.x/c.rr", u"plain"}) {
    TMemoryStream stream(std::string("junk"));
    EXPECT_FALSE(LoadPicture(stream, name));
    EXPECT_EQ(stream.Position(), 0);
  }
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(PictureExtension(u"C:\\a.b\\name"), "");
  EXPECT_EQ(PictureExtension(u"C:\\a\\name.JPEG"), ".jpeg");
}

TEST(LoaderRegistry, LoadImageFileGoesThroughTheInstalledOpenerAndNeverThrows) {
  EXPECT_FALSE(LoadImageFile(u"pic.bmp"));  // no opener yet
  {
    TShowFiles files;
    files.Add(u"pic.bmp", Bmp24(3, 2));
    Ref<TImage> image = LoadImageFile(u"pic.bmp");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width(), 3);
    EXPECT_FALSE(LoadImageFile(u"missing.bmp"));
  }
  SetFileOpener([](const WideString&) -> StreamPtr { throw EFOpenError("Cannot open file"); });
  EXPECT_FALSE(LoadImageFile(u"pic.bmp"));
  SetFileOpener(nullptr);
}

TEST(ColorProfiles, TheIdentityTableSpreadsThirtyTwoLevels) {
  Ref<TBitmap> table = MakeIdentityColorTable();
  ASSERT_EQ(table->Width(), 32);
  ASSERT_EQ(table->Height(), 1024);
  const uint8_t* row = table->Row(5 + 32 * 31);  // i = 31, j = 5
  EXPECT_EQ(row[3 * 1], 255);                    // first byte: v(31)
  EXPECT_EQ(row[3 * 1 + 1], 40 + 1);             // second byte: v(5) = 40 + 40 / 32
  EXPECT_EQ(row[3 * 1 + 2], 8);                  // third byte: v(1)
}

// A container holding a colour table as its difference from the identity table.
std::string ProfileContainer(int shift) {
  test::TBmpSpec spec;
  spec.width = 32;
  spec.height = 1024;
  spec.pixel_data = std::string(32 * 3 * 1024, char(shift));
  return Container(32, 1024, test::WriteBmp(spec));
}

TEST(ColorProfiles, TheShowsTableIsTheIdentityPlusTheStoredDifference) {
  TShowFiles files;
  files.Add(u"ColorSpaceExe_pic.bmp].TSGFX", ProfileContainer(3));
  Ref<TSysBitmapStore> store = Load(Bmp24(2, 2), u"pic.bmp");
  Ref<TColorProfile> profile = store->Attachments().Find<TOrvColorProfile>();
  ASSERT_TRUE(profile);
  Ref<TBitmap> table = MakeIdentityColorTable();
  profile->Apply(*table);
  EXPECT_EQ(table->Row(0)[0], 3);
  EXPECT_EQ(table->Row(1023)[93], uint8_t(255 + 3));  // wraps modulo 256
  EXPECT_FALSE(Load(Bmp24(2, 2), u"other.bmp")->Attachments().Find<TColorProfile>());
}

std::string SaveProfile(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// An RGB profile with wider primaries than sRGB (roughly Adobe RGB).
std::string WideGamutProfile() {
  cmsCIExyY white = {0.3127, 0.3290, 1.0};
  cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  std::string bytes = SaveProfile(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(gamma);
  return bytes;
}

TEST(ColorProfiles, AnEmbeddedIccProfileConvertsTheTableToSrgb) {
  test::TJpegOptions options;
  options.icc_profile = WideGamutProfile();
  const std::string jpeg = test::EncodeJpeg(*test::GradientPicture(16, 16), options);
  Ref<TSysBitmapStore> store = Load(jpeg, u"wide.jpg");
  Ref<TJpegColorSpace> profile = store->Attachments().Find<TJpegColorSpace>();
  ASSERT_TRUE(profile);
  EXPECT_EQ(profile->IccProfile(), options.icc_profile);
  Ref<TBitmap> table = MakeIdentityColorTable();
  profile->Apply(*table);
  // Pure green of the wide space lies outside sRGB: red and blue drop to 0, green stays full.
  const uint8_t* green = table->Row(31) + 0;  // i = 0 (first byte), j = 31, k = 0
  EXPECT_EQ(green[1], 255);
  EXPECT_LT(green[0], 10);
  EXPECT_LT(green[2], 10);
  // Grey stays grey.
  const uint8_t* grey = table->Row(16 + 32 * 16) + 3 * 16;
  EXPECT_NEAR(grey[0], grey[1], 2);
  EXPECT_NEAR(grey[1], grey[2], 2);
}

TEST(ColorProfiles, AnApp2ThatIsNoIccProfileLeavesTheTableAlone) {
  test::TJpegOptions options;
  const char kFlashPix[] = "FPXR\0\0\0\0\0\0\0\0\0\0 not a colour profile at all";
  options.raw_app2.assign(kFlashPix, sizeof kFlashPix - 1);
  const std::string jpeg = test::EncodeJpeg(*test::GradientPicture(8, 8), options);
  Ref<TJpegColorSpace> profile = Load(jpeg, u"odd.jpeg")->Attachments().Find<TJpegColorSpace>();
  ASSERT_TRUE(profile);
  Ref<TBitmap> table = MakeIdentityColorTable();
  profile->Apply(*table);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(table->Row(0)), 32 * 3 * 1024),
            std::string(reinterpret_cast<char*>(MakeIdentityColorTable()->Row(0)), 32 * 3 * 1024));
}

TEST(ColorProfiles, NoIccAttachesNothing) {
  TShowFiles files;
  files.Add(u"ColorSpaceExe_pic.bmp].TSGFX", ProfileContainer(1));
  test::TJpegOptions options;
  options.icc_profile = WideGamutProfile();
  SetNoIcc(true);
  EXPECT_TRUE(Load(Bmp24(2, 2), u"pic.bmp")->Attachments().Items().empty());
  EXPECT_TRUE(Load(test::EncodeJpeg(*test::GradientPicture(8, 8), options), u"w.jpg")->Attachments().Items().empty());
  SetNoIcc(false);
}

}  // namespace
}  // namespace orv
