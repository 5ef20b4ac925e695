// Skins made in code. The classic one: three cells in a row (grey caps around a dark button
// cell) and three buttons, their textures generated as flat colours by a picture provider.
//
// The bar is 44 × 14 pixels: caps 4 wide, the button cell 2 + (10 + 2) + 10 + 10 + 2 wide
// and 2 + 10 + 2 high. Buttons (10 × 10, white backgrounds, 8 × 8 foregrounds centred on
// them) lie at x 6, 18 and 28, y 2, in the order home, forward, pause.
#pragma once

#include <filesystem>
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

// ---- a video-style skin

inline constexpr uint32_t kBack = 0xFF303030u, kLine = 0xFFFFFFFFu, kThumb = 0xFFFFFF00u;

// Icon i of a strip is (state + 1) × 30 in red and i × 30 in green.
inline uint32_t IconColour(int state, int icon) { return 0xFF000000u | uint32_t((state + 1) * 30) << 16 | uint32_t(icon * 30) << 8; }

// The video skin's textures, asked for in the folder "video/".
inline Ref<TBitmapStore> ProvideVideoSkinTextures(void*, const WideString& name) {
  if (EndsWith(name, u"video/back.bmp")) return FlatStore(name, 20, 10, kBack);
  if (EndsWith(name, u"video/line.bmp")) return FlatStore(name, 10, 4, kLine);
  if (EndsWith(name, u"video/thumb.bmp")) return FlatStore(name, 6, 6, kThumb);
  const WideString strips[3] = {u"video/normal.bmp", u"video/hover.bmp", u"video/click.bmp"};
  for (int state = 0; state < 3; ++state) {
    if (!EndsWith(name, strips[state])) continue;
    Ref<TBitmap> pixels = TBitmap::Create(70, 10, pf::A8R8G8B8);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 70; ++x) reinterpret_cast<uint32_t*>(pixels->Row(y))[x] = IconColour(state, x / 10);
    return MakeRef<TWrapperBitmapStore>(name, std::move(pixels));
  }
  return nullptr;
}

// Buttons 10 × 10 on a bar 20 high and 400 wide, with the forward button: play/pause at
// 2, forward at 12, the track 26 … 296, digits up to 344, sound at 346, volume 358 … 398.
inline constexpr const char* kVideoSkin =
    "[Pixel positions]\r\nBarSize=400,20\r\nTrackHeight=4\r\nBtnSize=10,10\r\nDigitSize=4,8\r\n"
    "VolumeControlLength=40\r\nLeftSpace=2\r\nButtonsTrackSpace=4\r\nTrackDigitsSpace=2\r\nDigitsSoundBtnSpace=2\r\n"
    "SoundBtnTrackSpace=2\r\nRightSpace=2\r\n"
    "[Common]\r\nVideoStyle=1\r\nflnm_back=back.bmp\r\nBgLeft=2\r\nBgRight=2\r\n"
    "[Trackbar]\r\nflnm_Line=line.bmp\r\nflnm_Polzun=thumb.bmp\r\n"
    "[Buttons]\r\nflnm_Normal=normal.bmp\r\nflnm_Hover=hover.bmp\r\nflnm_Click=click.bmp\r\n";

// The skin written to `folder` (ending in "/") as "skin.ini"; its file name.
inline WideString WriteClassicSkin(const std::string& folder) {
  std::ofstream(folder + "skin.ini", std::ios::binary) << kClassicSkin;
  return Utf8ToUtf16(folder + "skin.ini");
}

// The video skin written to `folder` (ending in "/") + "video/skin.ini"; its file name.
inline WideString WriteVideoSkin(const std::string& folder) {
  std::filesystem::create_directories(folder + "video");
  std::ofstream(folder + "video/skin.ini", std::ios::binary) << kVideoSkin;
  return Utf8ToUtf16(folder + "video/skin.ini");
}

}  // namespace orv::test
