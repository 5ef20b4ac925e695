// The converter of Microsoft ADPCM WAV files: decodes whole blocks into 16-bit PCM of the
// file's rate and channels, then hands it on like PCM. A block that cannot be decoded is
// heard as silence of its length.
#pragma once

#include <vector>

#include "audio/adpcm_decoder.h"
#include "audio/audio_converter.h"

namespace orv {

class TAdpcmConverter : public TWavConverter {
 public:
  using TWavConverter::TWavConverter;

  bool Open(const TMediaInfo& info) override;
  // Lands on the exact sample: decoding starts at the block that holds it and the frames
  // before it are dropped.
  void Seek(double ms) override;

 protected:
  bool Convert() override;

 private:
  TAdpcmCoefficients FCoefficients;
  size_t FFramesPerBlock = 0;
  // Frames still to drop after a seek.
  size_t FSkipFrames = 0;
  std::vector<int16_t> FSamples;
};

}  // namespace orv
