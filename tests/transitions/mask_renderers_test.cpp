// The mask renderers' polygons, rasterised on the CPU and compared with the masks the
// transitions are meant to draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "render/device.h"
#include "render/device_drawer.h"
#include "transitions/effect_tiles.h"
#include "transitions/mask_filters.h"
#include "transitions/sweep_filters.h"

namespace orv {
namespace {

using TPolygon = std::vector<TMaskVertex>;

class TKeepingTile : public TEffTile {
public:
  void Begin() override {}
  void AddMaskTriangles(std::span<const TMaskVertex> fan) override { Fans.emplace_back(fan.begin(), fan.end()); }
  void End() override {}
  std::vector<TPolygon> Fans;
};

class TKeepingGrid : public TEffController {
public:
  std::vector<Ref<TKeepingTile>> Made;

protected:
  Ref<TEffTile> CreateTile(const TRect&) override {
    Made.push_back(MakeRef<TKeepingTile>());
    return Made.back();
  }
};

// A small reference rasteriser: the mask at the centre of every pixel, from the triangles
// (vertices 0, i, i + 1) of every fan, alpha interpolated linearly; 0 where none lies.
class TReferenceMask {
public:
  TReferenceMask(int width, int height) : FWidth(width), FHeight(height), FAlpha(std::size_t(width * height), 0) {}

  void Fill(const std::vector<TPolygon>& fans) {
    for (const TPolygon& fan : fans)
      for (std::size_t i = 1; i + 1 < fan.size(); ++i) Triangle(fan[0], fan[i], fan[i + 1]);
  }
  float At(int x, int y) const { return FAlpha[std::size_t(y * FWidth + x)]; }

private:
  void Triangle(const TMaskVertex& a, const TMaskVertex& b, const TMaskVertex& c) {
    const double area = Edge(a, b, c.X, c.Y);
    if (std::abs(area) < 1e-9) return;
    const int x0 = std::max(0, int(std::floor(std::min({a.X, b.X, c.X}))));
    const int x1 = std::min(FWidth - 1, int(std::ceil(std::max({a.X, b.X, c.X}))));
    const int y0 = std::max(0, int(std::floor(std::min({a.Y, b.Y, c.Y}))));
    const int y1 = std::min(FHeight - 1, int(std::ceil(std::max({a.Y, b.Y, c.Y}))));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const double px = x + 0.5, py = y + 0.5;
        const double wa = Edge(b, c, px, py) / area;
        const double wb = Edge(c, a, px, py) / area;
        const double wc = Edge(a, b, px, py) / area;
        if (wa < -1e-6 || wb < -1e-6 || wc < -1e-6) continue;
        FAlpha[std::size_t(y * FWidth + x)] = float(wa * a.Alpha + wb * b.Alpha + wc * c.Alpha);
      }
    }
  }
  static double Edge(const TMaskVertex& p, const TMaskVertex& q, double x, double y) {
    return (double(q.X) - p.X) * (y - p.Y) - (double(q.Y) - p.Y) * (x - p.X);
  }

  int FWidth;
  int FHeight;
  std::vector<float> FAlpha;
};

constexpr int kWidth = 100;
constexpr int kHeight = 60;
const TRectF kFrame{0, 0, kWidth, kHeight};

// The mask a renderer draws now, rasterised from its polygons cut along the frame's tile.
TReferenceMask Rasterise(TDrawFilter& renderer) {
  TKeepingGrid grid;
  grid.SetGrid({kFrame.Left, kFrame.Right}, {kFrame.Top, kFrame.Bottom});
  TMultiTile canvas(grid);
  canvas.Begin();
  renderer.Render(canvas);
  canvas.End();
  TReferenceMask mask(kWidth, kHeight);
  for (const auto& tile : grid.Made) mask.Fill(tile->Fans);
  return mask;
}

// The band's falling edge as the soft-edge rule gives it: 255 up to r − s, the ease
// curve's 15 points (joined by straight lines) across the soft width, 0 from r on.
float BandAlpha(float distance, float r, float s) {
  if (distance <= r - s) return 255;
  if (distance >= r) return 0;
  const float x = (distance - (r - s)) * 255 / s;
  const int i = std::min(13, int(x / (255.0f / 14)));
  const auto y = [](float xi) { return xi < 127.5f ? xi * xi / 128 : 255 - (255 - xi) * (255 - xi) / 128; };
  const float xa = float(i) * 255 / 14, xb = float(i + 1) * 255 / 14;
  return 255 - (y(xa) + (y(xb) - y(xa)) * (x - xa) / (xb - xa));
}

