// One Microsoft ADPCM block of any bytes: the first byte chooses the channel count and
// whether the next 32 bytes are the file's own coefficients; the rest is the block.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/adpcm_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 + 32) return 0;
  orv::TMediaInfo info;
  info.Format.Channels = static_cast<uint16_t>(1 + (data[0] & 1));
  info.Format.ExtraSize = (data[0] & 2) ? 32 : 0;
  std::memcpy(info.AdpcmCoefficients.data(), data + 1, 32);
  const uint8_t* block = data + 33;
  const size_t bytes = size - 33;
  const int channels = info.Format.Channels;
  std::vector<int16_t> samples(orv::AdpcmFramesInBlock(bytes, channels) * channels);
  orv::DecodeAdpcmBlock(block, bytes, channels, orv::AdpcmCoefficientsOf(info), samples.data());
  return 0;
}
