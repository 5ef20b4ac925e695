// Sound files made at test time by the ffmpeg program in a folder of their own, the
// reference decoding of each by ffmpeg, and the comparisons the decoder tests share.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace orv::test {

namespace fs = std::filesystem;

class TSoundFolder {
 public:
  explicit TSoundFolder(const std::string& name)
      : FFolder(fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
    fs::create_directories(FFolder);
  }
  ~TSoundFolder() {
    std::error_code ignored;
    fs::remove_all(FFolder, ignored);
  }

  std::string PathOf(const std::string& name) const { return (FFolder / name).string(); }

  // Runs ffmpeg with `arguments` writing `name`; false when it fails.
  bool Make(const std::string& name, const std::string& arguments) const {
    return Run("ffmpeg -hide_banner -loglevel error -nostdin -y " + arguments + " '" + PathOf(name) + "'");
  }

  // ffmpeg's decoding of `name` as 16-bit stereo at 44100 Hz. ffmpeg lowers mono by 3 dB
  // when it makes stereo of it; `mono` copies the channel as it is, as the player does.
  std::vector<int16_t> Reference(const std::string& name, bool mono = false) const {
    const std::string raw = PathOf(name + ".ref.raw");
    const std::string filter = mono ? "-af 'pan=stereo|c0=c0|c1=c0' " : "";
    if (!Run("ffmpeg -hide_banner -loglevel error -nostdin -y -i '" + PathOf(name) + "' " + filter +
             "-f s16le -ar 44100 -ac 2 '" + raw + "'"))
      return {};
    const std::string bytes = Bytes(name + ".ref.raw");
    std::vector<int16_t> samples(bytes.size() / 2);
    std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<char*>(samples.data()));
    return samples;
  }

  // ffprobe's duration of the file in ms; negative when it cannot tell.
  double ProbedDurationMs(const std::string& name) const {
    const std::string command =
        "ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + PathOf(name) + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    double seconds = -1;
    if (std::fscanf(pipe, "%lf", &seconds) != 1) seconds = -1;
    ::pclose(pipe);
    return seconds * 1000;
  }

  std::string Bytes(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary) << bytes;
  }

 private:
  static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

  fs::path FFolder;
};

// How closely `ours` follows `reference` (interleaved stereo), in dB, over the samples
// both have; `ours` may start `lag` sample frames later than the reference.
inline double SignalToNoiseDb(const std::vector<int16_t>& ours, const std::vector<int16_t>& reference, size_t lag = 0) {
  const size_t offset = lag * 2;
  if (ours.size() <= offset) return -1000;
  const size_t count = std::min(ours.size() - offset, reference.size());
  double signal = 0, noise = 0;
  for (size_t i = 0; i < count; ++i) {
    const double wanted = reference[i];
    const double error = double(ours[i + offset]) - wanted;
    signal += wanted * wanted;
    noise += error * error;
  }
  return 10 * std::log10((signal + 1) / (noise + 1));
}

// The lag (in sample frames, 0 to `most`) at which `ours` best follows `reference`,
// judged over the first `window` frames.
inline size_t BestLag(const std::vector<int16_t>& ours, const std::vector<int16_t>& reference, size_t most,
                      size_t window = 8820) {
  size_t best = 0;
  double best_error = INFINITY;
  for (size_t lag = 0; lag <= most; ++lag) {
    const size_t offset = lag * 2;
    const size_t count = std::min({window * 2, reference.size(), ours.size() > offset ? ours.size() - offset : 0});
    if (count == 0) break;
    double error = 0;
    for (size_t i = 0; i < count; ++i) error += std::fabs(double(ours[i + offset]) - reference[i]);
    if (error / double(count) < best_error) {
      best_error = error / double(count);
      best = lag;
    }
  }
  return best;
}

}  // namespace orv::test
