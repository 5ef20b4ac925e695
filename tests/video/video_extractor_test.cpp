#include "video/video_extractor.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <set>

#include "memory_yuv_image.h"

namespace orv {
namespace {

using namespace std::chrono_literals;
constexpr auto kLongWait = 10s;

// Writes its frame number into the first luma byte; can fail chosen frames and can be
// held back until released.
class TFakeSource : public TFrameSource {
 public:
  explicit TFakeSource(int64_t frames) : TFrameSource(ParamsOf(frames)) {}

  bool GetFrameAsYUV(int64_t index, TYUVImage& target) override {
    std::unique_lock lock(FLock);
    FOpen.wait(lock, [&] { return !FHeld; });
    Decoded.push_back(index);
    if (Failing.count(index)) return false;
    target.LockPlane(TYUVImage::kPlaneY).Row(0)[0] = uint8_t(index);
    target.UnlockPlane(TYUVImage::kPlaneY);
    return true;
  }
  void Hold(bool held) {
    {
      std::lock_guard lock(FLock);
      FHeld = held;
    }
    FOpen.notify_all();
  }
  std::vector<int64_t> DecodedFrames() {
    std::lock_guard lock(FLock);
    return Decoded;
  }

  std::set<int64_t> Failing;

 private:
  static TVideoParams ParamsOf(int64_t frames) {
    TVideoParams params;
    params.Width = 8;
    params.Height = 8;
    params.Fps = 25;
    params.FrameCount = frames;
    return params;
  }
  std::mutex FLock;
  std::condition_variable FOpen;
  bool FHeld = false;
  std::vector<int64_t> Decoded;
};

struct ExtractorTest : testing::Test {
  ExtractorTest() : Source(MakeRef<TFakeSource>(100)), Extractor(MakeRef<TOrvVideoExtractor>(Source, false)) {}
  void AddImages(int count) {
    for (int i = 0; i < count; ++i)
      Extractor->AddPoolImage(MakeRef<TMemoryYUVImage>(8, 8, TYUVImage::TForm::Planar));
  }
  static int FrameIn(const TOrvVideoExtractor::TPoolEntry& entry) {
    const int frame = entry.Image->LockPlane(TYUVImage::kPlaneY).Row(0)[0];
    entry.Image->UnlockPlane(TYUVImage::kPlaneY);
    return frame;
  }

  Ref<TFakeSource> Source;
  Ref<TOrvVideoExtractor> Extractor;
};

TEST_F(ExtractorTest, AWaitedRequestIsTakenExactlyAndTheNextFrameIsDecodedAhead) {
  AddImages(2);
  ASSERT_TRUE(Extractor->Request(400, true, kLongWait));  // frame 10
  std::optional<TOrvVideoExtractor::TTaken> taken = Extractor->TakeNearest(25, 400);
  ASSERT_TRUE(taken);
  EXPECT_TRUE(taken->Exact);
  EXPECT_EQ(taken->Entry.Frame, 10);
  EXPECT_EQ(FrameIn(taken->Entry), 10);
  Extractor->GiveBack(std::move(taken->Entry));
  // Taking frame 10 asked for frame 11, which the next request finds without waiting long.
  ASSERT_TRUE(Extractor->Request(440, true, kLongWait));
  EXPECT_EQ(Source->DecodedFrames(), (std::vector<int64_t>{10, 11}));
  // A display at half the video's rate wants every second frame.
  taken = Extractor->TakeNearest(12.5, 440);
  ASSERT_TRUE(taken && taken->Exact);
  Extractor->GiveBack(std::move(taken->Entry));
  ASSERT_TRUE(Extractor->Request(520, true, kLongWait));
  EXPECT_EQ(Source->DecodedFrames().back(), 13);
}

TEST_F(ExtractorTest, NearestEntryPrefersTheLowerOfTwoAndAnEmptyPoolGivesNothing) {
  EXPECT_FALSE(Extractor->TakeNearest(25, 0));
  EXPECT_FALSE(Extractor->Request(0, true, 20ms));  // no image to decode into: bounded
  AddImages(2);
  ASSERT_TRUE(Extractor->Request(4 * 40, true, kLongWait));
  ASSERT_TRUE(Extractor->Request(6 * 40, true, kLongWait));
  Source->Hold(true);  // the prefetch below stays undecoded
  std::optional<TOrvVideoExtractor::TTaken> taken = Extractor->TakeNearest(25, 5 * 40);
  ASSERT_TRUE(taken);
  EXPECT_FALSE(taken->Exact);
  EXPECT_EQ(taken->Entry.Frame, 4);
  Extractor->GiveBack(std::move(taken->Entry));
  Source->Hold(false);
}

TEST_F(ExtractorTest, AFrameThatFailsEndsTheWaitAndKeepsTheLastGoodPicture) {
  AddImages(1);
  Source->Failing = {3, 7};
  EXPECT_FALSE(Extractor->Request(3 * 40, true, kLongWait));  // never decoded: invalid
  ASSERT_TRUE(Extractor->Request(5 * 40, true, kLongWait));
  EXPECT_TRUE(Extractor->Request(7 * 40, true, kLongWait));  // stands on frame 5's picture
  std::optional<TOrvVideoExtractor::TTaken> taken = Extractor->TakeNearest(25, 7 * 40);
  ASSERT_TRUE(taken);
  EXPECT_EQ(FrameIn(taken->Entry), 5);
}

TEST_F(ExtractorTest, StoppingReleasesAWaitingRequest) {
  AddImages(2);
  Source->Hold(true);
  std::future<bool> waiting = std::async(std::launch::async, [&] { return Extractor->Request(1000, true, kLongWait); });
  EXPECT_EQ(waiting.wait_for(50ms), std::future_status::timeout);
  std::thread stopper([&] { Extractor->Stop(); });
  EXPECT_FALSE(waiting.get());
  Source->Hold(false);
  stopper.join();
}

TEST_F(ExtractorTest, PastTheEndTheLastFrameOrForALoopTheStart) {
  AddImages(2);
  ASSERT_TRUE(Extractor->Request(60000, true, kLongWait));
  EXPECT_EQ(Source->DecodedFrames().back(), 99);
  const Ref<TOrvVideoExtractor> looping = MakeRef<TOrvVideoExtractor>(Source, true);
  looping->AddPoolImage(MakeRef<TMemoryYUVImage>(8, 8, TYUVImage::TForm::Planar));
  ASSERT_TRUE(looping->Request(4000 + 80, true, kLongWait));
  EXPECT_EQ(Source->DecodedFrames().back(), 2);
}

}  // namespace
}  // namespace orv
