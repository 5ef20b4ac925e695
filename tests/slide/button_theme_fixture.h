// Button themes made in memory: a file source that serves named byte strings, part
// pictures written as 24-bit Windows bitmaps, and "btn.ini" texts.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/stream.h"
#include "package/file_accessor.h"
#include "package/file_source.h"

namespace orv::test {

class TMemoryFileSource : public TFileSource {
public:
  std::map<WideString, std::string> Files;

protected:
  StreamPtr OpenFile(WideView name) override {
    const auto file = Files.find(WideString(name));
    return file == Files.end() ? nullptr : std::make_unique<TMemoryStream>(file->second);
  }
};

// `pixels` (0xRRGGBB, top row first) as a 24-bit bottom-up Windows bitmap.
inline std::string Bmp24(int width, int height, const std::vector<uint32_t>& pixels) {
  const int stride = (3 * width + 3) / 4 * 4;
  const uint32_t size = 54 + uint32_t(stride * height);
  std::string bytes(size, '\0');
  const auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = char(v >> (8 * i) & 255);
  };
  bytes[0] = 'B', bytes[1] = 'M';
  put32(2, size), put32(10, 54), put32(14, 40), put32(18, uint32_t(width)), put32(22, uint32_t(height));
  bytes[26] = 1, bytes[28] = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t rgb = pixels[size_t(y * width + x)];
      char* at = &bytes[54 + size_t((height - 1 - y) * stride + 3 * x)];
      at[0] = char(rgb & 255), at[1] = char(rgb >> 8 & 255), at[2] = char(rgb >> 16 & 255);
    }
  return bytes;
}

// The colours of the parts of the 5 × 5 sheet below, by part (kPartLeftTop … kPartCenter).
inline constexpr uint32_t kPartColours[9] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF,
                                             0x00FFFF, 0x800000, 0x008000, 0x000080};

// A 5 × 5 sheet: 2-pixel corners, 1-pixel edges between them and a 1-pixel centre, each
// part in its own colour.
inline std::string PartSheet() {
  // Columns and rows: 0–1 first, 2 middle, 3–4 last.
  const int part_at[3][3] = {{0, 1, 2}, {7, 8, 3}, {6, 5, 4}};
  std::vector<uint32_t> pixels(25);
  const auto band = [](int i) { return i < 2 ? 0 : i == 2 ? 1 : 2; };
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) pixels[size_t(y * 5 + x)] = kPartColours[part_at[band(y)][band(x)]];
  return Bmp24(5, 5, pixels);
}

// A state section whose parts cut the sheet `file` as drawn by PartSheet.
inline std::string SheetState(const std::string& section, const std::string& file) {
  return "[" + section + "]\n" + "LeftTop=" + file + " 0,0,2,2\nTop=" + file + " 2,0,3,2\nRightTop=" + file +
         " 3,0,5,2\nRight=" + file + " 3,2,5,3\nRightBottom=" + file + " 3,3,5,5\nBottom=" + file +
         " 2,3,3,5\nLeftBottom=" + file + " 0,3,2,5\nLeft=" + file + " 0,2,2,3\nCenter=" + file + " 2,2,3,3\n";
}

}  // namespace orv::test
