// MPEG audio frame headers (layers 1-3 of MPEG 1, 2 and 2.5): what one four-byte header
// says about its frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace orv {

enum class TMpegVersion : uint8_t { Mpeg1, Mpeg2, Mpeg25 };

struct TMpegFrameHeader {
  TMpegVersion Version;
  uint8_t Layer;  // 1, 2 or 3
  bool SingleChannel;
  uint32_t BitRate;     // kbps
  uint32_t SampleRate;  // Hz
  uint32_t Length;      // bytes of the whole frame, header and padding included
  uint32_t SamplesPerFrame;

  double MsPerFrame() const noexcept { return SamplesPerFrame * 1000.0 / SampleRate; }
  uint16_t Channels() const noexcept { return SingleChannel ? 1 : 2; }
  // Whether another header belongs to the same stream (same version, layer and rate).
  bool SameStream(const TMpegFrameHeader& other) const noexcept {
    return Version == other.Version && Layer == other.Layer && SampleRate == other.SampleRate;
  }
};

// The longest frame there is: layer 2 at 384 kbps and 32000 Hz, padded.
inline constexpr size_t kMaxMpegFrameLength = 1729;
inline constexpr size_t kMpegHeaderSize = 4;

// The header at `bytes` (at least four of them); none when the bytes do not form a valid
// header. Free-format frames (bit rate index 0) have no length of their own and count as
// invalid, like the reserved values.
std::optional<TMpegFrameHeader> ParseMpegHeader(const uint8_t* bytes) noexcept;

}  // namespace orv
