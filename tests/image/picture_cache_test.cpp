#include "image/picture_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "image/placeholder.h"
#include "picture_fixtures.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// Files on disk, counted as they are opened, behind a real accessor.
class TCountingSource : public TRealFileSource {
public:
  std::atomic<int> Opened{0};

protected:
  StreamPtr OpenFile(WideView name) override {
    ++Opened;
    return TRealFileSource::OpenFile(name);
  }
};

class PictureCache : public testing::Test {
protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("picture_cache_" + std::to_string(getpid()));
    fs::create_directories(FDir);
    FSource = MakeRef<TCountingSource>();
    FAccessor = MakeRef<TFileAccessor>(FSource, WideString());
  }
  void TearDown() override { fs::remove_all(FDir); }

  WideString Write(const std::string& name, const std::string& bytes) {
    std::ofstream(FDir / name, std::ios::binary) << bytes;
    return Utf8ToUtf16((FDir / name).string());
  }

  fs::path FDir;
  Ref<TCountingSource> FSource;
  Ref<TFileAccessor> FAccessor;
};

TEST_F(PictureCache, OnePictureIsDecodedOncePerSourceAndSharedAcrossThreads) {
  const WideString name = Write("photo.jpg", test::EncodeJpeg(*test::GradientPicture(300, 200)));
  const int64_t live_before = LiveImageHandles();
  std::vector<Ref<TCachedImage>> images(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < images.size(); ++i)
    threads.emplace_back([&, i] { images[i] = GetImage(*FAccessor, i % 2 ? name : LowerWide(name)); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(FSource->Opened.load(), 1);
  EXPECT_EQ(LiveImageHandles(), live_before + 1);
  for (const Ref<TCachedImage>& image : images) {
    ASSERT_TRUE(image);
    EXPECT_EQ(&image->Store(), &images[0]->Store());
    EXPECT_EQ(image->Width(), 300);
  }
  // Another source decodes its own copy.
  Ref<TFileAccessor> other = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), WideString());
  Ref<TCachedImage> elsewhere = GetImage(*other, name);
  EXPECT_NE(&elsewhere->Store(), &images[0]->Store());
  EXPECT_EQ(LiveImageHandles(), live_before + 2);
  elsewhere.Reset();
  EXPECT_EQ(LiveImageHandles(), live_before + 1);
  // The entry stays while any picture (or a clone) refers to it.
  Ref<TImage> clone = images[3]->Clone();
  images.clear();
  EXPECT_EQ(LiveImageHandles(), live_before + 1);
  clone.Reset();
  EXPECT_EQ(LiveImageHandles(), live_before);
  GetImage(*FAccessor, name);
  EXPECT_EQ(FSource->Opened.load(), 2);
}

TEST_F(PictureCache, DifferentPicturesDecodeInParallel) {
  // Each provider call waits for the other: with one lock for all pictures this would hang.
  struct TRendezvous {
    std::atomic<int> arrived{0};
  } rendezvous;
  Ref<TCallbackHandle> provider = FAccessor->AddPictureProvider(
      {[](void* context, const WideString& name) -> Ref<TBitmapStore> {
         auto* meeting = static_cast<TRendezvous*>(context);
         ++meeting->arrived;
         const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         while (meeting->arrived.load() < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
         return MakeRef<TWrapperBitmapStore>(name, test::GradientPicture(4, 4));
       },
       &rendezvous});
  Ref<TCachedImage> a, b;
  std::thread first([&] { a = GetImage(*FAccessor, u"generated:a"); });
  std::thread second([&] { b = GetImage(*FAccessor, u"generated:b"); });
  first.join();
  second.join();
  EXPECT_EQ(rendezvous.arrived.load(), 2);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->Name(), u"generated:a");
  EXPECT_EQ(FSource->Opened.load(), 0);  // providers come before files
}

TEST_F(PictureCache, MissingAndBrokenPicturesShowAPlaceholderThatStaysCached) {
  const WideString broken = Write("broken.png", "not a picture");
  Ref<TCachedImage> missing = GetImage(*FAccessor, u"C:\\Shows\\Pics\\gone.jpg");
  ASSERT_TRUE(missing);
  EXPECT_GT(missing->Width(), 0);
  Ref<TCachedImage> again = GetImage(*FAccessor, u"c:\\shows\\pics\\GONE.jpg");
  EXPECT_EQ(&again->Store(), &missing->Store());
  EXPECT_EQ(FSource->Opened.load(), 1);  // the file is not tried again
  Ref<TCachedImage> unreadable = GetImage(*FAccessor, broken);
  ASSERT_TRUE(unreadable);
  // The two placeholders say different things, so they differ in width.
  EXPECT_NE(unreadable->Width(), missing->Width());
  Ref<TBitmap> picture = missing->GetLevel(0);
  EXPECT_EQ(picture->PixelArgb(0, 0), kPlaceholderBackgroundColour);
}

// The placeholder's two lines, each drawn as text: rows with glyph pixels form two bands.
TEST(Placeholder, DrawsTwoLinesOfLightTextOnDarkGrey) {
  Ref<TSysBitmapStore> store = MakePlaceholderPicture(u"x", u"Image not found", u"holiday.jpg");
  ASSERT_TRUE(store);
  Ref<TBitmap> picture = store->GetLevel(0);
  int bands = 0;
  bool in_band = false;
  int brightest = 0;
  for (int y = 0; y < picture->Height(); ++y) {
    bool text = false;
    for (int x = 0; x < picture->Width(); ++x) {
      const int green = int(picture->PixelArgb(x, y) >> 8 & 255);
      brightest = std::max(brightest, green);
      text = text || green > 160;
    }
    if (text && !in_band) ++bands;
    in_band = text;
  }
  EXPECT_EQ(bands, 2);
  EXPECT_EQ(brightest, 230);
  // A longer second line makes a wider picture.
  Ref<TSysBitmapStore> wider = MakePlaceholderPicture(u"x", u"Image not found", u"a_much_longer_file_name.jpg");
  EXPECT_GT(wider->Width(), store->Width());
  EXPECT_FALSE(DefaultFontFile().empty());
}

}  // namespace
}  // namespace orv
