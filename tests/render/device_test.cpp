// Post-processing, device loss and re-creation, drawing from the engine thread, and what
// happens when texture memory runs out.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "lines_log.h"
#include "platform/main_thread.h"
#include "render_test_support.h"

namespace orv::test {
namespace {

std::uint32_t Noise(int x, int y) {
  const std::uint32_t h = (std::uint32_t(x) * 73856093u) ^ (std::uint32_t(y) * 19349663u);
  return 0xFF000000u | (h * 2654435761u >> 8 & 0x00FFFFFFu);
}

using TColor = std::array<float, 3>;

TColor Channels(std::uint32_t argb) {
  return {float(argb >> 16 & 255) / 255, float(argb >> 8 & 255) / 255, float(argb & 255) / 255};
}

std::uint32_t Pack(const TColor& c) {
  const auto q = [](float v) { return std::uint32_t(std::lround(std::clamp(v, 0.f, 1.f) * 255)); };
  return 0xFF000000u | q(c[0]) << 16 | q(c[1]) << 8 | q(c[2]);
}

class PostProcessTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    Picture = MakePicture(kWidth, kHeight, Noise);
  }
  Ref<TBitmap> DrawPicture(float unsharp) {
    Drawer->SetUnsharpAmount(unsharp);
    TImageDrawParams params;
    params.Filtering = TImageFiltering::Nearest;
    return Capture([&](TDeviceDrawer& d) {
      d.DrawImage(*Picture, FrameOf(TRectF{0, 0, kWidth, kHeight}), TRectF{0, 0, kWidth, kHeight}, params);
    });
  }
  Ref<TImage> Picture;
};

TEST_F(PostProcessTest, UnsharpAmountZeroDrawsWithoutAnyRenderTarget) {
  Ref<TLambdaItem> frame = Item([&](TDeviceDrawer& d) {
    d.DrawImage(*Picture, FrameOf(TRectF{0, 0, kWidth, kHeight}), TRectF{0, 0, kWidth, kHeight}, {});
  });
  Drawer->SetUnsharpAmount(0);
  ASSERT_TRUE(Drawer->DrawRoot(*frame));
  EXPECT_EQ(Drawer->FullPool().CreatedCount(), 0);
  EXPECT_EQ(Drawer->HalfPool().CreatedCount(), 0);
  Drawer->SetUnsharpAmount(300);
  ASSERT_TRUE(Drawer->DrawRoot(*frame));
  EXPECT_EQ(Drawer->FullPool().CreatedCount(), 1);
  // The pool serves the next frames without making more.
  ASSERT_TRUE(Drawer->DrawRoot(*frame));
  EXPECT_EQ(Drawer->FullPool().CreatedCount(), 1);
  EXPECT_EQ(Drawer->FullPool().Width(), 64);
  EXPECT_EQ(Drawer->FullPool().Height(), 64);
}

TEST_F(PostProcessTest, SharpeningAddsHalfTheDifferenceFromTheBlur) {
  Ref<TBitmap> drawn = DrawPicture(500);  // amount 500 / 1000
  ASSERT_TRUE(drawn);
  const Ref<TBitmap> source = Picture->GetLevel(0);
  const auto at = [&](int x, int y) {
    return Channels(source->PixelArgb(std::clamp(x, 0, kWidth - 1), std::clamp(y, 0, kHeight - 1)));
  };
  const TExpected expected = [&](int x, int y) {
    TColor c = at(x, y);
    for (int ch = 0; ch < 3; ++ch) {
      float blur = 0;
      for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) blur += at(x + i, y + j)[ch] * float((2 - std::abs(i)) * (2 - std::abs(j))) / 16;
      const float d = c[ch] - blur;
      if (std::abs(d) >= 2.f / 255) c[ch] += d * 0.5f;
    }
    return Pack(c);
  };
  EXPECT_LE(MaxDifference(*drawn, expected), 3);
}

// Sharpening replaces the frame with its filtered copy, alpha included: where nothing was
// drawn that copy is transparent, yet a captured frame is what the screen shows, opaque.
TEST_F(PostProcessTest, CapturedFramesAreOpaqueWhereNothingWasDrawn) {
  Drawer->SetUnsharpAmount(300);
  Ref<TBitmap> drawn = Capture([](TDeviceDrawer& d) {
    TBoxDrawParams box;
    box.Color1 = box.Color2 = 0x80FFFFFFu;
    d.DrawBox(FrameOf(TRectF{0, 0, kWidth / 2, kHeight}), box);
  });
  ASSERT_TRUE(drawn);
  EXPECT_EQ(MaxDifference(*drawn, [&](int x, int y) { return drawn->PixelArgb(x, y) | 0xFF000000u; }), 0);
}

