#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "base/exceptions.h"
#include "transitions/draw_filter.h"
#include "transitions/effect_tiles.h"

namespace orv {
namespace {

// Keeps every fan a tile receives, and checks that they come between Begin and End.
class TRecordingTile : public TEffTile {
public:
  explicit TRecordingTile(TRect rect) : Rect(rect) {}
  void Begin() override {
    EXPECT_FALSE(Open);
    Open = true;
  }
  void AddMaskTriangles(std::span<const TMaskVertex> fan) override {
    EXPECT_TRUE(Open);
    Fans.emplace_back(fan.begin(), fan.end());
  }
  void End() override {
    EXPECT_TRUE(Open);
    Open = false;
  }

  TRect Rect;
  bool Open = false;
  std::vector<std::vector<TMaskVertex>> Fans;
};

class TRecordingGrid : public TEffController {
public:
  std::vector<Ref<TRecordingTile>> Made;

protected:
  Ref<TEffTile> CreateTile(const TRect& rect) override {
    Made.push_back(MakeRef<TRecordingTile>(rect));
    return Made.back();
  }
};

using TPolygon = std::vector<TMaskVertex>;

double Area(const TPolygon& p) {
  double sum = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const TMaskVertex& a = p[i];
    const TMaskVertex& b = p[(i + 1) % p.size()];
    sum += double(a.X) * b.Y - double(b.X) * a.Y;
  }
  return std::abs(sum) / 2;
}

// Alpha as a linear field over the plane: every cut vertex must carry exactly its value.
float Field(float x, float y) { return (150 - x) * 255 / 200 * 0.5f + y * 0.25f; }

TPolygon WithField(std::vector<std::pair<float, float>> points) {
  TPolygon p;
  for (auto [x, y] : points) p.push_back({x, y, Field(x, y)});
  return p;
}

struct TCutCase {
  const char* Name;
  TPolygon Polygon;
  double AreaInside;  // of the polygon within the grid 0 … 100 × 0 … 60
};

// Draws the polygons onto a canvas over `grid` and checks each piece: inside its tile,
// with the field's alpha at every vertex; returns the area the tiles received.
double DrawAndCheck(TRecordingGrid& grid, const std::vector<TPolygon>& polygons) {
  TMultiTile canvas(grid);
  canvas.Begin();
  for (const TPolygon& p : polygons) canvas.AddMaskTriangles(p);
  canvas.End();
  double area = 0;
  for (const auto& tile : grid.Made) {
    EXPECT_FALSE(tile->Open);
    for (const TPolygon& fan : tile->Fans) {
      area += Area(fan);
      for (const TMaskVertex& v : fan) {
        EXPECT_GE(v.X, float(tile->Rect.Left));
        EXPECT_LE(v.X, float(tile->Rect.Right));
        EXPECT_GE(v.Y, float(tile->Rect.Top));
        EXPECT_LE(v.Y, float(tile->Rect.Bottom));
        EXPECT_NEAR(v.Alpha, Field(v.X, v.Y), 1e-3) << "at " << v.X << ", " << v.Y;
      }
    }
  }
  return area;
}

TEST(MaskCanvas, PolygonsAreClippedToTheFrameWithInterpolatedAlpha) {
  const std::vector<TCutCase> cases = {
      {"inside", WithField({{10, 10}, {90, 10}, {90, 50}, {10, 50}}), 80 * 40},
      {"beyond every side", WithField({{-50, -20}, {150, -20}, {150, 80}, {-50, 80}}), 100 * 60},
      // Inside: 60 × 60 less the corner beyond the slanted side y = x − 60.
      {"across a corner", WithField({{40, -20}, {140, 80}, {40, 80}}), 60 * 60 - 40 * 40 / 2},
      {"vertices on the edges", WithField({{0, 0}, {100, 0}, {100, 60}, {0, 60}}), 100 * 60},
      {"outside", WithField({{-40, -40}, {-10, -40}, {-10, -10}}), 0},
  };
  for (const TCutCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TRecordingGrid grid;
    grid.SetGrid({0, 100}, {0, 60});
    const double area = DrawAndCheck(grid, {c.Polygon});
    EXPECT_NEAR(area, c.AreaInside, 1e-2);
  }
}

TEST(MaskCanvas, PiecesOfAGridMeetWithoutGapsOrOverlaps) {
  TRecordingGrid grid;
  grid.SetGrid({0, 30, 70, 100}, {0, 20, 60});
  // A vertex exactly on a column edge and one on a row edge, a fan of five vertices.
  const TPolygon fan = WithField({{30, 5}, {95, 20}, {80, 55}, {20, 58}, {5, 30}});
  const double whole = Area(fan);
  EXPECT_NEAR(DrawAndCheck(grid, {fan}), whole, 1e-2);
  EXPECT_GE(grid.Made.size(), 5u);
}

TEST(MaskCanvas, NonFiniteOrHugeVerticesLeaveNothingUndrawableOrOutside) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<TPolygon> polygons = {
      {{0, 0, 255}, {inf, 0, 255}, {0, 30, 255}},
      {{10, 10, nan}, {50, 10, 0}, {50, 40, 0}},
      {{nan, 5, 0}, {40, 5, 0}, {40, 20, 0}, {10, 20, 0}},
      {{-1e30f, -1e30f, 0}, {1e30f, -1e30f, 0}, {1e30f, 1e30f, 255}, {-1e30f, 1e30f, 255}},
      {{-inf, -inf, 0}, {inf, -inf, 0}, {inf, inf, 0}},
  };
  TRecordingGrid grid;
  grid.SetGrid({0, 50, 100}, {0, 30, 60});
  TMultiTile canvas(grid);
  canvas.Begin();
  for (const TPolygon& p : polygons) canvas.AddMaskTriangles(p);
  canvas.End();
  for (const auto& tile : grid.Made) {
    for (const TPolygon& fan : tile->Fans) {
      for (const TMaskVertex& v : fan) {
        EXPECT_TRUE(v.X >= float(tile->Rect.Left) && v.X <= float(tile->Rect.Right)) << v.X;
        EXPECT_TRUE(v.Y >= float(tile->Rect.Top) && v.Y <= float(tile->Rect.Bottom)) << v.Y;
        EXPECT_TRUE(std::isfinite(v.Alpha));
      }
    }
  }
}

