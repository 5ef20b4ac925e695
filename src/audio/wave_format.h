// The description of a PCM (or compressed) sample stream, field for field the 18-byte
// wave-format record that WAV files carry in their "fmt " chunk.
#pragma once

#include <cmath>
#include <cstdint>

namespace orv {

// Format tags of the "fmt " chunk that the decoders tell apart.
inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatAdpcm = 2;
inline constexpr uint16_t kWaveFormatIeeeFloat = 3;
inline constexpr uint16_t kWaveFormatMpegLayer3 = 85;

struct TWaveFormat {
  uint16_t FormatTag = 0;
  uint16_t Channels = 0;
  uint32_t SamplesPerSec = 0;
  uint32_t AvgBytesPerSec = 0;
  uint16_t BlockAlign = 0;
  uint16_t BitsPerSample = 0;
  uint16_t ExtraSize = 0;

  friend bool operator==(const TWaveFormat&, const TWaveFormat&) = default;
};

// What every consumer of decoded sound asks for: PCM, stereo, 44100 Hz, 16 bits.
constexpr TWaveFormat StandardWaveFormat() { return {kWaveFormatPcm, 2, 44100, 176400, 4, 16, 0}; }

// A PCM format of the given shape, its block alignment and byte rate worked out.
constexpr TWaveFormat PcmWaveFormat(uint16_t channels, uint32_t samples_per_sec, uint16_t bits) {
  const auto block = static_cast<uint16_t>(channels * (bits / 8));
  return {kWaveFormatPcm, channels, samples_per_sec, samples_per_sec * block, block, bits, 0};
}

// The byte position of a time in the standard stream, always on a whole sample frame.
inline int64_t MsToStandardBytes(double ms) { return static_cast<int64_t>(std::floor(ms * 176400 / 4000)) * 4; }

}  // namespace orv
