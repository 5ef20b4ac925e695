// Windows bitmaps: headers, colour tables, bit fields and run-length data.
#include "image/bmp_reader.h"
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::fuzz::CheckLoader(data, size, orv::LoadWindowsBitmap, {0, 1});
  return 0;
}
