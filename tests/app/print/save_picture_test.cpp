#include "app/print/save_picture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/stream.h"
#include "image/picture_loaders.h"
#include "image/pixel_format.h"
#include "picture_fixtures.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<uint32_t> Palette() {
  std::vector<uint32_t> palette(256);
  for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint32_t(i * 0x010305) & 0xFFFFFF;
  return palette;
}

std::vector<uint8_t> GifIndexes(int width, int height) {
  std::vector<uint8_t> indexes(size_t(width * height));
  for (size_t i = 0; i < indexes.size(); ++i) indexes[i] = uint8_t(i * 7 % 251);
  return indexes;
}

void ExpectSamePixels(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      ASSERT_EQ(a.PixelArgb(x, y) | 0xFF000000u, b.PixelArgb(x, y) | 0xFF000000u) << x << "," << y;
}

Ref<TBitmap> Decoded(const std::string& bytes, const WideString& name) {
  TMemoryStream stream(bytes);
  Ref<TImage> image = LoadImage(stream, name);
  return image ? image->GetLevel(0, &pf::A8R8G8B8) : nullptr;
}

// A loose show: slide 1 shows a JPEG named with a Windows path, slide 2 a GIF, slide 3
// names a file that is not there, slide 4 names no picture.
class SavePicture : public testing::Test {
protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("orv-save-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    jpeg_ = test::EncodeJpeg(*test::GradientPicture(40, 30));
    WriteFile(folder_ / "Photo.JPEG", jpeg_);
    WriteFile(folder_ / "anim.gif", test::EncodeGif(9, 5, GifIndexes(9, 5), Palette()));
    WriteFile(folder_ / "Project.orv",
              "[Main]\r\n[slide1]\r\npicture=C:\\Pics\\Photo.JPEG\r\n[slide2]\r\npicture=anim.gif\r\n"
              "[slide3]\r\npicture=gone.png\r\n[slide4]\r\n");
    locator_ = LocatorFromProject((folder_ / "Project.orv").string());
    ASSERT_TRUE(locator_);
    frame_ = test::GradientPicture(16, 9);
  }
  void TearDown() override {
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(folder_);
  }

  TCallBackClass Supplier(int slide_index) const {
    return TCallBackClass(locator_, MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"Captured frame", frame_)),
                          slide_index);
  }

  fs::path folder_;
  std::string jpeg_;
  Ref<TOrvShowLocator> locator_;
  Ref<TBitmap> frame_;
};

TEST_F(SavePicture, MainJpegIsOfferedByteForByteUnderItsOwnName) {
  const std::optional<TSaveOffer> offer = SaveOfferFor(Supplier(0), true);
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->SuggestedName, u"Photo.JPEG");
  EXPECT_EQ(offer->DefaultExtension, u"JPEG");
  EXPECT_TRUE(offer->MainPicture);
  EXPECT_EQ(offer->Bytes, jpeg_);
}

TEST_F(SavePicture, OtherMainPictureBecomesBmpWithEqualPixels) {
  const std::optional<TSaveOffer> offer = SaveOfferFor(Supplier(1), true);
  ASSERT_TRUE(offer);
  EXPECT_EQ(offer->SuggestedName, u"anim.bmp");
  EXPECT_EQ(offer->DefaultExtension, u"bmp");
  ASSERT_EQ(offer->Bytes.substr(0, 2), "BM");
  const Ref<TBitmap> saved = Decoded(offer->Bytes, u"saved.bmp");
  const Ref<TBitmap> original = Decoded(ReadFile(folder_ / "anim.gif"), u"anim.gif");
  ASSERT_TRUE(saved && original);
  ExpectSamePixels(*saved, *original);
}

// Without the box, or without a main picture to save, the captured frame is saved as
// "Slide<number from 1>.bmp".
TEST_F(SavePicture, CapturedFrameIsSlideNumberBmp) {
  struct TCase {
    int SlideIndex;
    bool OnlyMainImage;
    const char16_t* Name;
  };
  for (const TCase& c : {TCase{0, false, u"Slide1.bmp"}, TCase{2, true, u"Slide3.bmp"}, TCase{3, true, u"Slide4.bmp"},
                         TCase{11, false, u"Slide12.bmp"}}) {
    const std::optional<TSaveOffer> offer = SaveOfferFor(Supplier(c.SlideIndex), c.OnlyMainImage);
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->SuggestedName, c.Name);
    EXPECT_EQ(offer->DefaultExtension, u"bmp");
    EXPECT_FALSE(offer->MainPicture);
    const Ref<TBitmap> saved = Decoded(offer->Bytes, u"frame.bmp");
    ASSERT_TRUE(saved);
    ExpectSamePixels(*saved, *frame_);
  }
}

