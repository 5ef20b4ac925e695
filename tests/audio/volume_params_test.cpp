#include "audio/volume_params.h"

#include <gtest/gtest.h>

#include "audio/wave_format.h"

namespace orv {
namespace {

TEST(VolumeParams, CompileSortsKeepsTheLastOfOneTimeAndEndsAtTheLength) {
  TVolumeParams envelope;
  envelope.Add(500, 300);
  envelope.Add(100, 200);
  envelope.Add(500, 800);  // replaces the earlier point at 500
  envelope.Add(0, 1000);
  envelope.Compile(2000);
  const std::vector<TVolumeItem2>& segments = envelope.Segments();
  ASSERT_EQ(segments.size(), 4u);
  EXPECT_EQ(segments[2].Position, MsToStandardBytes(500));
  EXPECT_DOUBLE_EQ(segments[2].Gain, 0.8);
  // The final point repeats the volume of the point added last (1000).
  EXPECT_EQ(segments[3].Position, MsToStandardBytes(2000));
  EXPECT_DOUBLE_EQ(segments[3].Gain, 1.0);
  EXPECT_TRUE(segments[3].Last);
  EXPECT_DOUBLE_EQ(segments[0].Slope, (0.2 - 1.0) / (MsToStandardBytes(100) / 4));
}

TEST(VolumeParams, AnEnvelopeLongerThanItsItemIsCutAtTheCurvesVolumeThere) {
  TVolumeParams fade_out;
  fade_out.Add(2000, 1000);
  fade_out.Add(3000, 0);
  fade_out.Compile(2600);
  ASSERT_EQ(fade_out.Segments().size(), 2u);
  EXPECT_NEAR(fade_out.Segments()[1].Gain, 0.4, 1e-12);
  fade_out.SetPosition(MsToStandardBytes(2500));
  EXPECT_NEAR(fade_out.Gain(), 0.5, 1e-3);

  TVolumeParams late;
  late.Add(9000, 500);
  late.Add(10000, 0);
  late.Compile(4000);
  ASSERT_EQ(late.Segments().size(), 1u);
  late.SetPosition(MsToStandardBytes(2000));
  EXPECT_EQ(late.Gain(), 0.5);
  // A single point: the gain holds while stepping up to it, and the envelope ends there.
  late.SetPosition(MsToStandardBytes(4000) - 8);
  late.Step();
  EXPECT_FALSE(late.Ended());
  late.Step();
  EXPECT_TRUE(late.Ended());
}

TEST(VolumeParams, AnyPositionGivesTheGainSteppingThereGives) {
  TVolumeParams stepped;
  stepped.Add(100, 0);
  stepped.Add(300, 1500);
  stepped.Add(700, 250);
  stepped.Compile(1000);
  TVolumeParams placed = stepped;
  stepped.SetPosition(0);
  for (int64_t position = 0; position < MsToStandardBytes(1000); position += 4) {
    placed.SetPosition(position);
    ASSERT_EQ(placed.Gain(), stepped.Gain()) << position;
    ASSERT_FALSE(stepped.Ended()) << position;
    stepped.Step();
  }
  EXPECT_TRUE(stepped.Ended());
}

TEST(VolumeParams, GainHoldsBeforeTheFirstPointAndRampsBetweenPoints) {
  TVolumeParams envelope;
  envelope.Add(1000, 1000);
  envelope.Add(2000, 0);
  envelope.Compile(2000);
  envelope.SetPosition(0);
  EXPECT_DOUBLE_EQ(envelope.Gain(), 1.0);
  EXPECT_TRUE(envelope.Flat());
  envelope.SetPosition(MsToStandardBytes(1500));
  EXPECT_NEAR(envelope.Gain(), 0.5, 1e-9);
  EXPECT_FALSE(envelope.Flat());
}

TEST(VolumeParamsList, ItemsFadeInAndOutOverTenMillisecondsAndGainsMultiply) {
  TVolumeParamsList list;
  TVolumeParams& half = list.Add();
  half.Add(0, 500);
  list.Compile(1000);
  list.SetPosition(0);
  EXPECT_EQ(list.Gain(), 0);
  list.SetPosition(MsToStandardBytes(5));
  EXPECT_NEAR(list.Gain(), 0.25, 1e-3);  // 5 ms is 220 of the fade's 441 frames
  list.SetPosition(MsToStandardBytes(500));
  EXPECT_DOUBLE_EQ(list.Gain(), 0.5);
  list.SetPosition(MsToStandardBytes(995));
  EXPECT_NEAR(list.Gain(), 0.25, 1e-3);  // 5 ms is 220 of the fade's 441 frames
  list.SetPosition(MsToStandardBytes(1000));
  EXPECT_TRUE(list.Ended());

  TVolumeParamsList master(false);
  master.Add().Add(0, 500);
  master.Compile(1000);
  master.SetPosition(0);
  EXPECT_DOUBLE_EQ(master.Gain(), 0.5);
}

TEST(VolumeParams, VolumesAreHeldWithinBounds) {
  TVolumeParams envelope;
  envelope.Add(0, -50);
  envelope.Add(10, 1e300);
  envelope.Compile(20);
  EXPECT_EQ(envelope.Segments()[0].Gain, 0);
  EXPECT_EQ(envelope.Segments()[1].Gain, TVolumeParams::kMaxVolume / 1000);
}

}  // namespace
}  // namespace orv
