// What the decoder libraries (modules/ogg, modules/wma) share: the export mark, the PCM
// format they deliver, and making a decoder that opens its file.
#pragma once

#include <new>

#include "audio/decoder_library_api.h"

#define DECODER_EXPORT extern "C" __attribute__((visibility("default")))

namespace orv::decoders {

inline constexpr int kBytesPerSample = 2;

// Interleaved 16-bit integer PCM.
inline TDecoderWaveFormat Pcm16Format(int channels, int rate) {
  const auto block = uint16_t(channels * kBytesPerSample);
  return {1, uint16_t(channels), uint32_t(rate), uint32_t(rate) * block, block, kBytesPerSample * 8, 0};
}

// A decoder of the given kind (with an Open(stream, callbacks) -> bool, and Output and
// Target fields) whose file opened; null otherwise.
template <class Decoder>
void* NewDecoder(void* stream, const TMediaStreamCallbacks* callbacks, TDecoderOutput output, void* target) {
  if (!output) return nullptr;
  auto* decoder = new (std::nothrow) Decoder;
  if (!decoder) return nullptr;
  decoder->Output = output;
  decoder->Target = target;
  if (decoder->Open(stream, callbacks)) return decoder;
  delete decoder;
  return nullptr;
}

}  // namespace orv::decoders
