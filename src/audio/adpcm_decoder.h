// Microsoft ADPCM: blocks that start with each channel's predictor, step and last two
// samples, followed by 4-bit codes (high nibble first; in stereo the left channel's).
#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/media_info.h"

namespace orv {

inline constexpr size_t kAdpcmMaxCoefficients = 7;

// The predictor coefficient pairs a file's blocks choose from.
struct TAdpcmCoefficients {
  size_t Count = 0;
  int16_t Pairs[kAdpcmMaxCoefficients][2] = {};
};

// The file's own coefficients when its format carries them, else the standard seven.
TAdpcmCoefficients AdpcmCoefficientsOf(const TMediaInfo& info);

// Sample frames in a block of `bytes` bytes (a cut last block gives fewer); 0 when the
// block is too short for its header or the channel count is not 1 or 2.
size_t AdpcmFramesInBlock(size_t bytes, int channels);

// Decodes one block into interleaved 16-bit samples (AdpcmFramesInBlock frames); false
// when the block names a predictor the coefficients do not have.
bool DecodeAdpcmBlock(const uint8_t* block, size_t bytes, int channels, const TAdpcmCoefficients& coefficients,
                      int16_t* samples);

}  // namespace orv
