#include "video/frame_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orv {
namespace {

TEST(FrameSource, AspectClassFromSizeAndSampleAspect) {
  struct {
    int width, height;
    TMediaRational aspect;
    TAspectClass expected;
  } const cases[] = {
      {1440, 1080, {0, 1}, TAspectClass::Wide},       // HDV without an aspect
      {1440, 1080, {1, 1}, TAspectClass::Standard},   // square pixels: 4:3
      {1440, 1080, {4, 3}, TAspectClass::Wide},
      {1920, 1080, {1, 1}, TAspectClass::Wide},
      {1920, 1080, {0, 1}, TAspectClass::None},
      {720, 576, {16, 15}, TAspectClass::Standard},   // PAL 4:3
      {720, 576, {64, 45}, TAspectClass::Wide},       // PAL 16:9
      {720, 480, {8, 9}, TAspectClass::Standard},
      {720, 480, {10, 11}, TAspectClass::None},       // NTSC 4:3 by the analogue line is 0.03 off
      {640, 480, {1, 1}, TAspectClass::Standard},
      {500, 500, {1, 1}, TAspectClass::None},
      {0, 0, {1, 1}, TAspectClass::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    EXPECT_EQ(AspectClassOf(c.width, c.height, c.aspect), c.expected);
  }
}

TEST(FrameSource, FrameForATimeRoundsHoldsOrWraps) {
  TVideoParams params;
  params.Fps = 25;
  params.FrameCount = 50;  // 2 s
  struct {
    double ms;
    bool looping;
    int64_t expected;
  } const cases[] = {
      {0, false, 0},     {19.9, false, 0},   {20, false, 1},    {-500, false, 0},  {1960, false, 49},
      {2000, false, 49}, {9000, false, 49},  {2000, true, 0},   {2100, true, 3},   {4060, true, 2},
      {1999, true, 49},  {std::numeric_limits<double>::quiet_NaN(), false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ms);
    EXPECT_EQ(FrameIndexForTime(params, c.ms, c.looping), c.expected);
  }
  const TVideoParams unknown;  // no rate, no frames: never a division by zero
  EXPECT_EQ(FrameIndexForTime(unknown, 1000, true), 0);
  const TFrameWindow window = FrameWindowOf(params, 3);
  EXPECT_DOUBLE_EQ(window.Start, 100);
  EXPECT_DOUBLE_EQ(window.End, 140);
  EXPECT_DOUBLE_EQ(FrameWindowOf(unknown, 3).End, 0);
}

}  // namespace
}  // namespace orv
