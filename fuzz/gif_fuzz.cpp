// GIF first frames: blocks, colour tables and the LZW decoder.
#include "image/gif_reader.h"
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::fuzz::CheckLoader(data, size, orv::LoadGifFirstFrame, {0, 1});
  return 0;
}
