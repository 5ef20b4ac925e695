// Opening and decoding sound files as the player does, for the decoder tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio_decoders.h"
#include "audio/converter_factory.h"
#include "audio/media_probe.h"

namespace orv::test {

inline TMediaInfo Probe(const std::string& path) {
  InstallAudioDecoders();
  TFileStream stream(path, TFileMode::OpenRead);
  TMediaInfo info;
  ProbeMedia(stream, path, info);
  return info;
}

// The converter of the file, delivering the standard format; null when it does not open.
inline Ref<TWavConverter> OpenConverter(const std::string& path) {
  const TMediaInfo info = Probe(path);
  Ref<TWavConverter> converter = CreateConverter(std::make_unique<TFileStream>(path, TFileMode::OpenRead), path, info);
  if (converter) converter->SetOutputFormat(StandardWaveFormat());
  return converter;
}

// The next `frames` sample frames of the converter's output.
inline std::vector<int16_t> Take(TWavConverter& converter, size_t frames, bool* sound = nullptr) {
  std::vector<int16_t> samples(frames * 2);
  const bool filled = converter.Fill(frames * 4);
  if (sound) *sound = filled;
  converter.Output().Take(frames * 4, samples.data());
  return samples;
}

// Everything the converter delivers up to the end of its data (the last piece may end in
// silence).
inline std::vector<int16_t> DecodeAll(TWavConverter& converter) {
  constexpr size_t kPiece = 8192;
  std::vector<int16_t> all;
  for (bool sound = true; sound;) {
    const std::vector<int16_t> piece = Take(converter, kPiece, &sound);
    all.insert(all.end(), piece.begin(), piece.end());
  }
  return all;
}

}  // namespace orv::test
