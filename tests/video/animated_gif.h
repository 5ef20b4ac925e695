// Animated GIFs written at test time with giflib: solid rectangles of palette colours with
// their delays and disposals, and the looping extension when a loop count is given.
#pragma once

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orv::test {

// Palette: 0 transparent (when a frame asks), 1 red, 2 green, 3 blue.
struct TGifRect {
  int Left, Top, Width, Height;
  int Colour;
  int Delay = 10;  // hundredths of a second
  int Disposal = 0;
  bool Transparent = false;  // colour 0 is transparent
};

inline std::string MakeAnimatedGif(int width, int height, std::optional<int> loops, const std::vector<TGifRect>& frames) {
  std::string bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &bytes,
      [](GifFileType* g, const GifByteType* data, int length) {
        static_cast<std::string*>(g->UserData)->append(reinterpret_cast<const char*>(data), size_t(length));
        return length;
      },
      &error);
  EGifSetGifVersion(gif, true);
  GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EXPECT_EQ(EGifPutScreenDesc(gif, width, height, 2, 0, map), GIF_OK);
  if (loops) {
    const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType count[] = {1, GifByteType(*loops & 0xFF), GifByteType(*loops >> 8)};
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, sizeof netscape, netscape);
    EGifPutExtensionBlock(gif, sizeof count, count);
    EGifPutExtensionTrailer(gif);
  }
  for (const TGifRect& frame : frames) {
    GraphicsControlBlock control{frame.Disposal, false, frame.Delay, frame.Transparent ? 0 : NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension);
    EXPECT_EQ(EGifPutImageDesc(gif, frame.Left, frame.Top, frame.Width, frame.Height, false, nullptr), GIF_OK);
    std::vector<GifPixelType> row(size_t(frame.Width), GifPixelType(frame.Colour));
    for (int y = 0; y < frame.Height; ++y) EGifPutLine(gif, row.data(), frame.Width);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return bytes;
}

}  // namespace orv::test
