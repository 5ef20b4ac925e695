// Converts PCM between shapes and rates: 8-bit unsigned, 16, 24 and 32-bit integer or
// 32-bit float input with 1, 2 or 6 channels, to 16 or 8-bit output with 1 or 2 channels
// at any rate, by three-point (quadratic Lagrange) interpolation.
//
// The last two input frames and the read position are kept between calls, so a sound fed
// block by block comes out as if it had been converted in one piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/local_buffer.h"
#include "audio/wave_format.h"

namespace orv {

class TPcmResampler {
 public:
  // Raises EConvertError when the source or the target is of a shape it does not convert.
  // `channel_mask` tells which speaker each channel of a 6-channel source feeds.
  TPcmResampler(const TWaveFormat& source, const TWaveFormat& target, uint32_t channel_mask = 0);

  static bool CanRead(const TWaveFormat& source);
  static bool CanWrite(const TWaveFormat& target);

  // Converts `count` bytes of source frames and appends the result to `output`. A frame cut
  // at the end of the bytes is completed by the next call.
  void Process(const uint8_t* bytes, size_t count, TLocalBuffer& output);
  // The sound has ended: delivers the output that waited for input past the last frame.
  void Finish(TLocalBuffer& output);
  // Forgets the history: the next input starts a new piece of sound.
  void Reset();

 private:
  enum class TSampleKind { U8, S16, S24, S32, F32 };
  using TFrameReader = void (*)(const uint8_t* bytes, size_t frames, const float* fold, float* pairs);

  static TFrameReader ReaderFor(TSampleKind kind, int channels);
  void SetFoldWeights(uint32_t channel_mask);
  // Interpolates the output frames that fall before each of the given stereo frames.
  void Interpolate(const float* pairs, size_t frames, TLocalBuffer& output);
  void ProcessFrames(const uint8_t* bytes, size_t frames, TLocalBuffer& output);

  TWaveFormat FSource;
  TWaveFormat FTarget;
  TFrameReader FReader;
  size_t FTargetFrameBytes;
  // Six-channel sources: the share of each channel in the left, then the right output.
  float FFold[12] = {};

  // The two stereo frames before the next input frame, oldest first.
  float FHistory[4] = {};
  // Where the next output frame lies relative to the next input frame, in input frames
  // times the output rate (negative: before it). Kept in integers so long sounds do not
  // drift.
  int64_t FPhase = 0;
  std::vector<uint8_t> FCarry;
  std::vector<float> FPairs;
};

}  // namespace orv
