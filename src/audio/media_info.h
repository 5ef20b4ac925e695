// What the media probe learns about a sound file, and what the factory and the converters
// work from.
#pragma once

#include <array>
#include <cstdint>

#include "audio/wave_format.h"

namespace orv {

enum class TMediaType {
  None = 0,
  WavPcm = 1,
  WavAdpcm = 2,
  WavFloat = 3,
  Mpeg = 4,
  Wma = 5,
  Ogg = 6,
  Composite = 9,
  MediaLibrary = 10,
};

struct TMediaInfo {
  // Byte position of the first audio byte in the stream, and the number of audio bytes.
  int64_t DataOffset = 0;
  int64_t DataSize = 0;
  int64_t DurationMs = 0;

  // MPEG only: bit rate in kbps (for MPEG inside a WAV file, the WAV's rate before the
  // probe), frame length in bytes, length of a frame and the number of the first frame.
  uint32_t BitRate = 0;
  uint32_t FrameLength = 0;
  double MsPerFrame = 0;
  int64_t FirstFrame = 0;

  TMediaType Type = TMediaType::None;
  // The format of the samples in the file (for decoded kinds, what the decoder delivers).
  TWaveFormat Format;
  // Which speaker each channel feeds (WAVE_FORMAT_EXTENSIBLE's mask); 0 when the file
  // does not say.
  uint32_t ChannelMask = 0;
  // Microsoft ADPCM: the 32 bytes of the format extension after its samples-per-block
  // field (the coefficient count, then the coefficient pairs).
  std::array<uint8_t, 32> AdpcmCoefficients{};
  // A variable-bit-rate header (Xing, VBRI) was found.
  bool Vbr = false;
};

}  // namespace orv
