// Gains as attenuations in hundredths of a decibel, and back.
#include "audio/volume.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(VolumeTest, GainsMapToHundredthsOfADecibelAndBack) {
  struct TCase {
    double gain;
    int attenuation;
  };
  for (const TCase c :
       {TCase{1, 0}, {0.5, -600}, {0.25, -1200}, {0.1, -1993}, {0, -10000}, {1e-9, -10000}, {-1, -10000}, {2, 0}})
    EXPECT_EQ(GainToAttenuation(c.gain), c.attenuation) << c.gain;
  EXPECT_DOUBLE_EQ(AttenuationToGain(-600), 0.5);
  EXPECT_DOUBLE_EQ(AttenuationToGain(0), 1);
  EXPECT_NEAR(AttenuationToAmplitude(-600), 0.501, 0.001);
  EXPECT_LT(AttenuationToAmplitude(-10000) * 32767, 0.5);
}

}  // namespace
}  // namespace orv
