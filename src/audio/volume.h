// Gains as the sound card's attenuation: hundredths of a decibel, 0 (full) down to −10000
// (silent). Halving the gain costs 600, a little more than the 6 dB of an exact halving,
// so that each halving is clearly heard as quieter.
#pragma once

namespace orv {

inline constexpr int kSilentAttenuation = -10000;

// A gain in [0, 1] as an attenuation: −600 · log2(1 / gain), rounded, clamped to
// −10000 … 0; 0 (and anything not above 0) is silent.
int GainToAttenuation(double gain);
// The gain an attenuation stands for when it is read back: 2^(attenuation / 600).
double AttenuationToGain(int attenuation);
// The factor the samples are multiplied by: the attenuation taken as decibels, as a sound
// card applies it (−600 is −6 dB, about 0.501; −10000 is −100 dB, below the last bit).
double AttenuationToAmplitude(int attenuation);

}  // namespace orv
