#include "audio/adpcm_decoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace orv {
namespace {

constexpr size_t kHeaderBytesPerChannel = 7;
constexpr int16_t kStandardCoefficients[kAdpcmMaxCoefficients][2] = {
    {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
constexpr int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
// A hostile block can make the step grow on every code; beyond this it would overflow.
constexpr int kMaxStep = INT_MAX / 768;

int16_t Le16(const uint8_t* bytes) { return static_cast<int16_t>(bytes[0] | bytes[1] << 8); }

struct TChannelState {
  int Coefficient1, Coefficient2, Step, Sample1, Sample2;

  int16_t Expand(int code) {
    const int signed_code = code >= 8 ? code - 16 : code;
    // In 64 bits: a file's own coefficients may be as large as the samples.
    const int64_t predicted =
        (int64_t{Sample1} * Coefficient1 + int64_t{Sample2} * Coefficient2) / 256 + signed_code * Step;
    Sample2 = Sample1;
    Sample1 = static_cast<int>(std::clamp<int64_t>(predicted, -32768, 32767));
    Step = std::clamp(kAdaptation[code] * Step >> 8, 16, kMaxStep);
    return static_cast<int16_t>(Sample1);
  }
};

}  // namespace

TAdpcmCoefficients AdpcmCoefficientsOf(const TMediaInfo& info) {
  TAdpcmCoefficients result;
  const uint8_t* stored = info.AdpcmCoefficients.data();
  const size_t declared = static_cast<uint16_t>(Le16(stored));
  // The extension: samples per block, the count, then the pairs.
  const size_t present = info.Format.ExtraSize >= 4 ? (info.Format.ExtraSize - 4) / 4 : 0;
  result.Count = std::min({declared, present, kAdpcmMaxCoefficients});
  for (size_t i = 0; i < result.Count; ++i) {
    result.Pairs[i][0] = Le16(stored + 2 + 4 * i);
    result.Pairs[i][1] = Le16(stored + 4 + 4 * i);
  }
  if (result.Count == 0) {
    result.Count = kAdpcmMaxCoefficients;
    std::memcpy(result.Pairs, kStandardCoefficients, sizeof result.Pairs);
  }
  return result;
}

size_t AdpcmFramesInBlock(size_t bytes, int channels) {
  if (channels != 1 && channels != 2) return 0;
  const size_t header = kHeaderBytesPerChannel * channels;
  return bytes < header ? 0 : 2 + (bytes - header) * 2 / channels;
}

bool DecodeAdpcmBlock(const uint8_t* block, size_t bytes, int channels, const TAdpcmCoefficients& coefficients,
                      int16_t* samples) {
  const size_t frames = AdpcmFramesInBlock(bytes, channels);
  if (frames == 0) return true;
  TChannelState states[2];
  for (int channel = 0; channel < channels; ++channel) {
    const size_t predictor = block[channel];
    if (predictor >= coefficients.Count) return false;
    TChannelState& state = states[channel];
    state.Coefficient1 = coefficients.Pairs[predictor][0];
    state.Coefficient2 = coefficients.Pairs[predictor][1];
    state.Step = Le16(block + channels + 2 * channel);
    state.Sample1 = Le16(block + 3 * channels + 2 * channel);
    state.Sample2 = Le16(block + 5 * channels + 2 * channel);
    // The header's samples come first, the older one before the newer.
    samples[channel] = static_cast<int16_t>(state.Sample2);
    samples[channels + channel] = static_cast<int16_t>(state.Sample1);
  }
  const uint8_t* codes = block + kHeaderBytesPerChannel * channels;
  const size_t count = (frames - 2) * channels;
  for (size_t i = 0; i < count; ++i) {
    const int code = i % 2 == 0 ? codes[i / 2] >> 4 : codes[i / 2] & 15;
    samples[2 * channels + i] = states[i % channels].Expand(code);
  }
  return true;
}

}  // namespace orv