TEST(MaskCanvas, TilesAreMadeOncePerCellWithRoundedEdges) {
  TRecordingGrid grid;
  grid.SetGrid({0.4f, 10.6f, 20}, {0, 5});
  TEffTile& first = grid.Tile(1, 0);
  EXPECT_EQ(&grid.Tile(1, 0), &first);
  ASSERT_EQ(grid.Made.size(), 1u);
  EXPECT_EQ(grid.Made[0]->Rect, (TRect{11, 0, 20, 5}));
  EXPECT_THROW(grid.Tile(2, 0), EAssertionFailed);
  EXPECT_THROW(grid.Tile(0, -1), EAssertionFailed);
}

TEST(MaskCanvas, BeginAndEndMustPair) {
  TRecordingGrid grid;
  grid.SetGrid({0, 10}, {0, 10});
  TMultiTile canvas(grid);
  const TPolygon triangle = WithField({{0, 0}, {10, 0}, {10, 10}});
  EXPECT_THROW(canvas.AddMaskTriangles(triangle), EAssertionFailed);
  EXPECT_THROW(canvas.End(), EAssertionFailed);
  canvas.Begin();
  EXPECT_THROW(canvas.Begin(), EAssertionFailed);
}

TEST(AlphaFilter, AlphaFollowsTheProgressWithinTheDuration) {
  struct TCase {
    double Elapsed;
    float Alpha;
  };
  const TCase cases[] = {{0, 0}, {500, 127.5f}, {1000, 255}, {-200, 0}, {1600, 255}};
  TAlphaFilter filter;
  filter.Init(TRectF{10, 20, 110, 80}, 0, 1000);
  for (const TCase& c : cases) {
    filter.SetTime(c.Elapsed);
    EXPECT_FLOAT_EQ(filter.Alpha(), c.Alpha) << "at " << c.Elapsed << " ms";
  }
}

TEST(AlphaFilter, CoversTheOutputWithOneAlpha) {
  TRecordingGrid grid;
  grid.SetGrid({10, 110}, {20, 80});
  TAlphaFilter filter;
  filter.Init(TRectF{10, 20, 110, 80}, 0, 1000);
  filter.SetTime(250);
  TMultiTile canvas(grid);
  canvas.Begin();
  filter.Render(canvas);
  canvas.End();
  ASSERT_EQ(grid.Made.size(), 1u);
  double area = 0;
  for (const TPolygon& fan : grid.Made[0]->Fans) {
    area += Area(fan);
    for (const TMaskVertex& v : fan) EXPECT_FLOAT_EQ(v.Alpha, 63.75f);
  }
  EXPECT_NEAR(area, 100 * 60, 1e-3);
}

TEST(AlphaFilter, WithoutDurationItStaysAtItsStart) {
  TAlphaFilter filter;
  filter.Init(TRectF{0, 0, 10, 10}, 0, 0);
  filter.SetTime(500);
  EXPECT_EQ(filter.Alpha(), 0);
}

}  // namespace
}  // namespace orv
