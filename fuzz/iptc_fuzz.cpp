// Photoshop resource blocks and IPTC records of arbitrary bytes inside a JPEG APP13 segment.
#include <cstdint>
#include <string>

#include "text/picture_metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  orv::TIPTCData().ReadBytes(bytes);
  const std::string payload = std::string("Photoshop 3.0\0", 14) + bytes.substr(0, 65000);
  const size_t length = payload.size() + 2;
  orv::TIPTCData iptc;
  iptc.ReadBytes(std::string("\xFF\xD8\xFF\xED", 4) + char(length >> 8) + char(length & 255) + payload);
  for (int dataset = 0; dataset < 256; ++dataset) (void)iptc.Value(dataset);
  return 0;
}