TEST_F(PostProcessTest, SofteningBlursAtHalfResolution) {
  Ref<TBitmap> drawn = DrawPicture(-200);  // radius 2: sigma 1 half-size texel, fully blurred
  ASSERT_TRUE(drawn);
  DumpPng(*drawn, "softened");
  const Ref<TBitmap> source = Picture->GetLevel(0);
  const std::array<float, 7> w = T3DDrawer::GaussWeights(1, 1);
  // The 64 × 48 frame halved by 2 × 2 averages into 32 × 24, blurred across and down,
  // then enlarged again by bilinear filtering. No read leaves the frame: the first pass
  // takes the frame's outermost column beyond its sides, the others repeat the edge texels
  // of the half-size frame.
  constexpr int kHalfWidth = kWidth / 2, kHalfHeight = kHeight / 2;
  const auto full = [&](int x, int y) { return Channels(source->PixelArgb(x, y)); };
  const auto halved = [&](int i, int j) {
    const int left = i < 0 ? 0 : i >= kHalfWidth ? kWidth - 1 : 2 * i;
    const int right = i < 0 || i >= kHalfWidth ? left : 2 * i + 1;
    TColor c{};
    for (int k = 0; k < 4; ++k)
      for (int ch = 0; ch < 3; ++ch) c[ch] += full(k & 1 ? right : left, 2 * j + (k >> 1))[ch] / 4;
    return c;
  };
  std::vector<TColor> across(kHalfWidth * kHalfHeight), blurred_plane(kHalfWidth * kHalfHeight);
  const auto cell = [&](std::vector<TColor>& plane, int i, int j) -> TColor& {
    return plane[std::size_t(std::clamp(j, 0, kHalfHeight - 1) * kHalfWidth + std::clamp(i, 0, kHalfWidth - 1))];
  };
  for (int j = 0; j < kHalfHeight; ++j)
    for (int i = 0; i < kHalfWidth; ++i)
      for (int k = -3; k <= 3; ++k)
        for (int ch = 0; ch < 3; ++ch) cell(across, i, j)[ch] += w[k + 3] * halved(i + k, j)[ch];
  for (int j = 0; j < kHalfHeight; ++j)
    for (int i = 0; i < kHalfWidth; ++i)
      for (int k = -3; k <= 3; ++k)
        for (int ch = 0; ch < 3; ++ch) cell(blurred_plane, i, j)[ch] += w[k + 3] * cell(across, i, j + k)[ch];
  const auto blurred = [&](int i, int j) { return cell(blurred_plane, i, j); };
  const TExpected expected = [&](int x, int y) {
    const float fx = std::clamp((x + 0.5f) / 2, 0.5f, kHalfWidth - 0.5f) - 0.5f;
    const float fy = std::clamp((y + 0.5f) / 2, 0.5f, kHalfHeight - 0.5f) - 0.5f;
    const int i = int(std::floor(fx)), j = int(std::floor(fy));
    const float tx = fx - i, ty = fy - j;
    TColor c{};
    for (int ch = 0; ch < 3; ++ch)
      c[ch] = (blurred(i, j)[ch] * (1 - tx) + blurred(i + 1, j)[ch] * tx) * (1 - ty) +
              (blurred(i, j + 1)[ch] * (1 - tx) + blurred(i + 1, j + 1)[ch] * tx) * ty;
    return Pack(c);
  };
  EXPECT_LE(MaxDifference(*drawn, expected), 4);
}

TEST_F(RenderTest, TexturesSurviveDeviceLoss) {
  const Ref<TImage> picture = MakePicture(kWidth, kHeight, Noise);
  const auto draw = [&](TDeviceDrawer& d) {
    d.DrawImage(*picture, FrameOf(TRectF{0, 0, kWidth, kHeight}), TRectF{0, 0, kWidth, kHeight}, {});
  };
  Ref<TBitmap> before = Capture(draw);
  int lost = 0;
  Drawer->SetLostHandler([&] { ++lost; });
  const unsigned generation = Drawer->Screen().Generation();
  Device->NotifyLost();
  EXPECT_EQ(lost, 1);
  EXPECT_FALSE(Drawer->Screen().HasRenderer());
  Ref<TBitmap> after = Capture(draw);
  ASSERT_TRUE(before && after);
  EXPECT_EQ(Drawer->Screen().Generation(), generation + 1);
  EXPECT_EQ(MaxDifference(*after, [&](int x, int y) { return before->PixelArgb(x, y); }), 0);
}

