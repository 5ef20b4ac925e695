// EXIF blocks of arbitrary bytes, inside a JPEG APP1 segment and as whole files: every value
// read stays within the bytes.
#include <cstdint>
#include <string>

#include "text/picture_metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  orv::TExif().ReadBytes(bytes);
  const std::string payload = std::string("Exif\0\0", 6) + bytes.substr(0, 65000);
  const size_t length = payload.size() + 2;
  orv::TExif().ReadBytes(std::string("\xFF\xD8\xFF\xE1", 4) + char(length >> 8) + char(length & 255) + payload);
  return 0;
}
