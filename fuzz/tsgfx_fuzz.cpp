// ".TSGFX" containers: the key texts and the deflated bitmap inside.
#include "image/gfx_container.h"
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::fuzz::CheckLoader(data, size, orv::LoadGfxContainer, {0});
  return 0;
}
