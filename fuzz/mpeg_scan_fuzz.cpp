// The MPEG audio probe and decoder on any bytes: find the first frame, read the tag frame,
// then decode a little, seek into the middle and decode again, as a music file would be.
// Nothing may crash, hang or read outside its buffers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/mpeg_converter.h"
#include "audio/mpeg_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orv;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TMemoryStream probe_stream(bytes);
  TMediaInfo info;
  if (!ProbeMpeg(probe_stream, info)) return 0;
  Ref<TWavConverter> converter = MakeRef<TMpegConverter>(std::make_unique<TMemoryStream>(bytes));
  if (!converter->Open(info)) return 0;
  converter->SetOutputFormat(StandardWaveFormat());
  converter->Fill(64 * 1024);
  converter->Seek(double(info.DurationMs) / 2);
  converter->Fill(16 * 1024);
  return 0;
}
