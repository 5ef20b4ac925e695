#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "../render/render_test_support.h"
#include "lines_log.h"
#include "transitions/d3d_effecter.h"
#include "transitions/mask_filters.h"
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

Ref<TOrvFilter> CrossFade(double duration) {
  return MakeRef<TOrvFilter>(MakeRef<TOrvEffect>(TEffectKind::Dissolve), duration, 0.0f);
}

// An effect of `kind` with the listed flags on and the given parameters.
Ref<TOrvEffect> Effect(TEffectKind kind, std::vector<int> on, std::vector<int> ints = {},
                       std::vector<float> floats = {}) {
  auto effect = MakeRef<TOrvEffect>(kind);
  effect->Flags.assign(std::size_t(FlagLayoutOf(kind).Total()), false);
  for (int flag : on) effect->Flags.at(std::size_t(flag)) = true;
  effect->Ints = std::move(ints);
  effect->Floats = std::move(floats);
  effect->Variants = 1;
  return effect;
}

struct TKindCase {
  const char* Name;
  Ref<TOrvEffect> Effect;
  float Smoothness = 0.1f;
};

// One or more variants of every kind, as the catalogue names them.
std::vector<TKindCase> EveryKind() {
  using enum TEffectKind;
  return {
      {"dissolve", Effect(Dissolve, {0})},
      {"clock", Effect(HourHand, {0, 6})},
      {"clock backwards", Effect(HourHand, {1, 6})},
      {"broom up", Effect(HourHand, {0, 3}, {}, {0.2f})},
      {"broom down left, backwards", Effect(HourHand, {1, 9}, {}, {0})},
      {"circle", Effect(Shapes, {1, 2}, {50, 50})},
      {"circle closing", Effect(Shapes, {0, 2}, {30, 70})},
      {"rhomb", Effect(Shapes, {1, 3}, {50, 50})},
      {"square", Effect(Shapes, {1, 4}, {20, 20})},
      {"gates closing", Effect(Gates, {0})},
      {"gates diagonal", Effect(Gates, {2})},
      {"gates opening", Effect(Gates, {5})},
      {"page diagonal", Effect(Page, {0})},
      {"page from the right", Effect(Page, {3})},
      {"page from the top", Effect(Page, {6})},
      {"mosaic", Effect(Mosaic, {0}, {8, 6, 20, 77})},
      {"push left", Effect(Push, {0})},
      {"push up", Effect(Push, {3})},
      {"slide right", Effect(Slide, {2})},
      {"slide down", Effect(Slide, {1})},
      {"curl from an edge", Effect(Curling, {0, 6, 11}, {0, 200, 100, 50}, {0.1f, 0.125f})},
      {"curl from a corner", Effect(Curling, {0, 2, 10}, {1, 200, 100, 50}, {0.1f, 0.125f})},
      {"curl rolling up", Effect(Curling, {1, 7}, {1, 0, 0, 0}, {0.15f, 0.125f})},
      {"flip", Effect(Flip, {0})},
      {"flip from the centre, eased", Effect(Flip, {3, 4, 5}, {}, {0.5f})},
      {"swap", Effect(Swap, {0}, {}, {4, 1, 60})},
      {"swap down", Effect(Swap, {2}, {}, {2, 0.5f, 30})},
      {"unknown kind", Effect(Custom, {0})},
  };
}

// How much of a frame's area shows the incoming (blue) and the outgoing (red) slide, 0 … 1.
struct TShares {
  double Incoming = 0;
  double Outgoing = 0;
};

