#include "render/texture_tiles.h"

#include <algorithm>
#include <cstring>

#include "base/assertions.h"
#include "base/exceptions.h"
#include "base/log.h"
#include "image/image.h"

namespace orv {

int LevelSize(int size, int level) {
  for (int i = 0; i < level && size > 1; ++i) size = (size + 1) / 2;
  return size;
}

int MaxLevel(int width, int height) {
  int level = 0;
  while (width > 1 || height > 1) {
    width = (width + 1) / 2;
    height = (height + 1) / 2;
    ++level;
  }
  return level;
}

// ---- TTextureTile ----

TTextureTile::TTextureTile(T3DScreen& screen, int width, int height)
    : TCustomTexture(screen, TTextureKind::Managed, width, height) {}

void TTextureTile::Assign(Ref<TTileSource> source, int origin_x, int origin_y, int used_width, int used_height) {
  FSource = std::move(source);
  FOriginX = origin_x;
  FOriginY = origin_y;
  FUsedWidth = used_width;
  FUsedHeight = used_height;
  Reload();
}

void TTextureTile::Unassign() { FSource.Reset(); }

void TTextureTile::UploadContent(T3DTexture& texture) {
  if (!FSource) return;
  const int source_width = FSource->Width();
  const int source_height = FSource->Height();
  // The columns of the used area that lie inside the source; the rest repeat its edges.
  const int first = std::clamp(FOriginX, 0, source_width - 1);
  const int last = std::clamp(FOriginX + FUsedWidth - 1, 0, source_width - 1);
  const int inside_from = first - FOriginX;
  const int inside_count = last - first + 1;
  const std::size_t row_bytes = std::size_t(FUsedWidth) * 4;
  std::vector<std::uint8_t> pixels(row_bytes * std::size_t(FUsedHeight));
  for (int row = 0; row < FUsedHeight; ++row) {
    std::uint8_t* out = pixels.data() + row_bytes * std::size_t(row);
    const int y = std::clamp(FOriginY + row, 0, source_height - 1);
    const int start = std::max(inside_from, 0);
    const int count = std::min(inside_count, FUsedWidth - start);
    FSource->ReadBGRA(first, y, count, out + std::size_t(start) * 4);
    for (int x = 0; x < start; ++x) std::memcpy(out + std::size_t(x) * 4, out + std::size_t(start) * 4, 4);
    for (int x = start + count; x < FUsedWidth; ++x)
      std::memcpy(out + std::size_t(x) * 4, out + std::size_t(start + count - 1) * 4, 4);
  }
  texture.Upload(RectOfSize(FUsedWidth, FUsedHeight), pixels.data(), std::ptrdiff_t(row_bytes));
}

// ---- TTileManager ----

Ref<TTextureTile> TTileManager::Take(T3DScreen& screen) {
  if (!FFree.empty()) {
    Ref<TTextureTile> tile = std::move(FFree.back());
    FFree.pop_back();
    return tile;
  }
  Ref<TTextureTile> tile = MakeRef<TTextureTile>(screen, FWidth, FHeight);
  if (!tile->DeviceTexture()) return nullptr;
  FTiles.push_back(tile);
  return tile;
}

void TTileManager::Give(Ref<TTextureTile> tile) {
  tile->Unassign();
  FFree.push_back(std::move(tile));
}

void TTileManager::Clear() {
  FFree.clear();
  FTiles.clear();
}

// ---- TTextureManager6 ----

TTextureManager6::TTextureManager6(T3DScreen& screen) : FScreen(&screen) {
  for (int i = 0; i < kClassCount; ++i) FClasses[i] = MakeRef<TTileManager>(kClassSizes[i][0], kClassSizes[i][1]);
}

int TTextureManager6::ChooseClass(int width, int height, const std::array<bool, kClassCount>& excluded) {
  int best = -1;
  long best_usable = -1;
  long best_waste = 0;
  for (int i = 0; i < kClassCount; ++i) {
    if (excluded[i]) continue;
    const long class_area = long(kClassSizes[i][0]) * kClassSizes[i][1];
    const long usable = long(std::min(width, kClassSizes[i][0])) * std::min(height, kClassSizes[i][1]);
    const long waste = class_area - usable;
    if (usable > best_usable || (usable == best_usable && waste < best_waste)) {
      best = i;
      best_usable = usable;
      best_waste = waste;
    }
  }
  return best;
}

Ref<TTextureTile> TTextureManager6::AllocateTile(int width, int height) {
  std::lock_guard lock(FLock);
  if (!FScreen) return nullptr;
  std::array<bool, kClassCount> excluded{};
  for (int choice = ChooseClass(width, height, excluded); choice >= 0; choice = ChooseClass(width, height, excluded)) {
    if (Ref<TTextureTile> tile = FClasses[choice]->Take(*FScreen)) return tile;
    excluded[choice] = true;
  }
  return nullptr;
}

void TTextureManager6::ReleaseTile(Ref<TTextureTile> tile) {
  std::lock_guard lock(FLock);
  for (const Ref<TTileManager>& size_class : FClasses) {
    if (size_class->Width() == tile->Width() && size_class->Height() == tile->Height()) {
      size_class->Give(std::move(tile));
      return;
    }
  }
}

int TTextureManager6::MultiTextureCount() const {
  std::lock_guard lock(FLock);
  return int(FMultiTextures.size());
}

void TTextureManager6::Register(TMultiTexture6* texture) {
  std::lock_guard lock(FLock);
  FMultiTextures.push_back(texture);
}

void TTextureManager6::Unregister(TMultiTexture6* texture) {
  std::lock_guard lock(FLock);
  std::erase(FMultiTextures, texture);
}

void TTextureManager6::Shutdown() {
  std::lock_guard lock(FLock);
  if (!FMultiTextures.empty()) Log().Write("Error: Multi Textures Count = " + std::to_string(FMultiTextures.size()));
  for (const Ref<TTileManager>& size_class : FClasses) size_class->Clear();
  FScreen = nullptr;
}

// ---- TMultiTexture6 ----

TMultiTexture6::TMultiTexture6(Ref<TTextureManager6> manager) : FManager(std::move(manager)) {
  FManager->Register(this);
}

void TMultiTexture6::Dispose() {
  ReleaseTiles();
  FManager->Unregister(this);
  TRefObject::Dispose();
}

void TMultiTexture6::SetSource(const TImage& picture, int level, int columns, int rows, const TRect& window) {
  ORV_ASSERT(!window.IsEmpty(), "TMultiTexture6.SetSource: empty window");
  ORV_ASSERT(window.Left >= 0 && window.Top >= 0 && window.Right <= LevelSize(picture.Width(), level) &&
                 window.Bottom <= LevelSize(picture.Height(), level),
             "TMultiTexture6.SetSource: window outside the picture");
  ReleaseTiles();
  FSource.Reset();
  Ref<TBitmap> pixels = picture.GetLevel(level);
  if (!pixels) throw EConvertError("Picture has no pixels at level " + std::to_string(level));
  if (columns == 1 && rows == 1)
    FSource = MakeRef<TCropView>(std::move(pixels), window);
  else
    FSource = MakeRef<TTileBitmap>(std::move(pixels), columns, rows);
}

void TMultiTexture6::ReleaseTiles() {
  for (Ref<TTextureTile>& tile : FTiles) FManager->ReleaseTile(std::move(tile));
  FTiles.clear();
}

bool TMultiTexture6::Cover(int x, int y, int width, int height) {
  while (height > 0) {
    Ref<TTextureTile> tile = FManager->AllocateTile(width + 2, height + 2);
    if (!tile) return false;
    const int used_width = std::min(width + 2, tile->Width());
    const int used_height = std::min(height + 2, tile->Height());
    tile->Assign(FSource, x - 1, y - 1, used_width, used_height);
    FTiles.push_back(tile);
    const int inner_width = used_width - 2;
    const int inner_height = used_height - 2;
    if (inner_width < width && !Cover(x + inner_width, y, width - inner_width, inner_height)) return false;
    y += inner_height;
    height -= inner_height;
  }
  return true;
}

bool TMultiTexture6::Prepare() {
  if (!FSource) return false;
  if (FTiles.empty() && !Cover(0, 0, FSource->Width(), FSource->Height())) {
    // Tried again every frame, told once.
    if (!FFailureLogged)
      Log().Write("No room for the tiles of a picture of " + std::to_string(FSource->Width()) + " x " +
                  std::to_string(FSource->Height()));
    FFailureLogged = true;
    ReleaseTiles();
    return false;
  }
  bool ready = true;
  for (const Ref<TTextureTile>& tile : FTiles) ready = tile->DeviceTexture() != nullptr && ready;
  return ready;
}

void TMultiTexture6::Draw(const TQuadFrame& frame, const TRectF& window,
                          const std::function<void(const TTilePart&)>& draw) {
  if (Opacity <= 0 || window.IsEmpty() || !Prepare()) return;
  const float to_u = 1 / window.Width();
  const float to_v = 1 / window.Height();
  for (const Ref<TTextureTile>& tile : FTiles) {
    // The tile is responsible for [origin + 1, origin + used - 1] of the source.
    const TRectF interior{float(tile->OriginX() + 1), float(tile->OriginY() + 1),
                          float(tile->OriginX() + tile->UsedWidth() - 1),
                          float(tile->OriginY() + tile->UsedHeight() - 1)};
    const TRectF part = Intersection(window, interior);
    if (part.IsEmpty()) continue;
    unsigned edges = 0;
    if (Antialias) {
      if (window.Left >= interior.Left) edges |= kEdgeLeft;
      if (window.Top >= interior.Top) edges |= kEdgeTop;
      if (window.Right <= interior.Right) edges |= kEdgeRight;
      if (window.Bottom <= interior.Bottom) edges |= kEdgeBottom;
    }
    const float u0 = (part.Left - window.Left) * to_u;
    const float v0 = (part.Top - window.Top) * to_v;
    const TQuadFrame piece{frame.At(u0, v0), frame.XAxis * (part.Width() * to_u), frame.YAxis * (part.Height() * to_v)};
    const float tw = float(tile->Width());
    const float th = float(tile->Height());
    const TRectF tex{(part.Left - tile->OriginX()) / tw, (part.Top - tile->OriginY()) / th,
                     (part.Right - tile->OriginX()) / tw, (part.Bottom - tile->OriginY()) / th};
    draw(TTilePart{tile->DeviceTexture(), piece, tex, edges});
  }
}

}  // namespace orv
