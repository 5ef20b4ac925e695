// The largest picture we agree to hold in memory. A file can claim any size in a few
// bytes; every decoder checks the claim against this before it allocates.
#pragma once

#include <cstdint>

namespace orv {

// Width × height in pixels; 2^28 by default (16384 × 16384, one gigabyte at 32 bits).
int64_t MaxPicturePixels();
// Changes the limit for the whole process (fuzzers lower it to keep runs fast).
void SetMaxPicturePixels(int64_t pixels);

// True for a size with both sides positive that stays within the limit.
bool PictureSizeAllowed(int64_t width, int64_t height);

}  // namespace orv
