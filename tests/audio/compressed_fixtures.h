// What the tests of the compressed kinds add to audio_fixtures.h: comparisons that allow
// for a decoder's start delay, ffmpeg's reference of mono kept at full level, and file
// bytes.
#pragma once

#include <fstream>

#include "audio_fixtures.h"

namespace orv::test {

// Twelve seconds of stereo whose two channels glide in pitch, so that a shifted piece
// never matches another place.
inline constexpr const char* kChirp =
    "-f lavfi -i \"aevalsrc=0.5*sin(2*PI*(300+40*t)*t)|0.4*sin(2*PI*(500-20*t)*t):s=44100:d=12\" ";

// ffmpeg's decode as stereo; ffmpeg lowers mono by 3 dB when it makes stereo of it, so
// `mono` copies the channel as it is, as the player does.
inline std::vector<int16_t> FfmpegStereo(const std::string& path, bool mono) {
  if (!mono) return FfmpegDecode(path, 2);
  return ToSamples(OutputOf("ffmpeg -hide_banner -loglevel error -nostdin -i '" + path +
                            "' -af 'pan=stereo|c0=c0|c1=c0' -f s16le -ar 44100 -ac 2 -"));
}

// `ours` from sample frame `lag` on.
inline std::vector<int16_t> From(const std::vector<int16_t>& ours, size_t lag) {
  return std::vector<int16_t>(ours.begin() + ptrdiff_t(std::min(ours.size(), lag * 2)), ours.end());
}

// The lag (in sample frames, 0 to `most`) at which `ours` best follows `reference`,
// judged over the first `window` frames.
inline size_t BestLag(const std::vector<int16_t>& ours, const std::vector<int16_t>& reference, size_t most,
                      size_t window = 8820) {
  size_t best = 0;
  double best_error = INFINITY;
  for (size_t lag = 0; lag <= most && lag * 2 < ours.size(); ++lag) {
    const size_t count = std::min({window * 2, reference.size(), ours.size() - lag * 2});
    double error = 0;
    for (size_t i = 0; i < count; ++i) error += std::fabs(double(ours[i + lag * 2]) - reference[i]);
    if (count > 0 && error / double(count) < best_error) {
      best_error = error / double(count);
      best = lag;
    }
  }
  return best;
}

// The next `frames` sample frames of the converter's output.
inline std::vector<int16_t> Take(TWavConverter& converter, size_t frames) {
  std::vector<int16_t> samples(frames * 2);
  converter.Fill(frames * 4);
  converter.Output().Take(frames * 4, samples.data());
  return samples;
}

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace orv::test
