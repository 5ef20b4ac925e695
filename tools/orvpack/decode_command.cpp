// orvpack decode FILE OUT.wav [--from MS] [--to MS]: a sound file decoded as the player
// decodes it (probe, converter, standard output format), written as 44100 Hz 16-bit stereo
// WAV. A file that cannot be decoded leaves no output behind.
#include <algorithm>
#include <cstdio>
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
#include "sound_output.h"

namespace orv::orvpack {
namespace {

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
  const std::optional<TSoundRangeArgs> parsed = ParseSoundRangeArgs(args);
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
