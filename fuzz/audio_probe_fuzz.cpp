// The media probe on any bytes, under the names that send it down each of its paths. It
// must answer with a record or a reason, never crash, hang or read outside the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/media_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const char* name : {"sound.wav", "sound.mp3", "sound.ogg", "sound"}) {
    orv::TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    orv::TMediaInfo info;
    std::string reason;
    orv::ProbeMedia(stream, name, info, &reason);
  }
  return 0;
}
