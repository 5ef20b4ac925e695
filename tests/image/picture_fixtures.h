// Picture files made in code for the image tests: Windows bitmaps written by hand, JPEG
// through libjpeg, PNG through libpng, GIF through giflib, and ".TSGFX" containers.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "image/bitmap.h"

namespace orv::test {

// A w × h picture whose pixels all differ, as "A8R8G8B8" (opaque unless `with_alpha`).
Ref<TBitmap> GradientPicture(int width, int height, bool with_alpha = false);

// ---- Windows bitmaps
struct TBmpSpec {
  int width = 0;
  int height = 0;  // positive: stored bottom-up
  int bits = 24;
  int compression = 0;
  bool top_down = false;
  std::vector<uint32_t> palette;                  // 0x00RRGGBB
  std::vector<uint32_t> masks;                    // red, green, blue for bit fields
  int info_size = 40;
  // The stored rows of the pixel area (padded to 4 bytes), or RLE data, as written.
  std::string pixel_data;
};
std::string WriteBmp(const TBmpSpec& spec);

// Stored pixel rows for an indexed picture (bits 1, 4 or 8), top row first as given.
std::string PackIndexRows(const std::vector<std::vector<uint8_t>>& rows, int bits, bool bottom_up);
// RLE8 or RLE4 data for these rows (bottom-up as stored), with encoded and absolute runs.
std::string EncodeRle(const std::vector<std::vector<uint8_t>>& rows, int bits);

// ---- JPEG / PNG / GIF
struct TJpegOptions {
  int quality = 90;
  bool progressive = false;
  bool grayscale = false;
  std::string icc_profile;      // written as APP2 "ICC_PROFILE" chunks
  std::string raw_app2;         // written as an APP2 segment before anything else
};
std::string EncodeJpeg(const TBitmap& picture, const TJpegOptions& options = {});

struct TPngOptions {
  int color_type = 2;  // PNG_COLOR_TYPE_*
  int bit_depth = 8;
  bool interlaced = false;
  bool transparent_index = false;  // palette pictures: entry 0 transparent through tRNS
};
std::string EncodePng(const TBitmap& picture, const TPngOptions& options = {});

struct TGifOptions {
  bool interlaced = false;
  int transparent_index = -1;
  int screen_width = 0;  // 0: the image's own size
  int screen_height = 0;
  int left = 0;
  int top = 0;
};
// `indexes` is width × height, top row first; the palette has 256 entries 0x00RRGGBB.
std::string EncodeGif(int width, int height, const std::vector<uint8_t>& indexes, const std::vector<uint32_t>& palette,
                      const TGifOptions& options = {});

// ---- ".TSGFX"
std::string RawDeflate(const std::string& bytes);
std::string GfxContainer(const std::vector<std::pair<std::string, std::string>>& keys, const std::string& payload);

}  // namespace orv::test
