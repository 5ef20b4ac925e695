// Pictures on the device as sets of small textures from a shared pool of six fixed size
// classes. Every tile repeats one texel of its neighbours on each side, so bilinear
// filtering shows no seams, and tiles are reused across pictures and slides.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <vector>

#include "base/ref_object.h"
#include "render/render_types.h"
#include "render/screen_3d.h"
#include "render/tile_bitmap.h"

namespace orv {

class TImage;
class TMultiTexture6;

// The size of resolution level `level` of a picture side: halved, rounding up, per level.
int LevelSize(int size, int level);
// The last level that still halves the picture (both sides 1 from there on).
int MaxLevel(int width, int height);

// One texture of a size class. Its origin is its top-left texel in source coordinates,
// one texel left of and above the area it is responsible for.
class TTextureTile : public TCustomTexture {
public:
  TTextureTile(T3DScreen& screen, int width, int height);

  void Assign(Ref<TTileSource> source, int origin_x, int origin_y, int used_width, int used_height);
  void Unassign();

  int OriginX() const { return FOriginX; }
  int OriginY() const { return FOriginY; }
  int UsedWidth() const { return FUsedWidth; }
  int UsedHeight() const { return FUsedHeight; }

protected:
  // Copies the used area from the source, repeating the source's edge texels outside it.
  void UploadContent(T3DTexture& texture) override;

private:
  Ref<TTileSource> FSource;
  int FOriginX = 0;
  int FOriginY = 0;
  int FUsedWidth = 0;
  int FUsedHeight = 0;
};

// One size class: every tile made of it and the free ones.
class TTileManager : public TRefObject {
public:
  TTileManager(int width, int height) : FWidth(width), FHeight(height) {}
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // A free tile, or a new one with its device texture made; null when that fails.
  Ref<TTextureTile> Take(T3DScreen& screen);
  void Give(Ref<TTextureTile> tile);
  int TileCount() const { return int(FTiles.size()); }
  int FreeCount() const { return int(FFree.size()); }
  void Clear();

private:
  int FWidth;
  int FHeight;
  std::vector<Ref<TTextureTile>> FTiles;
  std::vector<Ref<TTextureTile>> FFree;
};

// The tile pool of one screen: 256 × 256, 128 × 256, 64 × 256, 256 × 128, 256 × 64, 64 × 64.
class TTextureManager6 : public TRefObject {
public:
  static constexpr int kClassCount = 6;
  static constexpr std::array<std::array<int, 2>, kClassCount> kClassSizes{
      {{256, 256}, {128, 256}, {64, 256}, {256, 128}, {256, 64}, {64, 64}}};

  explicit TTextureManager6(T3DScreen& screen);

  // A tile for a piece of `width` × `height` texels (its one-texel border included), with
  // its used size set; null when no size class can make one.
  Ref<TTextureTile> AllocateTile(int width, int height);
  void ReleaseTile(Ref<TTextureTile> tile);
  // The size class a piece goes to: the largest usable area, then the least waste;
  // -1 when every class is excluded.
  static int ChooseClass(int width, int height, const std::array<bool, kClassCount>& excluded);

  const TTileManager& SizeClass(int index) const { return *FClasses[index]; }
  int MultiTextureCount() const;
  void Register(TMultiTexture6* texture);
  void Unregister(TMultiTexture6* texture);
  // The screen goes away: the pools are emptied and what is left is reported.
  void Shutdown();

private:
  mutable std::mutex FLock;
  T3DScreen* FScreen;
  std::array<Ref<TTileManager>, kClassCount> FClasses;
  std::vector<TMultiTexture6*> FMultiTextures;
};

// Which sides of a tile piece lie on the drawn window's edges (drawn antialiased).
enum TEdgeFlags : unsigned { kEdgeLeft = 1, kEdgeTop = 2, kEdgeRight = 4, kEdgeBottom = 8 };

// One picture on the device.
class TMultiTexture6 : public TRefObject {
public:
  explicit TMultiTexture6(Ref<TTextureManager6> manager);

  // The source: with one column and one row a crop of `window` of the level; otherwise
  // the padded sprite-sheet view of the whole level. Earlier tiles are given back. Raises
  // EConvertError when the picture has no pixels at that level.
  void SetSource(const TImage& picture, int level, int columns, int rows, const TRect& window);
  int SourceWidth() const { return FSource ? FSource->Width() : 0; }
  int SourceHeight() const { return FSource ? FSource->Height() : 0; }

  // Makes the tiles on first use and uploads what must be uploaded (drawing lock held).
  // False when the picture cannot be on the device now (logged).
  bool Prepare();
  int TileCount() const { return int(FTiles.size()); }
  const TTextureTile& Tile(int index) const { return *FTiles[index]; }

  // Per-draw state.
  int Opacity = 255;
  TColor32 Tint = 0xFFFFFFFFu;
  bool TintUsed = false;
  bool Antialias = false;

  struct TTilePart {
    T3DTexture* Texture;
    TQuadFrame Frame;    // where the piece goes
    TRectF TexCoords;    // what it shows of the tile's texture
    unsigned EdgeFlags;  // TEdgeFlags of the sides on the window's edges (with antialiasing)
  };
  // The pieces of `window` (in source coordinates) mapped through `frame`, which the
  // whole window fills. Nothing when the opacity is 0.
  void Draw(const TQuadFrame& frame, const TRectF& window, const std::function<void(const TTilePart&)>& draw);

protected:
  void Dispose() override;

private:
  bool Cover(int x, int y, int width, int height);
  void ReleaseTiles();

  Ref<TTextureManager6> FManager;
  Ref<TTileSource> FSource;
  std::vector<Ref<TTextureTile>> FTiles;
  bool FFailureLogged = false;
};

}  // namespace orv