// The largest difference between the rasterised mask and the expected one, over the pixels
// for which `where` holds.
float MaxMaskError(const TReferenceMask& mask, const std::function<float(TPointF)>& expected,
                   const std::function<bool(TPointF)>& where = {}) {
  float worst = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const TPointF p{x + 0.5f, y + 0.5f};
      if (where && !where(p)) continue;
      worst = std::max(worst, std::abs(mask.At(x, y) - expected(p)));
    }
  }
  return worst;
}

struct TShapeCase {
  const char* Name;
  std::function<Ref<TCommonFilter>()> Make;
};

TEST(ShapeRenderers, PolygonsDrawTheSoftBandAtTheCurrentRadius) {
  const std::vector<TShapeCase> cases = {
      {"circle", [] { return MakeRef<TCircleFilter>(0.4f, 0.5f); }},
      {"circle centred outside", [] { return MakeRef<TCircleFilter>(-0.3f, 1.2f); }},
      {"vertical strip", [] { return MakeRef<THLines>(0.5f, 0.5f); }},
      {"strip from the right edge", [] { return MakeRef<THLines>(1.0f, 0.5f); }},
      {"horizontal strip", [] { return MakeRef<TVLines>(0.5f, 0.3f); }},
      {"rhomb", [] { return MakeRef<TRhombFilter>(0.5f, 0.5f); }},
      {"rhomb centred outside", [] { return MakeRef<TRhombFilter>(1.5f, -0.2f); }},
      {"square", [] { return MakeRef<TSquareFilter>(0.3f, 0.6f); }},
      {"diagonal from the left", [] { return MakeRef<TDiagLines>(0, false); }},
      {"diagonal both ways, mirrored", [] { return MakeRef<TDiagLines>(1, true); }},
      {"diagonal from the right", [] { return MakeRef<TDiagLines>(2, false); }},
  };
  // A soft width whose strips are all wider than the 2 pixels below which they join.
  constexpr float kSoft = 40;
  for (const TShapeCase& c : cases) {
    for (const bool reversed : {false, true}) {
      for (const double progress : {0.0, 0.25, 0.5, 0.75, 1.0}) {
        SCOPED_TRACE(std::string(c.Name) + (reversed ? ", reversed" : "") + " at " + std::to_string(progress));
        const Ref<TCommonFilter> shape = c.Make();
        shape->Reversed = reversed;
        shape->Init(kFrame, kSoft, 1000);
        shape->SetTime(progress * 1000);
        const float r = shape->CurrentRadius();
        const TReferenceMask mask = Rasterise(*shape);
        EXPECT_LE(MaxMaskError(mask, [&](TPointF p) { return BandAlpha(shape->Distance(p), r, kSoft); }), 2.5f);
        // Nothing of the masked slide at the start, all of it at the end.
        if (progress == (reversed ? 1.0 : 0.0)) {
          EXPECT_EQ(MaxMaskError(mask, [](TPointF) { return 0.0f; }), 0);
        }
        if (progress == (reversed ? 0.0 : 1.0)) {
          EXPECT_EQ(MaxMaskError(mask, [](TPointF) { return 255.0f; }), 0);
        }
      }
    }
  }
}

// A canvas that keeps what a renderer composes: the areas slides are drawn within, the
// part prepared, and the mask pieces.
class TKeepingCanvas : public TTransitionCanvas {
public:
  class TNoTexture : public T3DTexture {
  public:
    TNoTexture() : T3DTexture(1, 1, TTextureFormat::BGRA8) {}
    void Upload(const TRect&, const void*, std::ptrdiff_t) override {}
  };
  class TNoSurface : public T3DSurface {
  public:
    T3DTexture& Texture() override { return FTexture; }
    bool HasAlpha() const override { return true; }

  private:
    TNoTexture FTexture;
  };

  void DrawPlain(TDrawItem&) override { Plain.push_back(RectOfSize(kWidth, kHeight)); }
  void DrawWithin(TDrawItem& slide, const TRect& area) override {
    (&slide == Masked ? Solid : Plain).push_back(area);
  }
  void DrawMoved(TDrawItem&, TPoint) override {}
  T3DSurface* Prepare(TDrawItem&, const TRectF* part) override {
    Prepared = part ? *part : TRectF{0, 0, kWidth, kHeight};
    return &FSurface;
  }
  void DrawMasked(T3DSurface&, TDrawFilter& renderer) override { Mask = std::make_unique<TReferenceMask>(Rasterise(renderer)); }
  void DrawPlaced(T3DSurface&, TDrawFilter&) override {}
  void FillFrame(TColor32) override {}
  void ShowSlideAs(const TImage&, T3DSurface*) override {}
  void ClearSlidePictures() override {}

