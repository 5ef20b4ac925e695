#include "nav/panel_auto_hide.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

class PanelAutoHideTest : public ::testing::Test {
protected:
  // Idle after 2 s; fades in over 500 ms and out over 1000 ms.
  int64_t Now = 10000;
  TTickSource Ticks = [this] { return Now; };
  TMouseMoveDetector Detector{Ticks, 2000};
  TPanelAutoHide AutoHide{Detector, Ticks, 500, 1000};

  void Move(int x) {
    Detector.Sample(0, 0);
    Detector.Sample(x, 0);
  }
};

TEST_F(PanelAutoHideTest, StartsHiddenFadesInOnMovementAndOutWhenIdle) {
  EXPECT_EQ(AutoHide.Update(false), 0);
  EXPECT_TRUE(AutoHide.Hidden());
  Detector.Sample(0, 0);  // the first sample only records the point
  EXPECT_EQ(AutoHide.Update(false), 0);
  Detector.Sample(6, 0);
  EXPECT_EQ(AutoHide.Update(false), std::nullopt);  // the step that starts the fade
  EXPECT_FALSE(AutoHide.Hidden());
  EXPECT_EQ(AutoHide.Update(false), 0);
  Now += 250;
  EXPECT_EQ(AutoHide.Update(false), 50);
  Now += 250;
  EXPECT_EQ(AutoHide.Update(false), 100);
  Now += 1500;  // 2000 ms since the movement: not idle yet
  EXPECT_EQ(AutoHide.Update(false), 100);
  Now += 1;
  EXPECT_EQ(AutoHide.Update(false), std::nullopt);
  EXPECT_TRUE(AutoHide.Hidden());
  Now += 250;
  EXPECT_EQ(AutoHide.Update(false), 75);
  Now += 750;
  EXPECT_EQ(AutoHide.Update(false), 0);
}

TEST_F(PanelAutoHideTest, AReversalGoesOnFromTheOpacityReached) {
  Move(10);
  AutoHide.Update(false);
  Now += 2001;  // shown, then idle
  AutoHide.Update(false);
  Now += 400;  // 40 % of the fade out: opacity 60
  EXPECT_EQ(AutoHide.Update(false), 60);
  Detector.Sample(30, 0);
  EXPECT_EQ(AutoHide.Update(false), std::nullopt);
  EXPECT_EQ(AutoHide.Update(false), 60);  // not from 0
  Now += 100;                             // 100 of the 500 ms fade in: 20 points more
  EXPECT_EQ(AutoHide.Update(false), 80);
}

TEST_F(PanelAutoHideTest, ThePointerOnThePanelKeepsItShown) {
  Move(10);
  AutoHide.Update(false);
  for (int i = 0; i < 10; ++i) {
    Now += 1000;
    EXPECT_EQ(AutoHide.Update(true), 100);
  }
  Now += 2001;
  EXPECT_EQ(AutoHide.Update(false), std::nullopt);
  EXPECT_TRUE(AutoHide.Hidden());
}

TEST(PanelAutoHide, FadesOfNoLengthSwitchAtOnce) {
  int64_t now = 0;
  const TTickSource ticks = [&now] { return now; };
  TMouseMoveDetector detector(ticks, 0);
  TPanelAutoHide auto_hide(detector, ticks, 0, 0);
  detector.Sample(0, 0);
  detector.Sample(0, 9);
  EXPECT_EQ(auto_hide.Update(false), std::nullopt);
  EXPECT_EQ(auto_hide.Update(false), 100);
  now = 1;
  EXPECT_EQ(auto_hide.Update(false), std::nullopt);
  EXPECT_EQ(auto_hide.Update(false), 0);
}

}  // namespace
}  // namespace orv