TEST_F(SavePicture, NothingToSaveWithoutAFrame) {
  EXPECT_FALSE(SaveOfferFor(TCallBackClass(locator_, nullptr, 3), true));
  EXPECT_FALSE(SaveOfferFor(TCallBackClass(locator_, nullptr, 0), false));
}

// Printing the main picture: a missing file prints the cache's placeholder, a slide
// without the key gives nothing (the dialog then prints the frame).
TEST_F(SavePicture, MainPictureForPrinting) {
  TSuppliedPicture jpeg, missing, none;
  ASSERT_TRUE(Supplier(0).GetPicture(TPictureMode::MainPictureBitmap, jpeg));
  EXPECT_EQ(jpeg.Bitmap->Width(), 40);
  EXPECT_EQ(jpeg.SlideIndex, 0);
  EXPECT_TRUE(Supplier(2).GetPicture(TPictureMode::MainPictureBitmap, missing));
  EXPECT_FALSE(Supplier(3).GetPicture(TPictureMode::MainPictureBitmap, none));
  EXPECT_FALSE(Supplier(2).GetPicture(TPictureMode::MainPictureFile, missing));
}

TEST(SaveNames, ProjectNamesKeepOnlyTheirLastComponent) {
  EXPECT_EQ(LastNameComponent(u"C:\\Pics\\a.jpg"), u"a.jpg");
  EXPECT_EQ(LastNameComponent(u"../../etc/passwd"), u"passwd");
  EXPECT_EQ(LastNameComponent(u"C:a.jpg"), u"a.jpg");
  EXPECT_EQ(LastNameComponent(u"sub/.."), u"");
  EXPECT_EQ(LastNameComponent(u"plain.png"), u"plain.png");
}

TEST(SaveNames, TypedNameLeadsToAPath) {
  const char* home = std::getenv("HOME");
  const std::string saved_home = home ? home : "";
  setenv("HOME", "/home/viewer", 1);
  struct TCase {
    const char16_t* Typed;
    const char16_t* Extension;
    const char* Path;
  };
  const TCase cases[] = {
      {u"Slide3.bmp", u"bmp", "/shows/Slide3.bmp"},
      {u"Slide3", u"bmp", "/shows/Slide3.bmp"},
      {u"  copy  ", u"*", "/shows/copy"},
      {u"/tmp/x.jpg", u"jpg", "/tmp/x.jpg"},
      {u"~/out", u"jpg", "/home/viewer/out.jpg"},
      {u"sub/.hidden", u"bmp", "/shows/sub/.hidden.bmp"},
      {u"", u"bmp", ""},
      {u"   ", u"bmp", ""},
  };
  for (const TCase& c : cases) EXPECT_EQ(SavePath("/shows/", c.Typed, c.Extension), c.Path) << Utf16ToUtf8(c.Typed);
  if (home) setenv("HOME", saved_home.c_str(), 1);
}

TEST_F(SavePicture, WritesTheBytesAndSaysWhyItCannot) {
  const fs::path target = folder_ / "Slide3.bmp";
  EXPECT_EQ(WriteSavedFile(target.string(), "some bytes"), "");
  EXPECT_EQ(ReadFile(target), "some bytes");
  EXPECT_EQ(WriteSavedFile(target.string(), "less"), "");
  EXPECT_EQ(ReadFile(target), "less");

  const std::string missing = (folder_ / "no-such-folder" / "a.bmp").string();
  EXPECT_EQ(WriteSavedFile(missing, "x"), "Cannot write " + missing + ": No such file or directory");
  const std::string in_a_file = (target / "c.bmp").string();
  EXPECT_EQ(WriteSavedFile(in_a_file, "x"), "Cannot write " + in_a_file + ": Not a directory");
}

// Root writes anywhere: the refusal is seen in a child that gives up root first.
TEST_F(SavePicture, ReadOnlyFolderIsRefusedWithItsReason) {
  fs::permissions(folder_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const std::string refused = (folder_ / "b.bmp").string();
  const std::string expected = "Cannot write " + refused + ": Permission denied";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
    _exit(WriteSavedFile(refused, "x") == expected && !fs::exists(refused) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
}  // namespace orv