TEST_F(RenderTest, EngineThreadDrawsAndDeviceCreationWaitsForTheMainThread) {
  const Ref<TImage> picture = MakePicture(kWidth, kHeight, Noise);
  Ref<TLambdaItem> frame = Item([&](TDeviceDrawer& d) {
    d.DrawImage(*picture, FrameOf(TRectF{0, 0, kWidth, kHeight}), TRectF{0, 0, kWidth, kHeight}, {});
  });
  const auto on_engine_thread = [](auto work) { std::thread(work).join(); };

  bool drawn = false;
  on_engine_thread([&] { drawn = Drawer->DrawRoot(*frame); });
  EXPECT_TRUE(drawn);

  Device->NotifyLost();
  on_engine_thread([&] { drawn = Drawer->DrawRoot(*frame); });
  EXPECT_FALSE(drawn);  // the new device is made on the main thread; this frame is skipped
  EXPECT_FALSE(Drawer->Screen().HasRenderer());
  RunMainThreadTasks();
  EXPECT_TRUE(Drawer->Screen().HasRenderer());

  Ref<TImage> captured;
  on_engine_thread([&] { captured = Drawer->CaptureImage(*frame, TCaptureArea::SlideFrame); });
  ASSERT_TRUE(captured);
  EXPECT_EQ(MaxDifference(*captured->GetLevel(0), Noise), 0);
}

TEST_F(RenderTest, ALiveThreadHandsTheContextOverAtTheEndOfItsNextFrame) {
  Ref<TLambdaItem> frame = Item([](TDeviceDrawer& d) { d.Clear(0xFF00FF00u); });
  ASSERT_TRUE(Drawer->DrawRoot(*frame));  // the main thread keeps the context
  const auto elsewhere = [&] {
    bool drawn = false;
    std::thread([&] { drawn = Drawer->DrawRoot(*frame); }).join();
    return drawn;
  };
  EXPECT_FALSE(elsewhere());
  ASSERT_TRUE(Drawer->DrawRoot(*frame));  // lets go at its end
  EXPECT_TRUE(elsewhere());
  ASSERT_TRUE(Drawer->DrawRoot(*frame));  // the other thread ended, which freed the context
}

class MemoryTest : public RenderTest {
protected:
  void SetUp() override {
    RenderTest::SetUp();
    FLog = std::make_unique<TCapturedLog>();
  }
  void TearDown() override {
    EngineSettings().VideoMemoryBudget = FBudget;
    FLog.reset();
    RenderTest::TearDown();
  }
  std::unique_ptr<TCapturedLog> FLog;

private:
  std::size_t FBudget = EngineSettings().VideoMemoryBudget;
};

TEST_F(MemoryTest, RenderTargetCreationReleasesTheNewerHalfOfThePictures) {
  // Two 64 × 64 pictures take one 128 × 256 tile each (128 KiB); with room for only 8 KiB
  // more, the 16 KiB render target of a capture releases the newer tile and fits.
  const Ref<TImage> first = MakePicture(64, 64, Noise);
  const Ref<TImage> second = MakePicture(64, 64, [](int x, int y) { return Noise(y, x); });
  const auto draw = [](const Ref<TImage>& p) {
    return [p](TDeviceDrawer& d) { d.DrawImage(*p, FrameOf(TRectF{0, 0, 64, 64}), TRectF{0, 0, 64, 64}, {}); };
  };
  ASSERT_TRUE(Drawer->DrawRoot(*Item([&](TDeviceDrawer& d) {
    draw(first)(d);
    draw(second)(d);
  })));
  EngineSettings().VideoMemoryBudget = 2 * 128 * 1024 + 8 * 1024;
  Ref<TBitmap> captured = Capture(draw(first));
  ASSERT_TRUE(captured);
  EXPECT_EQ(MaxDifference(*captured, Noise), 0);
  EXPECT_TRUE(FLog->Has("Rt Create First Attempt Ok= False"));
  EXPECT_TRUE(FLog->Has("tmpTexListcount= 2"));
  EXPECT_TRUE(FLog->Has("Released Managed Texs from 1 to 1 pass 1 Ok= True"));
}

TEST_F(MemoryTest, APictureWithoutRoomIsLeftOutAndTheFrameGoesOn) {
  EngineSettings().VideoMemoryBudget = 64 * 1024;
  const Ref<TImage> picture = MakePicture(600, 400, Noise);
  Ref<TBitmap> captured = Capture([&](TDeviceDrawer& d) {
    d.Clear(0xFF0000FFu);
    d.DrawImage(*picture, FrameOf(TRectF{0, 0, 64, 48}), TRectF{0, 0, 600, 400}, {});
  });
  ASSERT_TRUE(captured);
  EXPECT_EQ(MaxDifference(*captured, [](int, int) { return 0xFF0000FFu; }), 0);
  EXPECT_TRUE(FLog->Has("No room for the tiles of a picture of 600 x 400"));
}

}  // namespace
}  // namespace orv::test
