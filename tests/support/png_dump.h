// Writes a test's bitmap as a PNG when ORV_RENDER_PNG_DIR names a folder, for looking at
// what a test draws. Link libpng where it is used.
#pragma once

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/bitmap.h"

namespace orv::test {

inline void DumpPng(const TBitmap& bitmap, const std::string& name) {
  const char* folder = std::getenv("ORV_RENDER_PNG_DIR");
  if (!folder) return;
  const std::string path = std::string(folder) + "/" + name + ".png";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(bitmap.Width()), png_uint_32(bitmap.Height()), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < bitmap.Height(); ++y) png_write_row(png, const_cast<png_bytep>(bitmap.Row(y)));
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

}  // namespace orv::test
