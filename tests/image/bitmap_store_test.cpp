#include "image/bitmap_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "base/exceptions.h"
#include "image/halving.h"
#include "image/image.h"
#include "image/orientation.h"
#include "picture_fixtures.h"

namespace orv {
namespace {

// A store that decodes level 0 itself, counting its calls, and can decode level 1 too.
class TCountingStore : public TSysBitmapStore {
public:
  TCountingStore(Ref<TBitmap> picture, Ref<TLevelHook> hook = nullptr, bool decodes_level_1 = false)
      : TSysBitmapStore(u"counting", picture->Width(), picture->Height(), picture->Format(), std::move(hook)),
        FPicture(std::move(picture)),
        FDecodesLevel1(decodes_level_1) {}
  std::atomic<int> Loads{0};

protected:
  Ref<TBitmap> LoadLevel(int level) override {
    ++Loads;
    if (level == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // long enough for a second caller to wait
      return FPicture;
    }
    return level == 1 && FDecodesLevel1 ? HalveBitmap(*FPicture) : nullptr;
  }

private:
  Ref<TBitmap> FPicture;
  bool FDecodesLevel1;
};

class TCountingHook : public TLevelHook {
public:
  Ref<TBitmap> Apply(TSysBitmapStore&, Ref<TBitmap> level) override {
    ++Calls;
    return level;
  }
  int Calls = 0;
};

Ref<TBitmap> Rgb(int width, int height, std::initializer_list<uint32_t> pixels) {
  Ref<TBitmap> bitmap = TBitmap::Create(width, height, pf::R8G8B8);
  auto it = pixels.begin();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x, ++it) {
      const uint32_t c = *it;
      pf::R8G8B8.FromArgb(&c, bitmap->Row(y) + 3 * x, 1);
    }
  return bitmap;
}

TEST(LevelPyramid, HalvingWeighsTheNeighboursOneTwoOneAndClampsTheEdges) {
  // Red carries the values; 3 × 3 gives 2 × 2.
  Ref<TBitmap> source = Rgb(3, 3, {0x100000, 0x200000, 0x300000,  //
                                   0x400000, 0x500000, 0x600000,  //
                                   0x700000, 0x800000, 0x900000});
  Ref<TBitmap> half = HalveBitmap(*source);
  ASSERT_EQ(half->Width(), 2);
  ASSERT_EQ(half->Height(), 2);
  auto red = [&](int x, int y) { return half->PixelArgb(x, y) >> 16 & 255; };
  // (0,0) centres on (0,0): rows {0,0,1} and columns {0,0,1} after clamping
  EXPECT_EQ(red(0, 0), (3 * (3 * 0x10 + 0x20) + (3 * 0x40 + 0x50)) / 16u);
  // (1,1) centres on (2,2): rows {1,2,2}, columns {1,2,2}
  EXPECT_EQ(red(1, 1), ((0x50 + 3 * 0x60) + 3 * (0x80 + 3 * 0x90)) / 16u);
}

TEST(LevelPyramid, LevelSizesRoundUpAndTheDecoderIsAskedFirst) {
  Ref<TCountingStore> store = MakeRef<TCountingStore>(test::GradientPicture(1000, 750), nullptr, true);
  const int widths[] = {1000, 500, 250, 125, 63, 32};
  const int heights[] = {750, 375, 188, 94, 47, 24};
  for (int level = 0; level < 6; ++level) {
    Ref<TBitmap> bitmap = store->GetLevel(level);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Width(), widths[level]);
    EXPECT_EQ(bitmap->Height(), heights[level]);
  }
  EXPECT_EQ(store->Loads.load(), 6);  // every level was offered to the decoder once
  store->GetLevel(3);
  EXPECT_EQ(store->Loads.load(), 6);
}

TEST(LevelPyramid, HalvedLevelsOfAnAlphaPictureKeepAlpha) {
  Ref<TCountingStore> store = MakeRef<TCountingStore>(test::GradientPicture(8, 8, true));
  Ref<TBitmap> level1 = store->GetLevel(1);
  EXPECT_EQ(&level1->Format(), &pf::A8R8G8B8);
  Ref<TCountingStore> opaque = MakeRef<TCountingStore>(test::GradientPicture(8, 8, false)->ConvertTo(pf::B8G8R8));
  EXPECT_EQ(&opaque->GetLevel(1)->Format(), &pf::R8G8B8);
}

TEST(LevelPyramid, ConversionsAreCachedBesideTheDecodedLevel) {
  Ref<TCountingStore> store = MakeRef<TCountingStore>(test::GradientPicture(4, 4));
  Ref<TBitmap> decoded = store->GetLevel(0);
  Ref<TBitmap> rgb = store->GetLevel(0, &pf::R8G8B8);
  EXPECT_EQ(&rgb->Format(), &pf::R8G8B8);
  EXPECT_EQ(store->GetLevel(0, &pf::R8G8B8), rgb);
  EXPECT_EQ(store->GetLevel(0, &pf::A8R8G8B8), decoded);
  EXPECT_EQ(rgb->PixelArgb(3, 2), decoded->PixelArgb(3, 2));
}

