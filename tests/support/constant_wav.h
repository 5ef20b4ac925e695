// The bytes of a WAV file made in a test: 16-bit stereo at 44100 Hz, every sample one value,
// so that what a mix makes of it can be checked sample by sample.
#pragma once

#include <cstdint>
#include <string>

namespace orv::test {

inline std::string ConstantWav(int16_t value, int64_t frames) {
  const auto data = static_cast<uint32_t>(frames * 4);
  std::string wav;
  const auto put = [&wav](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) wav += static_cast<char>(v >> (8 * i));
  };
  wav += "RIFF";
  put(36 + data, 4);
  wav += "WAVEfmt ";
  put(16, 4);
  put(1, 2);       // PCM
  put(2, 2);       // stereo
  put(44100, 4);
  put(176400, 4);  // bytes per second
  put(4, 2);       // block
  put(16, 2);      // bits
  wav += "data";
  put(data, 4);
  for (uint32_t i = 0; i < data / 2; ++i) put(static_cast<uint16_t>(value), 2);
  return wav;
}

}  // namespace orv::test
