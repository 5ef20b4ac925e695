#include "video/video_time.h"

#include <gtest/gtest.h>

#include <limits>

namespace orv {
namespace {

TEST(VideoTime, SlideTimeToVideoTime) {
  const TClipTiming doubled{1000, 500, 10000, 2};  // 10 s of video in 5 s of slide time
  struct {
    const char* what;
    TClipTiming timing;
    double x, earliest, shift, expected;
  } const cases[] = {
      {"before the start: first frame", doubled, 500, 0, 0, 500},
      {"at the start", doubled, 1000, 0, 0, 500},
      {"twice as fast", doubled, 2000, 0, 0, 2500},
      {"at the end of its length", doubled, 6000, 0, 0, 10500},
      {"then the last frame stays", doubled, 9000, 0, 0, 10500},
      {"the host cannot draw yet", doubled, 1500, 2000, 0, 500},
      {"a clip that began two slides ago runs on", doubled, 0, -1e9, -3000, 4500},
      {"no speed plays at normal speed", {0, 0, 4000, 0}, 1000, 0, 0, 1000},
      {"a negative speed too", {0, 0, 4000, -3}, 5000, 0, 0, 4000},
      {"an unknown length holds the first frame", {0, 200, 0, 1}, 5000, 0, 0, 200},
      {"a time that is no number", doubled, std::numeric_limits<double>::quiet_NaN(), 0, 0, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_DOUBLE_EQ(VideoTimeAt(c.timing, c.x, c.earliest, c.shift), c.expected);
  }
}

TEST(VideoTime, StartAndLengthAreFittedToTheFile) {
  TClipTiming timing{0, 12000, -5, 1};
  FitClipToFile(timing, 10000);
  EXPECT_EQ(timing.StartVideoTime, 0);
  EXPECT_EQ(timing.Duration, 10000);
  TClipTiming inside{0, 3000, 4000, 1};
  FitClipToFile(inside, 10000);
  EXPECT_EQ(inside.StartVideoTime, 3000);
  EXPECT_EQ(inside.Duration, 4000);
  TClipTiming unknown{0, 3000, 99999, 1};
  FitClipToFile(unknown, 0);
  EXPECT_EQ(unknown.Duration, 99999);
}

TEST(VideoTime, FieldChoiceByModeAndHalfOfTheFrame) {
  using enum TDeinterlaceType;
  struct {
    TDeinterlaceType type;
    bool interlaced, bottom_first, first_half;
    int expected;
  } const cases[] = {
      {Auto, false, false, true, 0},  {Auto, true, false, true, 1},   {Auto, true, false, false, 2},
      {Auto, true, true, true, 2},    {Auto, true, true, false, 1},   {Wave, true, false, true, 0},
      {BobEven, false, false, true, 1}, {BobEven, true, false, false, 2}, {BobOdd, true, false, true, 2},
      {BobOdd, true, true, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.type));
    EXPECT_EQ(FieldChoice(c.type, c.interlaced, c.bottom_first, c.first_half), c.expected);
  }
  TVideoParams params;
  params.Fps = 25;
  // Frame 3 stands for 100 … 140 ms; its middle is 120.
  EXPECT_TRUE(InFirstHalfOfFrame(params, 3, 119.9));
  EXPECT_FALSE(InFirstHalfOfFrame(params, 3, 120));
  EXPECT_TRUE(InFirstHalfOfFrame(TVideoParams{}, 3, 1e9));
}

TEST(VideoTime, PixelAspectStretchesToTheDisplayShape) {
  TVideoParams params;
  params.Width = 1440;
  params.Height = 1080;
  EXPECT_DOUBLE_EQ(PixelAspectFactor(params), 1);
  params.Aspect = TAspectClass::Wide;
  EXPECT_NEAR(PixelAspectFactor(params), 1.3333, 1e-4);
  params.Width = 720;
  params.Height = 576;
  params.Aspect = TAspectClass::Standard;
  EXPECT_NEAR(PixelAspectFactor(params), 1.0667, 1e-4);
  params.Width = 0;
  EXPECT_DOUBLE_EQ(PixelAspectFactor(params), 1);
}

}  // namespace
}  // namespace orv