// A bitmap kind of its own, counting how often one is made.
class TTaggedBitmap : public TBitmap {
public:
  static inline int Made = 0;
  static const TBitmapClass& StaticClass() {
    static const TBitmapClass kClass{"TTaggedBitmap", [](const TBitmap& source) -> Ref<TBitmap> {
                                       ++Made;
                                       return Ref<TBitmap>::Adopt(new TTaggedBitmap(source));
                                     }};
    return kClass;
  }
  const TBitmapClass& Class() const override { return StaticClass(); }

private:
  explicit TTaggedBitmap(const TBitmap& source) : TBitmap(source.Width(), source.Height(), source.Format()) {
    for (int y = 0; y < source.Height(); ++y)
      std::memcpy(Row(y), source.Row(y), size_t(source.Width()) * source.Format().BytesPerPixel());
  }
};

TEST(LevelPyramid, ABitmapClassIsMadeOnceFromTheConvertedLevel) {
  Ref<TCountingStore> store = MakeRef<TCountingStore>(test::GradientPicture(4, 4));
  Ref<TBitmap> tagged = store->GetLevel(0, &pf::R8G8B8, &TTaggedBitmap::StaticClass());
  EXPECT_EQ(&tagged->Class(), &TTaggedBitmap::StaticClass());
  EXPECT_EQ(&tagged->Format(), &pf::R8G8B8);
  EXPECT_EQ(tagged->PixelArgb(2, 3), store->GetLevel(0)->PixelArgb(2, 3));
  EXPECT_EQ(store->GetLevel(0, &pf::R8G8B8, &TTaggedBitmap::StaticClass()), tagged);
  EXPECT_EQ(TTaggedBitmap::Made, 1);
}

TEST(LevelPyramid, TheHookSeesDecodedLevelsOnly) {
  Ref<TCountingHook> hook = MakeRef<TCountingHook>();
  Ref<TCountingStore> store = MakeRef<TCountingStore>(test::GradientPicture(16, 16), hook, true);
  store->GetLevel(3);
  EXPECT_EQ(hook->Calls, 1);  // level 1 came from the decoder, 2 and 3 from halving it
  store->GetLevel(0);
  store->GetLevel(2);
  EXPECT_EQ(hook->Calls, 2);
}

TEST(LevelPyramid, ANegativeLevelIsAnInternalError) {
  Ref<TCountingStore> store = MakeRef<TCountingStore>(test::GradientPicture(4, 4));
  EXPECT_THROW(store->GetLevel(-1), EAssertionFailed);
}

TEST(LevelPyramid, ProgressReachesTheEndOfAHalving) {
  Ref<TCountingStore> store = MakeRef<TCountingStore>(test::GradientPicture(64, 64));
  std::vector<double> fractions;
  store->SetProgressHandler([&fractions](double f) { fractions.push_back(f); });
  store->GetLevel(1);
  ASSERT_EQ(fractions.size(), 32u);
  EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
}

TEST(LevelPyramid, TwoThreadsAskingForOneLevelDecodeItOnce) {
  Ref<TCountingStore> store = MakeRef<TCountingStore>(test::GradientPicture(32, 32));
  Ref<TBitmap> first, second;
  std::thread a([&] { first = store->GetLevel(0); });
  std::thread b([&] { second = store->GetLevel(0); });
  a.join();
  b.join();
  EXPECT_EQ(store->Loads.load(), 1);
  EXPECT_EQ(first, second);
}

TEST(Orientation, CodesTurnThePictureAndItsSize) {
  // 3 × 2: a marked top-left pixel shows where each turn takes it.
  Ref<TBitmap> picture = TBitmap::Create(3, 2, pf::A8R8G8B8);
  picture->Fill(0xFF000000);
  const uint32_t mark = 0xFFFFFFFF;
  std::memcpy(picture->Row(0), &mark, 4);
  struct {
    int code, width, height, mark_x, mark_y;
  } const cases[] = {{1, 3, 2, 0, 0}, {3, 3, 2, 2, 1}, {6, 2, 3, 1, 0}, {8, 2, 3, 0, 2}};
  auto factory = MakeOrientationHookFactory([](const WideString& name) { return int(name[0] - u'0'); });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const WideString name(1, char16_t(u'0' + c.code));
    Ref<TWrapperBitmapStore> store = MakeRef<TWrapperBitmapStore>(name, picture, factory(name));
    EXPECT_EQ(store->Width(), c.width);
    EXPECT_EQ(store->Height(), c.height);
    Ref<TBitmap> level0 = store->GetLevel(0);
    ASSERT_EQ(level0->Width(), c.width);
    EXPECT_EQ(level0->PixelArgb(c.mark_x, c.mark_y), mark);
  }
}

TEST(TImage, CopiesTheStoreParametersAndSharesTheStore) {
  Ref<TCountingStore> store = MakeRef<TCountingStore>(test::GradientPicture(5, 3));
  Ref<TImage> image = MakeRef<TImage>(store);
  Ref<TImage> clone = image->Clone();
  EXPECT_EQ(clone->Width(), 5);
  EXPECT_EQ(clone->Height(), 3);
  EXPECT_EQ(clone->Name(), u"counting");
  EXPECT_EQ(&clone->Store(), store.Get());
  EXPECT_EQ(image->GetLevel(0), clone->GetLevel(0));
  EXPECT_EQ(store->RefCount(), 3);
}

}  // namespace
}  // namespace orv
