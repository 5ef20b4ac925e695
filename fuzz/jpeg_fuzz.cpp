// JPEG headers through libjpeg, a small level decoded natively, and the marker scan that
// looks for an embedded colour profile.
#include "base/stream.h"
#include "image/color_profile.h"
#include "image/jpeg_image.h"
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::fuzz::CheckLoader(data, size, orv::LoadJpeg, {3});
  orv::TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
  if (orv::ReadFirstApp2Profile(stream).size() > size) std::abort();
  return 0;
}
