// WAV files of any bytes, opened and decoded as the player does: probe, converter, the
// standard output format, a decode to the end and seeks. Output is capped, as a header may
// truthfully describe hours of sound at a low rate.
#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/audio_decoders.h"
#include "audio/converter_factory.h"
#include "audio/media_probe.h"

namespace {

constexpr size_t kBlock = 10000;
constexpr size_t kMaxOutput = 8 * 1024 * 1024;

void DecodeSome(orv::TWavConverter& converter) {
  for (size_t delivered = 0; delivered < kMaxOutput; delivered += kBlock) {
    converter.Fill(kBlock);
    const bool ended = converter.SoundBytes() < kBlock;
    converter.Output().Clear();
    if (ended) return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::InstallAudioDecoders();
  auto stream = std::make_unique<orv::TMemoryStream>(std::string(reinterpret_cast<const char*>(data), size));
  orv::TMediaInfo info;
  if (!orv::ProbeWav(*stream, info)) return 0;
  orv::Ref<orv::TWavConverter> converter = orv::CreateConverter(std::move(stream), "fuzz.wav", info);
  if (!converter) return 0;
  converter->SetOutputFormat(orv::StandardWaveFormat());
  DecodeSome(*converter);
  for (const double ms : {info.DurationMs / 2.0, 1e300, -5.0}) {
    converter->Seek(ms);
    DecodeSome(*converter);
  }
  return 0;
}