  TDrawItem* Masked = nullptr;
  std::vector<TRect> Plain;
  std::vector<TRect> Solid;
  TRectF Prepared;
  std::unique_ptr<TReferenceMask> Mask;

private:
  TNoSurface FSurface;
};

class TNoSlide : public TDrawItem {
public:
  void Draw(TDeviceDrawer&) override {}
};

TEST(ShapeRenderers, WholePixelsOfAnUprightCoreAreDrawnDirectlyAndTheRestThroughTheMask) {
  const std::vector<TShapeCase> cases = {
      {"wipe from the right", [] { return MakeRef<THLines>(1.0f, 0.5f); }},
      {"strip from the middle", [] { return MakeRef<THLines>(0.43f, 0.5f); }},
      {"wipe from the top", [] { return MakeRef<TVLines>(0.5f, 0.0f); }},
  };
  // Strips wider than the 2 pixels below which they join, as in the test above.
  constexpr float kSoft = 40;
  for (const TShapeCase& c : cases) {
    for (const double progress : {0.5, 0.7, 0.9}) {
      SCOPED_TRACE(std::string(c.Name) + " at " + std::to_string(progress));
      const Ref<TCommonFilter> shape = c.Make();
      shape->Init(kFrame, kSoft, 1000);
      shape->SetTime(progress * 1000);
      TNoSlide a, b;
      TKeepingCanvas canvas;
      canvas.Masked = &b;
      ASSERT_TRUE(shape->Compose(canvas, &a, &b));
      ASSERT_EQ(canvas.Solid.size(), 1u);
      ASSERT_TRUE(canvas.Mask);
      const TRect solid = canvas.Solid[0];
      const auto in_solid = [&](TPointF p) {
        return p.X > solid.Left && p.X < solid.Right && p.Y > solid.Top && p.Y < solid.Bottom;
      };
      // Together the two give the mask; the texture is rendered only off the solid part.
      const float r = shape->CurrentRadius();
      EXPECT_LE(MaxMaskError(*canvas.Mask, [&](TPointF p) { return BandAlpha(shape->Distance(p), r, kSoft); },
                             [&](TPointF p) { return !in_solid(p); }),
                2.5f);
      // A wipe from an edge leaves one side open: the plain slide is drawn there alone,
      // and only the rest of the masked slide is rendered into a texture.
      const bool full_height = solid.Top == 0 && solid.Bottom == kHeight;
      const bool full_width = solid.Left == 0 && solid.Right == kWidth;
      const bool from_an_edge = (full_height && (solid.Left == 0 || solid.Right == kWidth)) ||
                                (full_width && (solid.Top == 0 || solid.Bottom == kHeight));
      ASSERT_EQ(canvas.Plain.size(), 1u);
      if (from_an_edge) {
        EXPECT_TRUE(IntersectRect(canvas.Plain[0], solid).IsEmpty());
        EXPECT_LE(canvas.Prepared.Width() * canvas.Prepared.Height(), float(kWidth * kHeight - solid.Width() * solid.Height()));
      }
    }
  }
}

TEST(ShapeRenderers, RadiiFollowTheFrameAndTheCentre) {
  const auto init = [](Ref<TCommonFilter> shape, float soft) {
    shape->Init(kFrame, soft, 1000);
    shape->SetTime(500);
    return shape;
  };
  // Centred: the farthest corner plus the soft width, travelled linearly.
  const auto circle = init(MakeRef<TCircleFilter>(0.5f, 0.5f), 10);
  EXPECT_NEAR(circle->MaxRadius(), std::hypot(50.0f, 30.0f) + 10, 1e-3);
  EXPECT_NEAR(circle->CurrentRadius(), circle->MaxRadius() / 2, 1e-3);
  // Centred 40 pixels left of the frame: the circle starts at the frame's edge.
  const auto outside = init(MakeRef<TCircleFilter>(-0.4f, 0.5f), 10);
  EXPECT_NEAR(outside->MaxRadius(), std::hypot(140.0f, 30.0f) + 10, 1e-3);
  EXPECT_NEAR(outside->CurrentRadius(), 40 + (outside->MaxRadius() - 40) / 2, 1e-3);
  // A page from the right edge: the wipe's edge is at the width's share of the progress.
  const auto page = init(MakeRef<THLines>(1.0f, 0.5f), 0);
  EXPECT_NEAR(page->CurrentRadius(), 50, 1e-3);
  const auto diagonal = init(MakeRef<TDiagLines>(1, false), 0);
  EXPECT_NEAR(diagonal->MaxRadius(), 80, 1e-3);  // (width + height) / 2
}