TShares SharesOf(const TBitmap& frame, const TRect& area) {
  double blue = 0, red = 0;
  for (int y = area.Top; y < area.Bottom; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(frame.Row(y));
    for (int x = area.Left; x < area.Right; ++x) {
      blue += BlueOf(row[x]);
      red += RedOf(row[x]);
    }
  }
  const double whole = 255.0 * area.Width() * area.Height();
  return {blue / whole, red / whole};
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

TEST_F(TransitionRenderTest, EveryKindRunsFromTheOutgoingSlideToTheIncomingOne) {
  const TRect frame = RectOfSize(kWidth, kHeight);
  for (const TKindCase& c : EveryKind()) {
    SCOPED_TRACE(c.Name);
    const Ref<TOrvFilter> filter = MakeRef<TOrvFilter>(c.Effect, 1000, c.Smoothness);
    TShares previous{0, 1};
    for (const double progress : {0.0, 0.25, 0.5, 0.75, 0.999, 1.0}) {
      SCOPED_TRACE("at " + std::to_string(progress));
      const Ref<TBitmap> drawn = Frame(*filter, progress * 1000, frame);
      ASSERT_TRUE(drawn);
      DumpPng(*drawn, std::string(c.Name) + " " + std::to_string(int(progress * 100)));
      const TShares shares = SharesOf(*drawn, frame);
      if (progress == 0) {
        EXPECT_LE(MaxDifference(*drawn, [](int, int) { return kRed; }), 2);
      } else if (progress == 1) {
        EXPECT_LE(MaxDifference(*drawn, [](int, int) { return kBlue; }), 2);
      } else if (progress > 0.99) {
        EXPECT_GT(shares.Incoming, 0.97);
      }
      // The incoming slide gains and the outgoing one loses as the transition goes on.
      EXPECT_GE(shares.Incoming, previous.Incoming - 0.02);
      EXPECT_LE(shares.Outgoing, previous.Outgoing + 0.02);
      previous = shares;
    }
  }
}

TEST_F(TransitionRenderTest, ATransitionWithoutDurationShowsTheIncomingSlideAtOnce) {
  for (const TKindCase& c : EveryKind()) {
    const Ref<TOrvFilter> filter = MakeRef<TOrvFilter>(c.Effect, 0, c.Smoothness);
    const Ref<TBitmap> drawn = Frame(*filter, 0, RectOfSize(kWidth, kHeight));
    ASSERT_TRUE(drawn);
    EXPECT_LE(MaxDifference(*drawn, [](int, int) { return kBlue; }), 2) << c.Name;
  }
}

TEST_F(TransitionRenderTest, LetterboxedFramesShowNothingOfTheSlidesOutsideThem) {
  const TRect frame{8, 6, 52, 40};
  for (const TKindCase& c : EveryKind()) {
    SCOPED_TRACE(c.Name);
    const Ref<TOrvFilter> filter = MakeRef<TOrvFilter>(c.Effect, 1000, c.Smoothness);
    for (const double progress : {0.25, 0.5, 0.75}) {
      const Ref<TBitmap> drawn = Frame(*filter, progress * 1000, frame);
      ASSERT_TRUE(drawn);
      const auto outside = [&](int x, int y) {
        return x < frame.Left || x >= frame.Right || y < frame.Top || y >= frame.Bottom;
      };
      EXPECT_EQ(MaxDifference(*drawn, [](int, int) { return kBlack; }, outside), 0) << "at " << progress;
    }
  }
}

TEST_F(TransitionRenderTest, AWipeFromTheLeftHasItsEdgeAtTheProgress) {
  // A page from the left edge without a soft edge: B shows left of p × width.
  const Ref<TOrvFilter> filter = MakeRef<TOrvFilter>(Effect(TEffectKind::Page, {4}), 1000, 0.0f);
  for (const double progress : {0.25, 0.5, 0.75}) {
    const Ref<TBitmap> drawn = Frame(*filter, progress * 1000, RectOfSize(kWidth, kHeight));
    ASSERT_TRUE(drawn);
    const float edge = float(progress) * kWidth;
    const auto away = [&](int x, int) { return std::abs(x + 0.5f - edge) > 1; };
    EXPECT_LE(MaxDifference(*drawn, [&](int x, int) { return x + 0.5f < edge ? kBlue : kRed; }, away), 2)
        << "at " << progress;
  }
}

TEST_F(TransitionRenderTest, ACircleGrowsByItsRadiusWithTheBandsSoftness) {
  // Centred; a soft width of a quarter of the frame's width.
  const Ref<TOrvFilter> filter = MakeRef<TOrvFilter>(Effect(TEffectKind::Shapes, {1, 2}, {50, 50}), 1000, 0.25f);
  TCircleFilter expected(0.5f, 0.5f);
  const TRectF whole{0, 0, kWidth, kHeight};
  expected.Init(whole, kWidth * 0.25f, 1000);
  for (const double progress : {0.25, 0.5, 0.75}) {
    expected.SetTime(progress * 1000);
    const float r = expected.CurrentRadius();
    EXPECT_NEAR(r, float(progress) * (std::hypot(32.0f, 24.0f) + 16), 1e-3);
    const Ref<TBitmap> drawn = Frame(*filter, progress * 1000, RectOfSize(kWidth, kHeight));
    ASSERT_TRUE(drawn);
    // The band's alpha as the 15 points of its ease curve give it, joined by straight lines.
    const auto colour = [&](int x, int y) {
      const float d = std::hypot(x + 0.5f - 32, y + 0.5f - 24);
      float alpha = 0;
      ForEachBandStrip(r, 16, [&](const TBandStrip& s) {
        if (d >= s.From && d <= s.To) alpha = s.Alpha0 + (s.Alpha1 - s.Alpha0) * (d - s.From) / (s.To - s.From);
      });
      const int b = int(std::lround(alpha));
      return MakeColor(255 - b, 0, b);
    };
    EXPECT_LE(MaxDifference(*drawn, colour), 4) << "at " << progress;
  }
}

TEST_F(TransitionRenderTest, MosaicTilesFadeInTheirSeededOrder) {
  const Ref<TOrvFilter> filter = MakeRef<TOrvFilter>(Effect(TEffectKind::Mosaic, {0}, {4, 3, 30, 4242}), 1000, 0.0f);
  TRandomFilter expected(4, 3, 4242, 30);
  expected.Init(TRectF{0, 0, kWidth, kHeight}, 0, 1000);
  for (const double progress : {0.3, 0.6}) {
    expected.SetTime(progress * 1000);
    const Ref<TBitmap> drawn = Frame(*filter, progress * 1000, RectOfSize(kWidth, kHeight));
    ASSERT_TRUE(drawn);
    const auto colour = [&](int x, int y) {
      const int b = expected.TileAlpha(x / 16, y / 16);
      return MakeColor(255 - b, 0, b);
    };
    EXPECT_LE(MaxDifference(*drawn, colour), 2) << "at " << progress;
  }
}

TEST_F(TransitionRenderTest, SwappedSlidesChangeTheirOrderAtOneHalf) {
  // Without the sideways swing both slides cover the centre; the nearer one is drawn last.
  const Ref<TOrvFilter> filter = MakeRef<TOrvFilter>(Effect(TEffectKind::Swap, {0}, {}, {1, 0, 20}), 1000, 0.0f);
  const struct {
    double Elapsed;
    std::uint32_t Centre;
  } cases[] = {{300, kRed}, {499, kRed}, {500, kBlue}, {700, kBlue}};
  for (const auto& c : cases) {
    const Ref<TBitmap> drawn = Frame(*filter, c.Elapsed, RectOfSize(kWidth, kHeight));
    ASSERT_TRUE(drawn);
    const auto centre = [](int x, int y) { return std::abs(x - 32) <= 1 && std::abs(y - 24) <= 1; };
    EXPECT_LE(MaxDifference(*drawn, [&](int, int) { return c.Centre; }, centre), 2) << "at " << c.Elapsed;
  }
}

TEST_F(TransitionRenderTest, AFlipIsEdgeOnAtOneHalfAndShadesItsFace) {
  const Ref<TOrvFilter> filter = MakeRef<TOrvFilter>(Effect(TEffectKind::Flip, {0}, {}, {0.5f}), 1000, 0.0f);
  const Ref<TBitmap> edge_on = Frame(*filter, 500, RectOfSize(kWidth, kHeight));
  ASSERT_TRUE(edge_on);
  // Nothing but a line down the middle.
  const auto beside_the_axis = [](int x, int) { return std::abs(x + 0.5f - 32) > 1.5f; };
  EXPECT_EQ(MaxDifference(*edge_on, [](int, int) { return kBlack; }, beside_the_axis), 0);
  // A quarter of the way the outgoing face is turned by 45 degrees and shaded.
  const Ref<TBitmap> turned = Frame(*filter, 250, RectOfSize(kWidth, kHeight));
  ASSERT_TRUE(turned);
  const int shade = int(std::lround(std::cos(M_PI / 4) * 155 + 100));
  const auto middle = [](int x, int y) { return std::abs(x - 32) <= 2 && std::abs(y - 24) <= 2; };
  EXPECT_LE(MaxDifference(*turned, [&](int, int) { return MakeColor(shade, 0, 0); }, middle), 2);
  // The near edge stays in the screen's plane, the far one recedes by twice the turn's
  // depth (half width × sin 45° × volume) and shows smaller, the camera's way.
  const double reach = std::cos(M_PI / 4) * 32;
  const double k = CameraDistance(kHeight) / (CameraDistance(kHeight) + 2 * std::sin(M_PI / 4) * 32 * 0.5);
  const double area = (reach + reach * k) * (kHeight + kHeight * k) / 2;
  const TShares shares = SharesOf(*turned, RectOfSize(kWidth, kHeight));
  EXPECT_NEAR(shares.Outgoing, shade / 255.0 * area / (kWidth * kHeight), 0.02);
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
    FLog = std::make_unique<TCapturedLog>();
  }
  void TearDown() override {
    EngineSettings().VideoMemoryBudget = FBudget;
    FLog.reset();
    TransitionRenderTest::TearDown();
  }
  std::unique_ptr<TCapturedLog> FLog;

private:
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
