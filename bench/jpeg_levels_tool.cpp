// jpeg_levels_tool make SOURCE OUT WIDTH HEIGHT: resamples a photo (bilinear) to the given
//   size and writes it as a baseline JPEG of quality 90, the bench's test picture.
// jpeg_levels_tool decode FILE LEVEL: loads the picture through the loader registry, asks
//   for one level and prints the process's peak resident memory in KiB.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/stream.h"
#include "image/picture_loaders.h"

namespace {

using namespace orv;

Ref<TSysBitmapStore> LoadFile(const char* path) {
  TFileStream file(path, TFileMode::OpenRead);
  Ref<TSysBitmapStore> store = LoadPicture(file, Utf8ToUtf16(path));
  if (!store) {
    std::fprintf(stderr, "jpeg_levels_tool: %s is no picture we read\n", path);
    std::exit(1);
  }
  return store;
}

// One output row of a bilinear resampling of `source` (bytes R, G, B).
void ResampleRow(const TBitmap& source, int y, int width, int height, std::vector<uint8_t>& row) {
  const double sy = (y + 0.5) * source.Height() / height - 0.5;
  const int y0 = std::max(0, int(sy));
  const int y1 = std::min(source.Height() - 1, y0 + 1);
  const double fy = std::clamp(sy - y0, 0.0, 1.0);
  for (int x = 0; x < width; ++x) {
    const double sx = (x + 0.5) * source.Width() / width - 0.5;
    const int x0 = std::max(0, int(sx));
    const int x1 = std::min(source.Width() - 1, x0 + 1);
    const double fx = std::clamp(sx - x0, 0.0, 1.0);
    for (int c = 0; c < 3; ++c) {
      const double top = source.Row(y0)[3 * x0 + c] * (1 - fx) + source.Row(y0)[3 * x1 + c] * fx;
      const double bottom = source.Row(y1)[3 * x0 + c] * (1 - fx) + source.Row(y1)[3 * x1 + c] * fx;
      row[size_t(3 * x + c)] = uint8_t(top * (1 - fy) + bottom * fy + 0.5);
    }
  }
}

int Make(const char* source_path, const char* out_path, int width, int height) {
  Ref<TBitmap> source = LoadFile(source_path)->GetLevel(0, &pf::B8G8R8);
  FILE* out = std::fopen(out_path, "wb");
  if (!out) return 1;
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(width) * 3);
  while (info.next_scanline < info.image_height) {
    ResampleRow(*source, int(info.next_scanline), width, height, row);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(out) == 0 ? 0 : 1;
}

int Decode(const char* path, int level) {
  Ref<TBitmap> bitmap = LoadFile(path)->GetLevel(level);
  if (!bitmap) return 1;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%ld\n", usage.ru_maxrss);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "make" && argc == 6) return Make(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
  if (command == "decode" && argc == 4) return Decode(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr, "usage: jpeg_levels_tool make SOURCE OUT WIDTH HEIGHT | decode FILE LEVEL\n");
  return 2;
}
