#include "render/texture_store.h"

#include "image/image.h"

namespace orv {

TTextureStore2& TextureStoreOf(const TImage& picture) {
  // Two threads asking at once must not hang two stores on one picture.
  static std::mutex lock;
  std::lock_guard guard(lock);
  TAttachmentList& attachments = picture.Store().Attachments();
  if (Ref<TTextureStore2> store = attachments.Find<TTextureStore2>()) return *store;
  Ref<TTextureStore2> store = MakeRef<TTextureStore2>();
  attachments.Add(store);
  return *store;
}

Ref<TTextureWrapper> TTextureStore2::Obtain(const TTextureManager6* manager, int level, int columns, int rows,
                                            bool count_user, const TFactory& make) {
  std::lock_guard lock(FLock);
  for (const Ref<TTextureWrapper>& w : FWrappers) {
    if (w->Manager == manager && w->Level == level && w->Columns == columns && w->Rows == rows) {
      if (count_user) ++w->Users;
      return w;
    }
  }
  Ref<TMultiTexture6> texture = make();
  if (!texture) return nullptr;
  Ref<TTextureWrapper> wrapper = MakeRef<TTextureWrapper>(manager, level, columns, rows, std::move(texture));
  if (count_user) wrapper->Users = 1;
  FWrappers.push_back(wrapper);
  return wrapper;
}

void TTextureStore2::ReleaseUser(const TTextureManager6* manager) {
  std::lock_guard lock(FLock);
  std::erase_if(FWrappers, [manager](const Ref<TTextureWrapper>& w) {
    return w->Manager == manager && --w->Users <= 0;
  });
}

void TTextureStore2::RemoveAll(const TTextureManager6* manager) {
  std::lock_guard lock(FLock);
  std::erase_if(FWrappers, [manager](const Ref<TTextureWrapper>& w) { return w->Manager == manager; });
}

int TTextureStore2::Count() const {
  std::lock_guard lock(FLock);
  return int(FWrappers.size());
}

}  // namespace orv
