#include "audio/mpeg_header.h"

namespace orv {
namespace {

// kbps by bit rate index 1..14 (index 0 is free format, 15 is invalid).
constexpr uint16_t kMpeg1BitRates[3][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
};
constexpr uint16_t kMpeg2BitRates[3][15] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};
constexpr uint32_t kMpeg1SampleRates[3] = {44100, 48000, 32000};

constexpr uint32_t kReservedIndex = 3;
constexpr uint32_t kSingleChannelMode = 3;
constexpr uint32_t kReservedEmphasis = 2;

std::optional<TMpegVersion> VersionOf(uint32_t bits) {
  switch (bits) {
    case 0: return TMpegVersion::Mpeg25;
    case 2: return TMpegVersion::Mpeg2;
    case 3: return TMpegVersion::Mpeg1;
    default: return std::nullopt;
  }
}

uint32_t SampleRateOf(TMpegVersion version, uint32_t index) {
  const uint32_t divisor = version == TMpegVersion::Mpeg1 ? 1 : version == TMpegVersion::Mpeg2 ? 2 : 4;
  return kMpeg1SampleRates[index] / divisor;
}

uint32_t SamplesPerFrameOf(TMpegVersion version, uint32_t layer) {
  if (layer == 1) return 384;
  if (layer == 3 && version != TMpegVersion::Mpeg1) return 576;
  return 1152;
}

uint32_t FrameLengthOf(const TMpegFrameHeader& header, bool padded) {
  // Layer 1 counts in four-byte slots, the others in bytes.
  if (header.Layer == 1) return (12 * header.BitRate * 1000 / header.SampleRate + padded) * 4;
  return header.SamplesPerFrame / 8 * header.BitRate * 1000 / header.SampleRate + padded;
}

}  // namespace

std::optional<TMpegFrameHeader> ParseMpegHeader(const uint8_t* bytes) noexcept {
  const uint32_t word = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
  if ((word >> 21) != 0x7FF) return std::nullopt;
  const std::optional<TMpegVersion> version = VersionOf((word >> 19) & 3);
  const uint32_t layer_bits = (word >> 17) & 3;
  const uint32_t bit_rate_index = (word >> 12) & 15;
  const uint32_t rate_index = (word >> 10) & 3;
  if (!version || layer_bits == 0 || bit_rate_index == 0 || bit_rate_index == 15 || rate_index == kReservedIndex ||
      (word & 3) == kReservedEmphasis)
    return std::nullopt;
  TMpegFrameHeader header{};
  header.Version = *version;
  header.Layer = static_cast<uint8_t>(4 - layer_bits);
  header.SingleChannel = ((word >> 6) & 3) == kSingleChannelMode;
  const auto& rates = header.Version == TMpegVersion::Mpeg1 ? kMpeg1BitRates : kMpeg2BitRates;
  header.BitRate = rates[header.Layer - 1][bit_rate_index];
  header.SampleRate = SampleRateOf(header.Version, rate_index);
  header.SamplesPerFrame = SamplesPerFrameOf(header.Version, header.Layer);
  header.Length = FrameLengthOf(header, (word >> 9) & 1);
  return header;
}

}  // namespace orv
