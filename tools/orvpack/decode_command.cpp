// orvpack decode FILE OUT.wav [--from MS] [--to MS]: a sound file decoded as the player
// decodes it (probe, converter, standard output format), written as 44100 Hz 16-bit stereo
// WAV. A file that cannot be decoded leaves no output behind.
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

#include "audio/audio_decoders.h"
#include "audio/converter_factory.h"
#include "audio/decoder_library.h"
#include "audio/media_probe.h"
#include "base/program_path.h"
#include "command.h"
#include "video/media_library.h"

namespace orv::orvpack {
namespace {

struct TDecodeArgs {
  std::string Input;
  std::string Output;
  double From = 0;
  std::optional<double> To;
};

std::optional<double> ParseMs(const std::string& text) {
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !(value >= 0)) return std::nullopt;
  return value;
}

std::optional<TDecodeArgs> ParseDecodeArgs(const Args& args) {
  TDecodeArgs parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const bool is_from = args[i] == "--from";
    if (is_from || args[i] == "--to") {
      const std::optional<double> value = i + 1 < args.size() ? ParseMs(args[++i]) : std::nullopt;
      if (!value) return std::nullopt;
      if (is_from)
        parsed.From = *value;
      else
        parsed.To = *value;
    } else if (parsed.Input.empty()) {
      parsed.Input = args[i];
    } else if (parsed.Output.empty()) {
      parsed.Output = args[i];
    } else {
      return std::nullopt;
    }
  }
  if (parsed.Output.empty() || (parsed.To && *parsed.To < parsed.From)) return std::nullopt;
  return parsed;
}

// The WAV file being written: a hidden file beside the output, put in its place by Commit
// and removed when the decode fails.
class TWavOutput {
 public:
  static constexpr int64_t kMaxDataBytes = std::numeric_limits<uint32_t>::max() - 36;

  explicit TWavOutput(const std::string& path) : FPath(path) {
    const std::filesystem::path target(path);
    std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int handle = mkstemp(pattern.data());
    if (handle < 0) throw EFileError("Cannot write beside " + path + ": " + std::strerror(errno));
    close(handle);
    FTempPath = pattern;
    try {
      FFile = std::make_unique<TFileStream>(FTempPath, TFileMode::Create);
      WriteHeader();
    } catch (...) {
      std::remove(FTempPath.c_str());
      throw;
    }
  }
  ~TWavOutput() {
    FFile.reset();
    if (!FTempPath.empty()) std::remove(FTempPath.c_str());
  }

  void Write(const uint8_t* bytes, size_t count) {
    if (FDataBytes + static_cast<int64_t>(count) > kMaxDataBytes) throw EFileError("The sound is too long for a WAV file");
    FFile->WriteBuffer(bytes, count);
    FDataBytes += static_cast<int64_t>(count);
  }

  void Commit() {
    WriteHeader();
    FFile->Flush();
    FFile.reset();
    std::filesystem::rename(FTempPath, FPath);
    FTempPath.clear();
  }

 private:
  void WriteHeader() {
    const TWaveFormat format = StandardWaveFormat();
    uint8_t header[44];
    const auto put32 = [&](size_t at, uint32_t value) {
      for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    const auto put16 = [&](size_t at, uint16_t value) {
      header[at] = static_cast<uint8_t>(value);
      header[at + 1] = static_cast<uint8_t>(value >> 8);
    };
    std::memcpy(header, "RIFF", 4);
    put32(4, static_cast<uint32_t>(36 + FDataBytes));
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, format.FormatTag);
    put16(22, format.Channels);
    put32(24, format.SamplesPerSec);
    put32(28, format.AvgBytesPerSec);
    put16(32, format.BlockAlign);
    put16(34, format.BitsPerSample);
    std::memcpy(header + 36, "data", 4);
    put32(40, static_cast<uint32_t>(FDataBytes));
    FFile->SetPosition(0);
    FFile->WriteBuffer(header, sizeof header);
    FFile->Seek(0, TSeekOrigin::End);
  }

  std::string FPath;
  std::string FTempPath;
  std::unique_ptr<TFileStream> FFile;
  int64_t FDataBytes = 0;
};

// Copies the converter's sound to the output until `limit` bytes or the end of the data.
void CopySound(TWavConverter& converter, int64_t limit, TWavOutput& output) {
  constexpr size_t kBlock = 256 * 1024;
  for (int64_t written = 0; written < limit;) {
    converter.Fill(kBlock);
    const size_t sound = std::min<int64_t>(converter.SoundBytes(), limit - written);
    output.Write(converter.Output().Data(), sound);
    written += static_cast<int64_t>(sound);
    if (converter.SoundBytes() < kBlock) return;
    converter.Output().Clear();
  }
}

// The folder Common/ lies beside: the program's own when installed beside the player,
// its parent in the build tree (tools/orvpack/).
std::string LibraryBaseFolder() {
  const std::string parent = ProgramFolder() + "../";
  return std::filesystem::exists(parent + kMediaLibraryPath) ? parent : ProgramFolder();
}

// The libraries the player loads from Common/ beside its folder, for Ogg, WMA and the
// rest. Loading FFmpeg takes longer than decoding a short file, so it only happens for
// files the built-in decoders do not read.
void LoadLibraries() {
  const std::string folder = LibraryBaseFolder();
  LoadDecoderLibraries(folder);
  LoadSharedMediaLibrary(folder + kMediaLibraryPath);
}

int Fail(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "orvpack decode: %s: %s\n", file.c_str(), reason.c_str());
  return kExitBadInput;
}

}  // namespace

int RunDecode(const Args& args) {
  const std::optional<TDecodeArgs> parsed = ParseDecodeArgs(args);
  if (!parsed) {
    std::fprintf(stderr, "usage: orvpack decode FILE OUT.wav [--from MS] [--to MS]\n");
    return kExitBadInput;
  }
  InstallAudioDecoders();
  StreamPtr stream;
  try {
    stream = std::make_unique<TFileStream>(parsed->Input, TFileMode::OpenRead);
  } catch (const EFileError& error) {
    return Fail(parsed->Input, error.what());
  }
  TMediaInfo info;
  std::string reason;
  if (!ProbeMedia(*stream, parsed->Input, info, &reason)) {
    LoadLibraries();
    if (!ProbeMedia(*stream, parsed->Input, info, &reason)) return Fail(parsed->Input, reason);
  }
  Ref<TWavConverter> converter = CreateConverter(std::move(stream), parsed->Input, info);
  if (!converter) return Fail(parsed->Input, "no decoder could open this kind of sound");
  converter->SetOutputFormat(StandardWaveFormat());
  converter->Seek(parsed->From);
  const int64_t limit = parsed->To ? MsToStandardBytes(*parsed->To) - MsToStandardBytes(parsed->From)
                                   : std::numeric_limits<int64_t>::max();
  TWavOutput output(parsed->Output);
  CopySound(*converter, limit, output);
  output.Commit();
  return kExitOk;
}

}  // namespace orv::orvpack
