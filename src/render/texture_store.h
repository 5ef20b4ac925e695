// The device textures made from one picture, hung on the picture so that every slide that
// shows it draws from the same upload.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "base/ref_object.h"
#include "render/texture_tiles.h"

namespace orv {

class TImage;

// One variant of a picture on one device: its resolution level and sprite grid.
class TTextureWrapper : public TRefObject {
public:
  TTextureWrapper(const TTextureManager6* manager, int level, int columns, int rows, Ref<TMultiTexture6> texture)
      : Manager(manager), Level(level), Columns(columns), Rows(rows), Texture(std::move(texture)) {}

  const TTextureManager6* const Manager;
  const int Level;
  const int Columns;
  const int Rows;
  const Ref<TMultiTexture6> Texture;
  // Objects that prepared this variant and have not released it yet.
  int Users = 0;
};

class TTextureStore2 : public TRefObject {
public:
  using TFactory = std::function<Ref<TMultiTexture6>()>;

  // The variant for this device, level and grid, made by `make` when missing. With
  // `count_user` the caller becomes one of its users.
  Ref<TTextureWrapper> Obtain(const TTextureManager6* manager, int level, int columns, int rows, bool count_user,
                              const TFactory& make);
  // One user fewer for every variant of this device; a variant without users is dropped.
  void ReleaseUser(const TTextureManager6* manager);
  // Drops every variant of this device.
  void RemoveAll(const TTextureManager6* manager);
  int Count() const;

private:
  mutable std::mutex FLock;
  std::vector<Ref<TTextureWrapper>> FWrappers;
};

// The texture store hung on a picture's store (shared by every handle on it), made on
// first use.
TTextureStore2& TextureStoreOf(const TImage& picture);

}  // namespace orv
