#include "audio/adpcm_converter.h"

#include <algorithm>

namespace orv {
namespace {

// Bytes read at once: whole blocks.
constexpr size_t kRawBlockBytes = 2048;

}  // namespace

bool TAdpcmConverter::Open(const TMediaInfo& info) {
  MutableInfo() = info;
  const TWaveFormat& source = info.Format;
  FFramesPerBlock = AdpcmFramesInBlock(source.BlockAlign, source.Channels);
  if (!HasStream() || source.SamplesPerSec == 0 || FFramesPerBlock == 0) return false;
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
  const int64_t target = FrameAt(ms, format.SamplesPerSec, frames);
  const int64_t block = target / static_cast<int64_t>(FFramesPerBlock);
  Restart(block * format.BlockAlign, target * 1000.0 / format.SamplesPerSec);
  FSkipFrames = static_cast<size_t>(target - block * static_cast<int64_t>(FFramesPerBlock));
}

bool TAdpcmConverter::Convert() {
  const int channels = Info().Format.Channels;
  const size_t block_bytes = Info().Format.BlockAlign;
  for (size_t at = 0; at < Raw().Size(); at += block_bytes) {
    const size_t bytes = std::min(block_bytes, Raw().Size() - at);
    const size_t frames = AdpcmFramesInBlock(bytes, channels);
    FSamples.resize(frames * channels);
    // A block that cannot be decoded is heard as silence of its length, so what follows
    // stays in time.
    if (!DecodeAdpcmBlock(Raw().Data() + at, bytes, channels, FCoefficients, FSamples.data()))
      std::fill(FSamples.begin(), FSamples.end(), 0);
    const size_t skipped = std::min(FSkipFrames, frames);
    FSkipFrames -= skipped;
    AppendPcm(reinterpret_cast<const uint8_t*>(FSamples.data() + skipped * channels),
              (frames - skipped) * channels * sizeof(int16_t));
  }
  Raw().Clear();
  return true;
}

}  // namespace orv
