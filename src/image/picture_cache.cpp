#include "image/picture_cache.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "image/orientation.h"
#include "image/picture_loaders.h"
#include "image/placeholder.h"
#include "package/load_pacing.h"
#include "package/windows_names.h"

namespace orv {

// One cache entry: the picture of one name from one file source, decoded under the
// entry's own lock.
class TImageHandle : public TRefObject {
public:
  TImageHandle(WideString key, uint64_t source_number) : Key(std::move(key)), SourceNumber(source_number) {}

  const WideString Key;
  const uint64_t SourceNumber;
  std::mutex Lock;
  bool Loaded = false;  // under Lock
  Ref<TSysBitmapStore> Store;
  int Users = 0;  // pictures handed out plus callers inside GetImage; under the cache lock
};

namespace {

constexpr size_t kCacheBuckets = 9997;

class TPictureCache {
public:
  static TPictureCache& Instance() {
    // Never destroyed: pictures still held at exit must find it.
    static TPictureCache* cache = new TPictureCache;
    return *cache;
  }

  // The entry of a name and source, with one more user.
  Ref<TImageHandle> Acquire(const WideString& key, uint64_t source_number) {
    std::lock_guard lock(FLock);
    std::vector<Ref<TImageHandle>>& handles = FEntries[key];
    for (const Ref<TImageHandle>& handle : handles)
      if (handle->SourceNumber == source_number) return Use(handle);
    handles.push_back(MakeRef<TImageHandle>(key, source_number));
    ++FLive;
    return Use(handles.back());
  }

  void AddUser(TImageHandle& handle) {
    std::lock_guard lock(FLock);
    ++handle.Users;
  }

  // One user less; the last one takes the entry out of the cache.
  void Release(TImageHandle& handle) {
    Ref<TImageHandle> leaving;  // released after the lock, with the store it holds
    std::lock_guard lock(FLock);
    if (--handle.Users > 0) return;
    auto entry = FEntries.find(handle.Key);
    std::erase_if(entry->second, [&](const Ref<TImageHandle>& h) {
      if (h.Get() != &handle) return false;
      leaving = h;
      return true;
    });
    if (entry->second.empty()) FEntries.erase(entry);
    --FLive;
  }

  int64_t Live() const { return FLive.load(); }

private:
  TPictureCache() { FEntries.reserve(kCacheBuckets); }
  Ref<TImageHandle> Use(const Ref<TImageHandle>& handle) {
    ++handle->Users;
    return handle;
  }

  std::mutex FLock;
  std::unordered_map<WideString, std::vector<Ref<TImageHandle>>> FEntries;
  std::atomic<int64_t> FLive{0};
};

Ref<TSysBitmapStore> FromProviders(const TFileSource& source, const WideString& name) {
  for (const TPictureProvider& provider : source.PictureProviders())
    if (Ref<TBitmapStore> store = provider.Function(provider.Context, name))
      if (auto* picture = dynamic_cast<TSysBitmapStore*>(store.Get())) return Ref<TSysBitmapStore>::Share(picture);
  return nullptr;
}

THookFactory OrientationHooks(Ref<TFileSource> source) {
  return MakeOrientationHookFactory(
      [source = std::move(source)](const WideString& name) { return int(source->OrientationOf(name)); });
}

Ref<TSysBitmapStore> LoadPictureOf(TFileAccessor& accessor, const WideString& name) {
  if (Ref<TSysBitmapStore> provided = FromProviders(*accessor.Source(), name)) return provided;
  StreamPtr stream;
  try {
    stream = accessor.OpenStream(name);
    if (stream)
      if (Ref<TSysBitmapStore> store = LoadPicture(*stream, name, OrientationHooks(accessor.Source()))) return store;
  } catch (const Exception&) {
    // A file that breaks while it is read shows as a picture that could not be loaded.
  }
  return MakePlaceholderPicture(name, stream ? u"Image load error:" : u"Image not found",
                                WideString(LastNameComponent(name)));
}

}  // namespace

TCachedImage::TCachedImage(Ref<TSysBitmapStore> store, Ref<TImageHandle> handle)
    : TImage(std::move(store)), FHandle(std::move(handle)) {
  TPictureCache::Instance().AddUser(*FHandle);
}

Ref<TImage> TCachedImage::Clone() const { return MakeRef<TCachedImage>(Ref<TSysBitmapStore>::Share(&Store()), FHandle); }

void TCachedImage::Dispose() {
  TPictureCache::Instance().Release(*FHandle);
  TImage::Dispose();
}

Ref<TCachedImage> GetImage(TFileAccessor& accessor, WideView name) {
  const WideString own_name(name);
  TPictureCache& cache = TPictureCache::Instance();
  Ref<TImageHandle> handle = cache.Acquire(LowerWide(name), accessor.Source()->Number());
  {
    std::lock_guard lock(handle->Lock);
    if (!handle->Loaded) {
      handle->Store = LoadPictureOf(accessor, own_name);
      handle->Loaded = true;
    }
  }
  Ref<TCachedImage> image;
  if (handle->Store) {
    image = MakeRef<TCachedImage>(handle->Store, handle);
    handle->Store->SetProgressHandler([](double) { PaceLoading(nullptr); });
  }
  cache.Release(*handle);
  return image;
}

int64_t LiveImageHandles() { return TPictureCache::Instance().Live(); }

}  // namespace orv
