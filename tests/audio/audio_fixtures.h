// Shared by the sound decoding tests: WAV files built in code, files and reference decodes
// made by the ffmpeg program, our own decode as the player runs it, and the comparison.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_decoders.h"
#include "audio/converter_factory.h"
#include "audio/media_probe.h"

namespace orv::test {

// A RIFF/WAVE file put together chunk by chunk, so tests can lay chunks out as they like.
class TWavBuilder {
 public:
  // Block alignment and bytes per second follow from the shape unless given.
  TWavBuilder& Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, int block = -1,
                      int64_t bytes_per_second = -1) {
    if (block < 0) block = channels * bits / 8;
    if (bytes_per_second < 0) bytes_per_second = int64_t{rate} * block;
    std::string body;
    Put16(body, tag), Put16(body, channels), Put32(body, rate), Put32(body, static_cast<uint32_t>(bytes_per_second));
    Put16(body, static_cast<uint16_t>(block)), Put16(body, bits);
    return Chunk("fmt ", body);
  }
  // The chunk's size field says `size` when given, whatever the body holds.
  TWavBuilder& Chunk(const char* id, const std::string& body, int64_t size = -1) {
    FChunks += id;
    Put32(FChunks, static_cast<uint32_t>(size < 0 ? body.size() : size));
    FChunks += body;
    if (body.size() % 2) FChunks += '\0';
    return *this;
  }
  TWavBuilder& Samples(const std::vector<int16_t>& samples, int64_t size = -1) {
    return Chunk("data", std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * 2), size);
  }
  std::string Bytes() const {
    std::string file = "RIFF";
    Put32(file, static_cast<uint32_t>(FChunks.size() + 4));
    return file + "WAVE" + FChunks;
  }

  static void Put16(std::string& to, uint16_t value) { to += {char(value & 255), char(value >> 8)}; }
  static void Put32(std::string& to, uint32_t value) {
    Put16(to, static_cast<uint16_t>(value));
    Put16(to, static_cast<uint16_t>(value >> 16));
  }

 private:
  std::string FChunks;
};

// A folder of sound files for one test suite, removed with it.
class TSoundFolder {
 public:
  TSoundFolder()
      : FPath(std::filesystem::temp_directory_path() /
              ("orv_audio_" + std::to_string(::getpid()) + "_" + std::to_string(FCount++))) {
    std::filesystem::create_directories(FPath);
  }
  ~TSoundFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  std::string PathOf(const std::string& name) const { return (FPath / name).string(); }

  // Makes `name` with ffmpeg from its arguments (inputs and codec options).
  std::string Make(const std::string& name, const std::string& arguments) const {
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -nostdin -y " + arguments + " '" + PathOf(name) + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command << " (is the ffmpeg package installed?)";
    return PathOf(name);
  }

 private:
  static inline int FCount = 0;
  std::filesystem::path FPath;
};

// What a program prints on its standard output.
inline std::string OutputOf(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char chunk[65536];
  while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) out.append(chunk, got);
  pclose(pipe);
  return out;
}

inline std::vector<int16_t> ToSamples(const std::string& bytes) {
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// ffmpeg's decode of a file: 16-bit at 44100 Hz with `channels` channels.
inline std::vector<int16_t> FfmpegDecode(const std::string& path, int channels) {
  return ToSamples(OutputOf("ffmpeg -hide_banner -loglevel error -nostdin -i '" + path +
                            "' -f s16le -ar 44100 -ac " + std::to_string(channels) + " -"));
}

// ffprobe's duration of a file, in ms.
inline double FfprobeDurationMs(const std::string& path) {
  return std::atof(OutputOf("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + path + "'").c_str()) *
         1000;
}

// The converter of a file, as the player opens it, delivering the standard format.
inline Ref<TWavConverter> OpenConverter(StreamPtr stream, const std::string& name, TMediaInfo* probed = nullptr) {
  InstallAudioDecoders();
  TMediaInfo info;
  std::string reason;
  if (!ProbeMedia(*stream, name, info, &reason)) {
    ADD_FAILURE() << name << ": " << reason;
    return nullptr;
  }
  if (probed) *probed = info;
  Ref<TWavConverter> converter = CreateConverter(std::move(stream), name, info);
  if (converter) converter->SetOutputFormat(StandardWaveFormat());
  return converter;
}

inline Ref<TWavConverter> OpenConverter(const std::string& path, TMediaInfo* probed = nullptr) {
  return OpenConverter(std::make_unique<TFileStream>(path, TFileMode::OpenRead), path, probed);
}

// Everything the converter delivers from where it stands to the end of the data, asking
// `block` bytes at a time.
inline std::vector<int16_t> DecodeRest(TWavConverter& converter, size_t block = 10000) {
  std::string bytes;
  for (;;) {
    converter.Fill(block);
    bytes.append(reinterpret_cast<const char*>(converter.Output().Data()), converter.SoundBytes());
    if (converter.SoundBytes() < block) return ToSamples(bytes);
    converter.Output().Clear();
  }
}

// Signal to noise of `ours` against `reference` in dB, over their common length.
inline double SignalToNoise(const std::vector<int16_t>& reference, const std::vector<int16_t>& ours) {
  double signal = 0, noise = 0;
  for (size_t i = 0; i < std::min(reference.size(), ours.size()); ++i) {
    signal += double(reference[i]) * reference[i];
    noise += (double(reference[i]) - ours[i]) * (double(reference[i]) - ours[i]);
  }
  return noise == 0 ? INFINITY : 10 * std::log10(signal / noise);
}

// One channel of interleaved stereo.
inline std::vector<int16_t> Channel(const std::vector<int16_t>& stereo, int channel) {
  std::vector<int16_t> samples;
  for (size_t i = channel; i < stereo.size(); i += 2) samples.push_back(stereo[i]);
  return samples;
}

}  // namespace orv::test
