#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "../render/render_test_support.h"
#include "base/log.h"
#include "transitions/d3d_effecter.h"
#include "transitions/orv_filter.h"

namespace orv::test {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;
constexpr std::uint32_t kBlack = 0xFF000000u;

// A slide that fills the frame with one colour.
Ref<TLambdaItem> FilledSlide(const TRect& frame, std::uint32_t colour) {
  return Item([frame, colour](TDeviceDrawer& d) {
    TBoxDrawParams box;
    box.Color1 = box.Color2 = colour;
    d.DrawBox(FrameOf(TRectF{float(frame.Left), float(frame.Top), float(frame.Right), float(frame.Bottom)}), box);
  });
}

// Collects the log lines of a test.
class TLinesLog : public TLog {
public:
  std::vector<std::string> Lines;
  long Count(const std::string& line) const { return std::count(Lines.begin(), Lines.end(), line); }

protected:
  void WriteLine(std::string_view line) override { Lines.emplace_back(line); }
};

Ref<TOrvFilter> CrossFade(double duration) {
  return MakeRef<TOrvFilter>(MakeRef<TOrvEffect>(TEffectKind::Dissolve), duration, 0.0f);
}

class TransitionRenderTest : public RenderTest {
protected:
  // The window showing the transition from a red slide to a blue one at `elapsed` in the
  // slide frame `frame`, black around it.
  Ref<TBitmap> Frame(TOrvFilter& filter, double elapsed, const TRect& frame) {
    const Ref<TLambdaItem> a = FilledSlide(frame, kRed);
    const Ref<TLambdaItem> b = FilledSlide(frame, kBlue);
    filter.SetElapsed(elapsed);
    return Capture([&](TDeviceDrawer& d) {
      d.SetFrameRect(frame);
      d.Clear(kBlack);
      d.DrawTransition(a.Get(), b.Get(), &filter);
      // The whole window is read back.
      d.SetFrameRect({});
    });
  }
};

TEST_F(TransitionRenderTest, CrossFadeMixesTheSlidesByTheElapsedTime) {
  struct TCase {
    double Elapsed;
    std::uint32_t Colour;
  };
  const TCase cases[] = {
      {0, kRed}, {500, 0xFF80007Fu}, {250, 0xFFBF0040u}, {1000, kBlue}, {1500, kBlue}, {-10, kBlue},
  };
  // The whole window, and a frame inside it: the mask meets every edge of the frame
  // without a seam and covers nothing beyond it.
  const TRect frames[] = {RectOfSize(kWidth, kHeight), TRect{8, 4, 40, 36}};
  const Ref<TOrvFilter> filter = CrossFade(1000);
  for (const TRect& frame : frames) {
    for (const TCase& c : cases) {
      SCOPED_TRACE("elapsed " + std::to_string(c.Elapsed) + ", frame left " + std::to_string(frame.Left));
      const Ref<TBitmap> drawn = Frame(*filter, c.Elapsed, frame);
      ASSERT_TRUE(drawn);
      const auto inside = [&](int x, int y) {
        return x >= frame.Left && x < frame.Right && y >= frame.Top && y < frame.Bottom;
      };
      EXPECT_LE(MaxDifference(*drawn, [&](int x, int y) { return inside(x, y) ? c.Colour : kBlack; }), 2);
    }
  }
}

TEST_F(TransitionRenderTest, RepeatedTransitionsReuseTheirRenderTargets) {
  const TRect frame = RectOfSize(kWidth, kHeight);
  ASSERT_TRUE(Frame(*CrossFade(1000), 300, frame));
  TCustomD3DEffecter& effecter = TCustomD3DEffecter::Of(*Drawer);
  const int created = effecter.Pool().CreatedCount();
  const int full_pool = Drawer->FullPool().CreatedCount();
  EXPECT_GE(created, 1);
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(Frame(*CrossFade(1000), 50.0 * i, frame));
  EXPECT_EQ(effecter.Pool().CreatedCount(), created);
  EXPECT_EQ(effecter.Pool().FreeCount(), created);
  EXPECT_EQ(Drawer->FullPool().CreatedCount(), full_pool);
}

TEST_F(TransitionRenderTest, CrossFadeWorksInsideTheSharpeningPass) {
  // The sharpened frame is drawn into a render target of its own, which the transition's
  // target nests in.
  Drawer->SetUnsharpAmount(500);
  const Ref<TBitmap> drawn = Frame(*CrossFade(1000), 500, RectOfSize(kWidth, kHeight));
  ASSERT_TRUE(drawn);
  // Sharpening reads beyond the window's edges; the mix is checked away from them.
  const auto inner = [](int x, int y) { return x >= 2 && y >= 2 && x < kWidth - 2 && y < kHeight - 2; };
  EXPECT_LE(MaxDifference(*drawn, [](int, int) { return 0xFF80007Fu; }, inner), 2);
}

class TightMemoryTest : public TransitionRenderTest {
protected:
  void SetUp() override {
    TransitionRenderTest::SetUp();
    FLog = new TLinesLog;
    FPrevious = SetLog(std::unique_ptr<TLog>(FLog));
  }
  void TearDown() override {
    EngineSettings().VideoMemoryBudget = FBudget;
    SetLog(std::move(FPrevious));
    TransitionRenderTest::TearDown();
  }
  TLinesLog* FLog = nullptr;

private:
  std::unique_ptr<TLog> FPrevious;
  std::size_t FBudget = EngineSettings().VideoMemoryBudget;
};

TEST_F(TightMemoryTest, WithoutARenderTargetTheNewSlideShowsAlone) {
  // Room for the capture's own 64 × 64 target, not for the transition's.
  EngineSettings().VideoMemoryBudget = 64 * 64 * 4 + 1024;
  const Ref<TOrvFilter> filter = CrossFade(1000);
  for (double elapsed : {300.0, 600.0}) {
    const Ref<TBitmap> drawn = Frame(*filter, elapsed, RectOfSize(kWidth, kHeight));
    ASSERT_TRUE(drawn);
    EXPECT_EQ(MaxDifference(*drawn, [](int, int) { return kBlue; }), 0);
  }
  EXPECT_EQ(FLog->Count("Transition not drawn: no render target for the slide"), 1);
}

}  // namespace
}  // namespace orv::test