TEST(ShapeRenderers, ASoftWidthBeyondTheRadiusLeavesNoSolidCore) {
  TCircleFilter circle(0.5f, 0.5f);
  circle.Init(kFrame, 80, 1000);
  circle.SetTime(200);
  ASSERT_LT(circle.CurrentRadius(), 80);
  const TReferenceMask mask = Rasterise(circle);
  float peak = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) peak = std::max(peak, mask.At(x, y));
  EXPECT_GT(peak, 0);
  EXPECT_LT(peak, 255);
}

TEST(SoftBand, NarrowStripsJoinTheNextAndTheCoreComesFirst) {
  std::vector<TBandStrip> strips;
  ForEachBandStrip(100, 14, [&](const TBandStrip& s) { strips.push_back(s); });
  // 14 strips of one pixel: joined into 7 of two, after the core.
  ASSERT_EQ(strips.size(), 8u);
  EXPECT_EQ(strips[0].From, 0);
  EXPECT_EQ(strips[0].To, 86);
  EXPECT_EQ(strips[0].Alpha1, 255);
  for (std::size_t i = 1; i < strips.size(); ++i) {
    EXPECT_FLOAT_EQ(strips[i].From, strips[i - 1].To);
    EXPECT_GE(strips[i].To - strips[i].From, 2 - 1e-4);
    EXPECT_LE(strips[i].Alpha1, strips[i].Alpha0);
  }
  EXPECT_FLOAT_EQ(strips.back().To, 100);
  EXPECT_FLOAT_EQ(strips.back().Alpha1, 0);
  // A band reaching below the centre starts there with the alpha it has there.
  strips.clear();
  ForEachBandStrip(10, 40, [&](const TBandStrip& s) { strips.push_back(s); });
  ASSERT_FALSE(strips.empty());
  EXPECT_EQ(strips[0].From, 0);
  EXPECT_NEAR(strips[0].Alpha0, BandAlpha(0, 10, 40), 0.5);
}

TEST(Ease, CurvesHaveTheirDefiningValues) {
  EXPECT_FLOAT_EQ(EaseBand()[0].Y, 0);
  EXPECT_FLOAT_EQ(EaseBand()[7].X, 127.5f);
  EXPECT_FLOAT_EQ(EaseBand()[3].Y, (255.0f * 3 / 14) * (255.0f * 3 / 14) / 128);
  EXPECT_FLOAT_EQ(EaseBand()[14].Y, 255);
  EXPECT_EQ(EaseTable()[100], 100 * 100 / 128);
  EXPECT_EQ(EaseTable()[155], 255 - 100 * 100 / 128);
  EXPECT_EQ(EaseTable()[255], 255);
  EXPECT_DOUBLE_EQ(EaseInOut(0.25), 0.125);
  EXPECT_DOUBLE_EQ(EaseInOut(0.75), 0.875);
}

TEST(MosaicRenderer, TilesFadeInTheOrderTheSeedGives) {
  TRandomFilter mosaic(4, 3, 12345, 20);
  mosaic.Init(kFrame, 0, 1000);
  // The generator written out: the next state, its low 23 bits as a fraction.
  std::uint32_t seed = 12345;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 4; ++column) {
      seed = seed * 1664525u + 1013904223u;
      const double u = double(seed & 0x7FFFFF) / double(1 << 23);
      EXPECT_EQ(mosaic.Delay(column, row), int(std::lround(u * 2000))) << column << ", " << row;
    }
  }
  for (const double progress : {0.0, 0.3, 0.6, 1.0}) {
    mosaic.SetTime(progress * 1000);
    const TReferenceMask mask = Rasterise(mosaic);
    const float error = MaxMaskError(mask, [&](TPointF p) {
      return float(mosaic.TileAlpha(int(p.X / 25), int(p.Y / 20)));
    });
    EXPECT_EQ(error, 0) << progress;
    const int now = int(std::lround(progress * 2256 - 256));
    for (int row = 0; row < 3; ++row)
      for (int column = 0; column < 4; ++column) {
        const int wait = mosaic.Delay(column, row) - now;
        EXPECT_EQ(mosaic.TileAlpha(column, row), wait >= 255 ? 0 : wait < 0 ? 255 : 255 - wait);
      }
  }
}

