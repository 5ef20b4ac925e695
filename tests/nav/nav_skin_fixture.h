// A classic bar skin made in code: three cells in a row (grey caps around a dark button
// cell) and three buttons, their textures generated as flat colours by a picture provider.
//
// The bar is 44 × 14 pixels: caps 4 wide, the button cell 2 + (10 + 2) + 10 + 10 + 2 wide
// and 2 + 10 + 2 high. Buttons (10 × 10, white backgrounds, 8 × 8 foregrounds centred on
// them) lie at x 6, 18 and 28, y 2, in the order home, forward, pause.
#pragma once

#include <fstream>
#include <string>

#include "image/bitmap_store.h"
#include "package/file_source.h"

namespace orv::test {

inline constexpr uint32_t kCapGrey = 0xFF808080u;
inline constexpr uint32_t kCellDark = 0xFF202020u;
inline constexpr uint32_t kButtonWhite = 0xFFFFFFFFu;
inline constexpr uint32_t kNormalRed = 0xFFFF0000u;
inline constexpr uint32_t kHoverGreen = 0xFF00FF00u;
inline constexpr uint32_t kPressedBlue = 0xFF0000FFu;
inline constexpr uint32_t kPlayYellow = 0xFFFFFF00u;

// "Action-Print" is not all lower case: it declares nothing. The requested names of the
// panel are "home", "print", "forward", "pause": print is skipped.
inline const char* kClassicSkin =
    "[Common]\r\nColsCount=3\r\nRowsCount=1\r\n"
    "[CellWithObjects]\r\nCell=2,1\r\nLeftOffset=2\r\nTopOffset=2\r\nRightOffset=2\r\nBottomOffset=2\r\n"
    "[Cell(1:1)]\r\nBounds=0,0,4,14\r\nflnm_Texture=cells.bmp\r\n"
    "[Cell(2:1)]\r\nBounds=4,0,4,14\r\nflnm_Texture=cells.bmp\r\n"
    "[Cell(3:1)]\r\nBounds=8,0,4,14\r\nflnm_Texture=Cells.BMP\r\n"
    "[Objects]\r\nCount=3\r\n"
    "[Object1]\r\nSpace=2\r\n"
    "[Object2]\r\nShiftPressed=1\r\n"
    "[Object3]\r\nGrayNormal=1\r\n"
    "[Action-pause]\r\nBtnTextureNormalBounds=0,0,8,8\r\nBtnTextureHoverBounds=10,0,8,8\r\n"
    "BtnTexturePressedBounds=20,0,8,8\r\nflnm_BtnTextureNormal=buttons.bmp\r\n"
    "flnm_BtnTextureNormalPlay=play.bmp\r\nBgTextureNormalBounds=0,0,10,10\r\nflnm_BgTextureNormal=bg.bmp\r\n"
    "[Action-Print]\r\nBtnTextureNormalBounds=0,0,8,8\r\nBgTextureNormalBounds=0,0,10,10\r\n"
    "[Action-home]\r\nBtnTextureNormalBounds=0,0,8,8\r\nBtnTextureHoverBounds=10,0,8,8\r\n"
    "BtnTexturePressedBounds=20,0,8,8\r\nflnm_BtnTextureNormal=buttons.bmp\r\n"
    "BgTextureNormalBounds=0,0,10,10\r\nflnm_BgTextureNormal=bg.bmp\r\n"
    "[Action-forward]\r\nBtnTextureNormalBounds=0,0,8,8\r\nBtnTextureHoverBounds=10,0,8,8\r\n"
    "BtnTexturePressedBounds=20,0,8,8\r\nflnm_BtnTextureNormal=buttons.bmp\r\n"
    "BgTextureNormalBounds=0,0,10,10\r\nflnm_BgTextureNormal=bg.bmp\r\n";

inline Ref<TBitmapStore> FlatStore(const WideString& name, int width, int height, uint32_t colour) {
  Ref<TBitmap> pixels = TBitmap::Create(width, height, pf::A8R8G8B8);
  pixels->Fill(colour);
  return MakeRef<TWrapperBitmapStore>(name, std::move(pixels));
}

inline bool EndsWith(const WideString& name, std::u16string_view tail) {
  return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

// The skin's textures, whatever folder they are asked for in (file names as the skin
// writes them; the cache compares them without regard to case).
inline Ref<TBitmapStore> ProvideSkinTextures(void*, const WideString& name) {
  if (EndsWith(name, u"cells.bmp") || EndsWith(name, u"Cells.BMP")) {
    Ref<TBitmap> pixels = TBitmap::Create(12, 14, pf::A8R8G8B8);
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 12; ++x)
        reinterpret_cast<uint32_t*>(pixels->Row(y))[x] = x >= 4 && x < 8 ? kCellDark : kCapGrey;
    return MakeRef<TWrapperBitmapStore>(name, std::move(pixels));
  }
  if (EndsWith(name, u"buttons.bmp")) {
    Ref<TBitmap> pixels = TBitmap::Create(30, 10, pf::A8R8G8B8);
    const uint32_t colours[3] = {kNormalRed, kHoverGreen, kPressedBlue};
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 30; ++x) reinterpret_cast<uint32_t*>(pixels->Row(y))[x] = colours[x / 10];
    return MakeRef<TWrapperBitmapStore>(name, std::move(pixels));
  }
  if (EndsWith(name, u"play.bmp")) return FlatStore(name, 30, 10, kPlayYellow);
  if (EndsWith(name, u"bg.bmp")) return FlatStore(name, 10, 10, kButtonWhite);
  return nullptr;
}

// The skin written to `folder` (ending in "/") as "skin.ini"; its file name.
inline WideString WriteClassicSkin(const std::string& folder) {
  std::ofstream(folder + "skin.ini", std::ios::binary) << kClassicSkin;
  return Utf8ToUtf16(folder + "skin.ini");
}

}  // namespace orv::test
