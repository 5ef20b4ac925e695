#include "sound_output.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "audio/wave_format.h"

namespace orv::orvpack {
namespace {

std::optional<double> ParseMs(const std::string& text) {
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !(value >= 0)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<TSoundRangeArgs> ParseSoundRangeArgs(const Args& args) {
  TSoundRangeArgs parsed;
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

TWavOutput::TWavOutput(const std::string& path) : FPath(path) {
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

TWavOutput::~TWavOutput() {
  FFile.reset();
  if (!FTempPath.empty()) std::remove(FTempPath.c_str());
}

void TWavOutput::Write(const uint8_t* bytes, size_t count) {
  if (FDataBytes + static_cast<int64_t>(count) > kMaxDataBytes) throw EFileError("The sound is too long for a WAV file");
  FFile->WriteBuffer(bytes, count);
  FDataBytes += static_cast<int64_t>(count);
}

void TWavOutput::Commit() {
  WriteHeader();
  FFile->Flush();
  FFile.reset();
  std::filesystem::rename(FTempPath, FPath);
  FTempPath.clear();
}

void TWavOutput::WriteHeader() {
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

}  // namespace orv::orvpack
