#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/exceptions.h"
#include "render/drawing_lock.h"
#include "render/texture_store.h"
#include "render/tile_bitmap.h"
#include "render_test_support.h"

namespace orv::test {
namespace {

std::uint32_t Grey(int v) { return 0xFF000000u | std::uint32_t(v) * 0x010101u; }

TEST(TTextureManager6, ChoosesTheLargestUsableAreaThenTheLeastWaste) {
  struct TCase {
    int Width, Height;
    int Class;  // index into kClassSizes
  };
  const std::array<bool, 6> none{};
  for (const TCase& c : {TCase{302, 102, 3},  // 256 × 128: same usable area as 256 × 256, less waste
                         TCase{48, 102, 2},   // 64 × 256: least waste of the four tied classes
                         TCase{66, 66, 1},    // 128 × 256 and 256 × 128 tie: the first listed
                         TCase{20, 20, 5},    // 64 × 64
                         TCase{1000, 1000, 0}}) {
    EXPECT_EQ(TTextureManager6::ChooseClass(c.Width, c.Height, none), c.Class) << c.Width << " x " << c.Height;
  }
  std::array<bool, 6> only_small{true, true, true, true, true, false};
  EXPECT_EQ(TTextureManager6::ChooseClass(1000, 1000, only_small), 5);
  EXPECT_EQ(TTextureManager6::ChooseClass(1000, 1000, {true, true, true, true, true, true}), -1);
}

TEST(TTileBitmap, PadsEveryCellWithATransparentCopyOfItsEdge) {
  const Ref<TImage> sheet = MakePicture(400, 200, [](int x, int y) { return 0xFF000000u | std::uint32_t(x << 8 | y); });
  const TTileBitmap view(sheet->GetLevel(0), 4, 2);
  EXPECT_EQ(view.Width(), 408);
  EXPECT_EQ(view.Height(), 204);
  std::array<std::uint32_t, 4> run{};
  auto* bytes = reinterpret_cast<std::uint8_t*>(run.data());
  // Columns 101..104: the right margin of cell 0, the left margin of cell 1, then its first
  // two columns (100 and 101 of the sheet); row 1 is the first row of cell row 0.
  view.GetPixels(101, 1, 4, bytes, sizeof(run));
  EXPECT_EQ(run[0], std::uint32_t(99 << 8 | 0));
  EXPECT_EQ(run[1], std::uint32_t(100 << 8 | 0));
  EXPECT_EQ(run[2], 0xFF000000u | std::uint32_t(100 << 8 | 0));
  EXPECT_EQ(run[3], 0xFF000000u | std::uint32_t(101 << 8 | 0));
  EXPECT_EQ(TTileBitmap::SourceIndex(103, 100, 4, 400).Index, 100);

  const auto message = [&](auto call) {
    try {
      call();
    } catch (const EAssertionFailed& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_NE(message([&] { view.GetPixels(408, 0, 1, bytes, sizeof(run)); }).find("TTileBitmap.GetPixels (X,Y) out of Bitmap.Size"),
            std::string::npos);
  EXPECT_NE(message([&] { view.GetPixels(406, 0, 4, bytes, sizeof(run)); }).find("TTileBitmap.GetPixels - Offset out of Bounds"),
            std::string::npos);
  EXPECT_NE(message([&] { view.GetPixels(0, 0, 5, bytes, sizeof(run)); })
                .find("TTileBitmap.GetPixels - Not Enought Pixel Buffer Space"),
            std::string::npos);
}

TEST_F(RenderTest, A300x100PictureTakesA256x128TileAndA64x256Tile) {
  const Ref<TImage> picture = MakePicture(300, 100, [](int x, int y) { return Grey((x + y) & 255); });
  std::vector<std::array<int, 6>> tiles;
  Capture([&](TDeviceDrawer& drawer) {
    auto& d = static_cast<T3DDrawer&>(drawer);
    TMultiTexture6 texture(Ref<TTextureManager6>::Share(&d.Tiles()));
    texture.SetSource(*picture, 0, 1, 1, RectOfSize(300, 100));
    ASSERT_TRUE(texture.Prepare());
    for (int i = 0; i < texture.TileCount(); ++i) {
      const TTextureTile& t = texture.Tile(i);
      tiles.push_back({t.Width(), t.Height(), t.OriginX(), t.OriginY(), t.UsedWidth(), t.UsedHeight()});
    }
  });
  ASSERT_EQ(tiles.size(), 2u);
  EXPECT_EQ(tiles[0], (std::array<int, 6>{256, 128, -1, -1, 256, 102}));
  EXPECT_EQ(tiles[1], (std::array<int, 6>{64, 256, 253, -1, 48, 102}));
}

TEST_F(RenderTest, TileBordersShowNoSeams) {
  // A window across tile edges (x = 255, y = 255) drawn one to one with bilinear filtering
  // must show the picture's own pixels.
  const auto noise = [](int x, int y) { return Grey(int((std::uint32_t(x) * 2654435761u ^ std::uint32_t(y) * 40503u) >> 8) & 255); };
  const Ref<TImage> picture = MakePicture(600, 400, noise);
  TImageDrawParams params;
  params.Filtering = TImageFiltering::Bilinear;
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
    d.DrawImage(*picture, FrameOf(TRectF{0, 0, 64, 48}), TRectF{220, 230, 284, 278}, params);
  });
  ASSERT_TRUE(drawn);
  EXPECT_LE(MaxDifference(*drawn, [&](int x, int y) { return noise(x + 220, y + 230); }), 1);
}

TEST_F(RenderTest, A20000x300PictureDrawsLikeASmallOneScaled) {
  // A smooth picture far wider than a texture, shrunk 40 times across and 5 times down,
  // against a small picture of the same function drawn one to one.
  const auto shade = [](float x, float y) {
    const int r = int(std::lround(128 + 100 * std::sin(2 * std::numbers::pi * x / 4000)));
    const int g = int(std::lround(128 + 100 * std::cos(2 * std::numbers::pi * y / 300)));
    return 0xFF000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(x / 20000 * 255);
  };
  Open(500, 60);
  const Ref<TImage> large = MakePicture(20000, 300, [&](int x, int y) { return shade(float(x), float(y)); });
  const Ref<TImage> small = MakePicture(500, 60, [&](int x, int y) { return shade((x + 0.5f) * 40 - 0.5f, (y + 0.5f) * 5 - 0.5f); });
  TImageDrawParams params;
  params.Filtering = TImageFiltering::Bilinear;
  const TQuadFrame frame = FrameOf(TRectF{0, 0, 500, 60});
  Ref<TBitmap> from_large = Capture([&](TDeviceDrawer& d) { d.DrawImage(*large, frame, TRectF{0, 0, 20000, 300}, params); });
  Ref<TBitmap> from_small = Capture([&](TDeviceDrawer& d) { d.DrawImage(*small, frame, TRectF{0, 0, 500, 60}, params); });
  ASSERT_TRUE(from_large && from_small);
  DumpPng(*from_large, "tiled_20000x300");
  EXPECT_LE(MaxDifference(*from_large, [&](int x, int y) { return from_small->PixelArgb(x, y); }), 3);
}

TEST_F(RenderTest, SpriteCellsDoNotBleedIntoEachOther) {
  // Two cells side by side, black and white; the white cell drawn larger with bilinear
  // filtering over white stays white to its edges: its margin fades out in white, and the
  // black neighbour never leaks in.
  const Ref<TImage> sheet = MakePicture(16, 8, [](int x, int) { return x < 8 ? 0xFF000000u : 0xFFFFFFFFu; });
  TImageDrawParams params;
  params.Columns = 2;
  params.Filtering = TImageFiltering::Bilinear;
  // Cell 1 in the padded view: its 8 × 8 texels start at column 2 × 1 + 1 + 8 = 11, row 1.
  Ref<TBitmap> drawn = Capture([&](TDeviceDrawer& d) {
    d.Clear(0xFFFFFFFFu);
    d.DrawImage(*sheet, FrameOf(TRectF{0, 0, 32, 32}), TRectF{11, 1, 19, 9}, params);
  });
  ASSERT_TRUE(drawn);
  EXPECT_LE(MaxDifference(*drawn, [](int, int) { return 0xFFFFFFFFu; }), 1);
}

}  // namespace
}  // namespace orv::test
