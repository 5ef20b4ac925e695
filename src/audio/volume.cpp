#include "audio/volume.h"

#include <algorithm>
#include <cmath>

namespace orv {

int GainToAttenuation(double gain) {
  if (!(gain > 0)) return kSilentAttenuation;
  const double attenuation = std::round(-600.0 * std::log2(1.0 / gain));
  return int(std::clamp(attenuation, double(kSilentAttenuation), 0.0));
}

double AttenuationToGain(int attenuation) { return std::exp2(attenuation / 600.0); }

double AttenuationToAmplitude(int attenuation) { return std::pow(10.0, attenuation / 2000.0); }

}  // namespace orv