TEST(MosaicRenderer, TileCountsAreHeldToThePixelsOfTheFrame) {
  const struct {
    int Columns, Rows;
    int ExpectedColumns, ExpectedRows;
  } cases[] = {{0, 0, 1, 1}, {100000, 100000, kWidth, kHeight}, {-5, 7, 1, 7}};
  for (const auto& c : cases) {
    TRandomFilter mosaic(c.Columns, c.Rows, 1, 0);
    mosaic.Init(kFrame, 0, 1000);
    EXPECT_EQ(mosaic.Columns(), c.ExpectedColumns);
    EXPECT_EQ(mosaic.Rows(), c.ExpectedRows);
  }
  // Without a fade spread every tile fades at once: a cross-fade.
  TRandomFilter fade(1, 1, 99, 0);
  fade.Init(kFrame, 0, 1000);
  fade.SetTime(500);
  EXPECT_EQ(fade.TileAlpha(0, 0), 255 - (0 - int(std::lround(0.5 * 256 - 256))));
}

TEST(SweepRenderers, PolygonsDrawTheSweepMask) {
  struct TCase {
    const char* Name;
    std::function<Ref<TDrawFilter>()> Make;
  };
  const std::vector<TCase> cases = {
      {"clock", [] { return MakeRef<TClockEffect>(false); }},
      {"clock backwards", [] { return MakeRef<TClockEffect>(true); }},
      {"broom up", [] { return MakeRef<TBroomEffect>(1, 0.0f); }},
      {"broom down right", [] { return MakeRef<TBroomEffect>(6, 50.0f); }},
      {"broom left, backwards", [] { return MakeRef<TBroomEffect>(12, 0.0f); }},
  };
  for (const TCase& c : cases) {
    for (const double progress : {0.0, 0.25, 0.5, 0.75, 1.0}) {
      SCOPED_TRACE(std::string(c.Name) + " at " + std::to_string(progress));
      const Ref<TDrawFilter> sweep = c.Make();
      sweep->Init(kFrame, 20, 1000);
      sweep->SetTime(progress * 1000);
      const auto mask_at = [&](TPointF p) {
        if (auto* clock = dynamic_cast<TClockEffect*>(sweep.Get())) return clock->MaskAt(p);
        return static_cast<TBroomEffect*>(sweep.Get())->MaskAt(p);
      };
      const TReferenceMask mask = Rasterise(*sweep);
      // Triangles meet the clock's hand at its pivot, where a ramp cannot be drawn exactly.
      const auto away_from_the_hub = [](TPointF p) { return (p - TPointF{50, 30}).Length() > 6; };
      EXPECT_LE(MaxMaskError(mask, mask_at, away_from_the_hub), 6.0f);
      // Whichever slide the mask applies to, it starts showing only the outgoing slide.
      const bool starts_full = sweep->Reversed;
      if (progress == 0) {
        EXPECT_EQ(MaxMaskError(mask, [&](TPointF) { return starts_full ? 255.0f : 0.0f; }), 0);
      }
      if (progress == 1) {
        EXPECT_EQ(MaxMaskError(mask, [&](TPointF) { return starts_full ? 0.0f : 255.0f; }), 0);
      }
    }
  }
}

TEST(SweepRenderers, TheClockHandTurnsFromTwelveClockwise) {
  TClockEffect clock(false);
  clock.Init(kFrame, 0, 1000);
  clock.SetTime(250);
  // A quarter of the way: the sector from twelve to three o'clock.
  EXPECT_EQ(clock.MaskAt({60, 10}), 255);   // top right
  EXPECT_EQ(clock.MaskAt({40, 10}), 0);     // top left
  EXPECT_EQ(clock.MaskAt({60, 50}), 0);     // bottom right
  TClockEffect backwards(true);
  backwards.Init(kFrame, 0, 1000);
  backwards.SetTime(250);
  EXPECT_EQ(backwards.MaskAt({40, 10}), 255);
  EXPECT_EQ(backwards.MaskAt({60, 10}), 0);
}

}  // namespace
}  // namespace orv
