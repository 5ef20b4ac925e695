#include "slide/placement.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

void ExpectPoint(TPoint3F actual, TPoint3F expected, const char* what) {
  EXPECT_NEAR(actual.X, expected.X, 1e-4) << what;
  EXPECT_NEAR(actual.Y, expected.Y, 1e-4) << what;
  EXPECT_NEAR(actual.Z, expected.Z, 1e-4) << what;
}

void ExpectMatrix(const TMatrix3& actual, const TMatrix3& expected, const char* what) {
  for (size_t i = 0; i < 3; ++i) ExpectPoint(actual.Rows[i], expected.Rows[i], what);
}

TEST(PlacementTest, FitFactorFitsIntoOrCoversTheParent) {
  const struct {
    TFitMode mode;
    TSizeF size;
    TSizeF parent;
    double k;
  } cases[] = {
      {TFitMode::PlaceInto, {100, 50}, {200, 200}, 2},
      {TFitMode::Cover, {100, 50}, {200, 200}, 4},
      {TFitMode::None, {100, 50}, {200, 200}, 1},
      {TFitMode::PlaceInto, {0, 50}, {200, 200}, 0},
      {TFitMode::Cover, {100, 50}, {200, 0}, 0},
      {TFitMode::None, {100, NAN}, {200, 200}, 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(FitFactor(c.mode, c.size, c.parent), c.k) << int(c.mode);
}

TEST(PlacementTest, RotationScaleTurnsAboutEachAxis) {
  const struct {
    const char* what;
    double angle, angle_x, angle_y;
    TMatrix3 expected;
  } cases[] = {
      {"none", 0, 0, 0, {{TPoint3F{2, 0, 0}, {0, 3, 0}, {0, 0, 3}}}},
      // Row vectors, y down: the x axis turns towards +y.
      {"view axis 90", 90, 0, 0, {{TPoint3F{0, 2, 0}, {-3, 0, 0}, {0, 0, 3}}}},
      {"x axis 90", 0, 90, 0, {{TPoint3F{2, 0, 0}, {0, 0, -3}, {0, 3, 0}}}},
      {"y axis 90", 0, 0, 90, {{TPoint3F{0, 0, 2}, {0, 3, 0}, {-3, 0, 0}}}},
      {"view axis 30", 30, 0, 0,
       {{TPoint3F{float(2 * std::sqrt(3) / 2), 1, 0}, {-1.5f, float(3 * std::sqrt(3) / 2), 0}, {0, 0, 3}}}},
  };
  for (const auto& c : cases) ExpectMatrix(RotationScale(c.angle, c.angle_x, c.angle_y, 2, 3), c.expected, c.what);
}

TEST(PlacementTest, ProductAppliesTheFirstMatrixFirst) {
  const TMatrix3 turn = RotationScale(90, 0, 0, 1, 1);
  const TMatrix3 stretch{{TPoint3F{2, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  // The x unit vector turned to y, then stretched along x: stays on y.
  ExpectMatrix(turn * stretch, {{TPoint3F{0, 1, 0}, {-2, 0, 0}, {0, 0, 1}}}, "turn then stretch");
  ExpectMatrix(stretch * turn, {{TPoint3F{0, 2, 0}, {-1, 0, 0}, {0, 0, 1}}}, "stretch then turn");
}

TEST(PlacementTest, FrameDeepensOnlyDepthComponents) {
  const TObjectFrame frame = FrameOf(RotationScale(0, 0, 90, 1, 1), {5, 6, 7}, 0.5);
  ExpectPoint(frame.Origin, {5, 6, 7}, "origin");
  ExpectPoint(frame.X, {0, 0, 0.5f}, "x");
  ExpectPoint(frame.Z, {-1, 0, 0}, "z");
  ExpectPoint(frame.At(2, 1), {5, 7, 8}, "point");
}

TEST(PlacementTest, RayMeetsTurnedPlanes) {
  const TPoint3F eye{400, 300, -1000};
  TObjectFrame frame;
  frame.Origin = {100, 50, 0};
  frame.X = {2, 0, 0};
  frame.Y = {0, 2, 0};
  TPointF local;
  ASSERT_TRUE(RayToLocal(frame, eye, {300, 250, 0}, local));
  EXPECT_NEAR(local.X, 100, 1e-4);
  EXPECT_NEAR(local.Y, 100, 1e-4);

  // Tilted about x by 60°: the ray through a screen point meets the plane off the screen
  // plane, on the ray.
  frame = FrameOf(RotationScale(0, 60, 0, 1, 1), {400, 300, 0}, 1);
  ASSERT_TRUE(RayToLocal(frame, eye, {400, 350, 0}, local));
  const TPoint3F hit = frame.At(local.X, local.Y);
  const double s = (hit.Z - eye.Z) / (0 - eye.Z);
  EXPECT_NEAR(eye.Y + s * (350 - eye.Y), hit.Y, 1e-3);
  EXPECT_NEAR(local.X, 0, 1e-4);

  // Seen edge on, or a flat frame: no answer.
  frame = FrameOf(RotationScale(0, 0, 90, 1, 1), {400, 300, 0}, 1);
  EXPECT_FALSE(RayToLocal(frame, eye, {400, 300, 0}, local));
  frame = FrameOf(RotationScale(0, 0, 0, 0, 1), {400, 300, 0}, 1);
  EXPECT_FALSE(RayToLocal(frame, eye, {400, 300, 0}, local));
  EXPECT_TRUE(IsDegenerate(frame));
  // Behind the viewer.
  frame = FrameOf(RotationScale(0, 0, 0, 1, 1), {400, 300, -2000}, 1);
  EXPECT_FALSE(RayToLocal(frame, eye, {400, 300, 0}, local));
}

TEST(PlacementTest, FrontFacesTheViewerUntilTurnedAway) {
  const TPoint3F eye{400, 300, -1000};
  const struct {
    double angle_x, angle_y, scale_x;
    bool front;
  } cases[] = {{0, 0, 1, true}, {0, 180, 1, false}, {180, 0, 1, false}, {0, 89, 1, true}, {0, 91, 1, false},
               {0, 0, -1, false}};
  for (const auto& c : cases) {
    const TObjectFrame frame = FrameOf(RotationScale(0, c.angle_x, c.angle_y, c.scale_x, 1), {400, 300, 0}, 1);
    EXPECT_EQ(FacesFront(frame, eye), c.front) << c.angle_x << " " << c.angle_y << " " << c.scale_x;
  }
}

TEST(PlacementTest, UndefinedNumbersAreNotFinite) {
  TObjectFrame frame;
  EXPECT_TRUE(IsFinite(frame));
  frame.Y.Z = INFINITY;
  EXPECT_FALSE(IsFinite(frame));
  frame = FrameOf(RotationScale(NAN, 0, 0, 1, 1), {}, 1);
  EXPECT_FALSE(IsFinite(frame));
}

}  // namespace
}  // namespace orv
