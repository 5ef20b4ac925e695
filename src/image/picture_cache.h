// The process-wide picture cache of the file accessors: one decoded store per picture
// name and file source, shared by every handle on it. Two threads asking for the same
// picture decode it once; different pictures decode in parallel.
#pragma once

#include "image/image.h"
#include "package/file_accessor.h"

namespace orv {

class TImageHandle;

// A picture handed out by the cache; it keeps its cache entry alive.
class TCachedImage : public TImage {
public:
  TCachedImage(Ref<TSysBitmapStore> store, Ref<TImageHandle> handle);
  Ref<TImage> Clone() const override;

protected:
  void Dispose() override;

private:
  Ref<TImageHandle> FHandle;
};

// The picture `name` of the accessor's files: from the source's picture providers, else
// decoded from the file (turned by the source's orientation table), else a placeholder
// saying "Image not found" or "Image load error:" with the file's name. A placeholder is
// cached like a real picture. Nothing only when even the placeholder cannot be drawn.
Ref<TCachedImage> GetImage(TFileAccessor& accessor, WideView name);

// Cache entries alive now (entries leave with the last picture handed out for them).
int64_t LiveImageHandles();

}  // namespace orv
