// The RIFF/WAVE reader of the media probe. Every size and offset in the header is checked
// against the file, so a damaged or hostile header gives a reason and no record.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/adpcm_decoder.h"
#include "audio/media_probe.h"

namespace orv {
namespace {

constexpr uint16_t kWaveFormatExtensible = 0xFFFE;
constexpr uint32_t kMaxSampleRate = 768000;
// A real file has a handful of chunks; a walk longer than this is a damaged file.
constexpr int kMaxChunks = 65536;
// The "fmt " bytes we look at: the 18-byte record, then the longest extension we read
// (ADPCM: samples per block and 32 coefficient bytes; extensible: 22 bytes).
constexpr size_t kFormatBytes = 18 + 2 + 32;
constexpr size_t kAdpcmHeaderBytesPerChannel = 7;

uint16_t Le16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }
uint32_t Le32(const uint8_t* bytes) { return Le16(bytes) | static_cast<uint32_t>(Le16(bytes + 2)) << 16; }

bool Fail(std::string* reason, const std::string& text) {
  if (reason) *reason = text;
  return false;
}

struct TChunk {
  char Id[4];
  uint32_t Size;
  int64_t Body;  // position of the first byte after the header

  bool Is(const char* id) const { return std::memcmp(Id, id, 4) == 0; }
  // Chunks of odd size are followed by a pad byte.
  int64_t Next() const { return Body + Size + (Size & 1); }
};

bool ReadChunk(TStream& stream, int64_t at, TChunk& chunk) {
  uint8_t header[8];
  stream.SetPosition(at);
  if (stream.Read(header, sizeof header) != sizeof header) return false;
  std::memcpy(chunk.Id, header, 4);
  chunk.Size = Le32(header + 4);
  chunk.Body = at + 8;
  return true;
}

// Reads the "fmt " chunk's fields into the record; WAVE_FORMAT_EXTENSIBLE is read as the
// format its sub-format names, keeping its channel mask.
bool ReadFormat(TStream& stream, const TChunk& chunk, TMediaInfo& info, std::string* reason) {
  if (chunk.Size < 16) return Fail(reason, "the format chunk is too short");
  uint8_t bytes[kFormatBytes] = {};
  const size_t wanted = std::min<size_t>(chunk.Size, kFormatBytes);
  stream.SetPosition(chunk.Body);
  if (stream.Read(bytes, wanted) != wanted) return Fail(reason, "the format chunk is cut short");
  TWaveFormat& format = info.Format;
  format = {Le16(bytes), Le16(bytes + 2), Le32(bytes + 4), Le32(bytes + 8), Le16(bytes + 12), Le16(bytes + 14), 0};
  const size_t extension = chunk.Size >= 18 ? std::min<size_t>(Le16(bytes + 16), chunk.Size - 18) : 0;
  format.ExtraSize = static_cast<uint16_t>(extension);
  if (format.FormatTag == kWaveFormatExtensible) {
    if (extension < 22) return Fail(reason, "the extensible format chunk is too short");
    info.ChannelMask = Le32(bytes + 20);
    format.FormatTag = Le16(bytes + 24);
  }
  if (format.FormatTag == kWaveFormatAdpcm && extension > 2)
    std::memcpy(info.AdpcmCoefficients.data(), bytes + 20, std::min<size_t>(extension - 2, 32));
  return true;
}

bool CheckPcmFormat(TWaveFormat& format, std::string* reason) {
  const bool integer = format.FormatTag == kWaveFormatPcm;
  const uint16_t bits = format.BitsPerSample;
  if (integer ? (bits != 8 && bits != 16 && bits != 24 && bits != 32) : bits != 32)
    return Fail(reason, "unsupported sample size of " + std::to_string(bits) + " bits");
  if (format.Channels != 1 && format.Channels != 2 && format.Channels != 6)
    return Fail(reason, "unsupported channel count " + std::to_string(format.Channels));
  if (format.BlockAlign != format.Channels * bits / 8) return Fail(reason, "the block alignment does not match the samples");
  // The rate in the header is only a hint; for PCM the true rate follows from the shape.
  format.AvgBytesPerSec = format.SamplesPerSec * format.BlockAlign;
  return true;
}

bool CheckAdpcmFormat(const TWaveFormat& format, std::string* reason) {
  if (format.Channels != 1 && format.Channels != 2)
    return Fail(reason, "unsupported ADPCM channel count " + std::to_string(format.Channels));
  if (format.BlockAlign <= kAdpcmHeaderBytesPerChannel * format.Channels)
    return Fail(reason, "the ADPCM block alignment is too small");
  if (format.AvgBytesPerSec == 0) return Fail(reason, "the bytes per second are zero");
  return true;
}

bool CheckFormat(TMediaInfo& info, std::string* reason) {
  TWaveFormat& format = info.Format;
  if (format.Channels == 0) return Fail(reason, "the file has no channels");
  if (format.SamplesPerSec == 0 || format.SamplesPerSec > kMaxSampleRate)
    return Fail(reason, "the sample rate " + std::to_string(format.SamplesPerSec) + " is out of range");
  if (format.BlockAlign == 0) return Fail(reason, "the block alignment is zero");
  switch (format.FormatTag) {
    case kWaveFormatPcm:
      info.Type = TMediaType::WavPcm;
      return CheckPcmFormat(format, reason);
    case kWaveFormatIeeeFloat:
      info.Type = TMediaType::WavFloat;
      return CheckPcmFormat(format, reason);
    case kWaveFormatAdpcm:
      info.Type = TMediaType::WavAdpcm;
      return CheckAdpcmFormat(format, reason);
    case kWaveFormatMpegLayer3:
      info.Type = TMediaType::Mpeg;
      return true;
    default:
      return Fail(reason, "unsupported format tag " + std::to_string(format.FormatTag));
  }
}

// Sample frames in `size` bytes of Microsoft ADPCM: whole blocks, and a cut last block.
int64_t AdpcmFrames(const TWaveFormat& format, int64_t size) {
  const auto frames_in = [&](int64_t block) { return static_cast<int64_t>(AdpcmFramesInBlock(block, format.Channels)); };
  return size / format.BlockAlign * frames_in(format.BlockAlign) + frames_in(size % format.BlockAlign);
}

// Fills size and duration from the "data" chunk; for MPEG data, hands over to its probe.
bool ReadData(TStream& stream, const TChunk& chunk, int64_t file_size, TMediaInfo& info, std::string* reason) {
  const int64_t available = std::max<int64_t>(file_size - chunk.Body, 0);
  // Writers that stream a file leave the size at 0 or at all ones: the data runs to the end.
  const bool streamed = chunk.Size == 0 || chunk.Size == 0xFFFFFFFF;
  info.DataOffset = chunk.Body;
  info.DataSize = streamed ? available : std::min<int64_t>(chunk.Size, available);
  const TWaveFormat& format = info.Format;
  switch (info.Type) {
    case TMediaType::Mpeg:
      info.BitRate = format.AvgBytesPerSec * 8 / 1000;
      if (RunMediaProber(TProbeFamily::Mpeg, stream, std::string(), info)) return true;
      return Fail(reason, "the MPEG data in the WAV file cannot be read");
    case TMediaType::WavAdpcm:
      info.DurationMs = std::llround(AdpcmFrames(format, info.DataSize) * 1000.0 / format.SamplesPerSec);
      return true;
    default:
      info.DataSize -= info.DataSize % format.BlockAlign;
      info.DurationMs = std::llround(info.DataSize * 1000.0 / format.AvgBytesPerSec);
      return true;
  }
}

}  // namespace

bool ProbeWav(TStream& stream, TMediaInfo& info, std::string* reason) {
  info = TMediaInfo{};
  const int64_t file_size = stream.Size();
  uint8_t header[12];
  stream.SetPosition(0);
  if (stream.Read(header, sizeof header) != sizeof header || std::memcmp(header, "RIFF", 4) != 0 ||
      std::memcmp(header + 8, "WAVE", 4) != 0)
    return Fail(reason, "not a RIFF/WAVE file");
  bool have_format = false;
  TChunk chunk;
  int64_t at = sizeof header;
  for (int count = 0; count < kMaxChunks && ReadChunk(stream, at, chunk); ++count, at = chunk.Next()) {
    if (chunk.Is("fmt ")) {
      if (!ReadFormat(stream, chunk, info, reason) || !CheckFormat(info, reason)) return false;
      have_format = true;
    } else if (chunk.Is("data")) {
      if (!have_format) return Fail(reason, "the data chunk comes before the format chunk");
      return ReadData(stream, chunk, file_size, info, reason);
    }
  }
  return Fail(reason, have_format ? "the file has no data chunk" : "the file has no format chunk");
}

}  // namespace orv
