#include "audio/adpcm_converter.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

// Bytes read at once: whole blocks.
constexpr size_t kRawBlockBytes = 2048;

}  // namespace

bool TAdpcmConverter::Open(const TMediaInfo& info) {
  MutableInfo() = info;
  const TWaveFormat& source = info.Format;
  FFramesPerBlock = AdpcmFramesInBlock(source.BlockAlign, source.Channels);
  if (!HasStream() || source.SamplesPerSec == 0 || (source.Channels != 1 && source.Channels != 2) ||
      FFramesPerBlock == 0)
    return false;
  FCoefficients = AdpcmCoefficientsOf(info);
  FRawBlockSize = std::max<size_t>(kRawBlockBytes / source.BlockAlign, 1) * source.BlockAlign;
  const TWaveFormat decoded = PcmWaveFormat(source.Channels, source.SamplesPerSec, 16);
  SetDecodedFormat(decoded);
  SetOutputFormat(decoded);
  Seek(0);
  return true;
}

void TAdpcmConverter::Seek(double ms) {
  const TWaveFormat& format = Info().Format;
  const int64_t frames = Info().DataSize / format.BlockAlign * static_cast<int64_t>(FFramesPerBlock) +
                         static_cast<int64_t>(AdpcmFramesInBlock(Info().DataSize % format.BlockAlign, format.Channels));
  const double frame = std::isnan(ms) ? 0 : std::clamp(std::round(ms * format.SamplesPerSec / 1000), 0.0,
                                                       static_cast<double>(frames));
  const auto target = static_cast<int64_t>(frame);
  const int64_t block = target / static_cast<int64_t>(FFramesPerBlock);
  Restart(block * format.BlockAlign, frame * 1000 / format.SamplesPerSec);
  FSkipFrames = static_cast<size_t>(target - block * static_cast<int64_t>(FFramesPerBlock));
}

bool TAdpcmConverter::Convert() {
  const int channels = Info().Format.Channels;
  const size_t block_bytes = Info().Format.BlockAlign;
  bool intact = true;
  for (size_t at = 0; at < Raw().Size() && intact; at += block_bytes) {
    const size_t bytes = std::min(block_bytes, Raw().Size() - at);
    const size_t frames = AdpcmFramesInBlock(bytes, channels);
    FSamples.resize(frames * channels);
    intact = DecodeAdpcmBlock(Raw().Data() + at, bytes, channels, FCoefficients, FSamples.data());
    const size_t skipped = std::min(FSkipFrames, frames);
    FSkipFrames -= skipped;
    if (intact)
      AppendPcm(reinterpret_cast<const uint8_t*>(FSamples.data() + skipped * channels),
                (frames - skipped) * channels * sizeof(int16_t));
  }
  Raw().Clear();
  return intact;
}

}  // namespace orv
