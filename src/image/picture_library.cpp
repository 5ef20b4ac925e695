#include "image/picture_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "base/log.h"
#include "image/picture_limits.h"
#include "image/picture_loaders.h"
#include "image/stream_reading.h"

namespace orv {
namespace {

// The library, loaded on first use. One that lacks any of the four functions is
// unloaded and never tried again.
class TPictureLibrary {
public:
  static TPictureLibrary& Instance() {
    static TPictureLibrary library;
    return library;
  }

  // True the first time a path is set.
  bool SetPath(const std::string& path) {
    std::lock_guard lock(FLock);
    if (!FPath.empty()) return false;
    FPath = path;
    return true;
  }

  const TPictureLibFunctions* Functions() {
    std::lock_guard lock(FLock);
    if (!FTried) {
      FTried = true;
      Load();
    }
    return FHandle ? &FFunctions : nullptr;
  }

private:
  void Load() {
    FHandle = dlopen(FPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FHandle) {
      Log().Write("Picture library not loaded: " + std::string(dlerror()));
      return;
    }
    FFunctions.OpenImage = reinterpret_cast<TOpenImageFunction>(dlsym(FHandle, "OpenImage"));
    FFunctions.OpenImageFile = reinterpret_cast<TOpenImageFileFunction>(dlsym(FHandle, "OpenImageFile"));
    FFunctions.ReadImage = reinterpret_cast<TReadImageFunction>(dlsym(FHandle, "ReadImage"));
    FFunctions.CloseImage = reinterpret_cast<TCloseImageFunction>(dlsym(FHandle, "CloseImage"));
    if (!FFunctions.OpenImage || !FFunctions.OpenImageFile || !FFunctions.ReadImage || !FFunctions.CloseImage) {
      Log().Write("Picture library " + FPath + " lacks a function; not used");
      dlclose(FHandle);
      FHandle = nullptr;
    }
  }

  std::mutex FLock;
  std::string FPath;
  bool FTried = false;
  void* FHandle = nullptr;
  TPictureLibFunctions FFunctions{};
};

int64_t DataSize(void* picture) { return int64_t(static_cast<std::string*>(picture)->size()); }
void DataSetSize(void* picture, int64_t size) { static_cast<std::string*>(picture)->resize(size_t(std::max<int64_t>(size, 0))); }
int64_t DataReadAt(void* picture, void* buffer, int64_t count, int64_t position) {
  const std::string& data = *static_cast<std::string*>(picture);
  if (position < 0 || count <= 0 || position >= int64_t(data.size())) return 0;
  const int64_t n = std::min<int64_t>(count, int64_t(data.size()) - position);
  std::memcpy(buffer, data.data() + position, size_t(n));
  return n;
}
int64_t DataWriteAt(void* picture, const void* buffer, int64_t count, int64_t position) {
  std::string& data = *static_cast<std::string*>(picture);
  if (position < 0 || count <= 0) return 0;
  if (int64_t(data.size()) < position + count) data.resize(size_t(position + count));
  std::memcpy(data.data() + position, buffer, size_t(count));
  return count;
}

// The length of a PNG file: its chunks up to and including "IEND"; 0 until `data` holds
// them all.
size_t PngEnd(std::string_view data) {
  constexpr size_t kSignatureSize = 8;
  constexpr size_t kChunkOverhead = 12;  // length, type and check sum
  size_t at = kSignatureSize;
  while (at + 8 <= data.size()) {
    const auto* chunk = reinterpret_cast<const uint8_t*>(data.data()) + at;
    const uint64_t length = uint64_t(chunk[0]) << 24 | uint64_t(chunk[1]) << 16 | uint64_t(chunk[2]) << 8 | chunk[3];
    if (at + kChunkOverhead + length > data.size()) return 0;
    at += kChunkOverhead + length;
    if (std::memcmp(chunk + 4, "IEND", 4) == 0) return at;
  }
  return 0;
}

// Rows the library laid out evenly are used in place; others are copied together.
Ref<TBitmap> BitmapOverRows(Ref<TPictureLibPicture> picture, const TCommonPixelFormat& format) {
  const TPictureLibImage& image = picture->Image();
  const ptrdiff_t row_bytes = ptrdiff_t(image.Width) * format.BytesPerPixel();
  const ptrdiff_t stride = image.Height > 1 ? image.Rows[1] - image.Rows[0] : row_bytes;
  bool even = stride >= row_bytes;
  for (int y = 2; even && y < image.Height; ++y) even = image.Rows[y] - image.Rows[y - 1] == stride;
  if (even) return TBitmap::Wrap(image.Width, image.Height, format, image.Rows[0], stride, std::move(picture));
  Ref<TBitmap> copy = TBitmap::Create(image.Width, image.Height, format);
  for (int y = 0; y < image.Height; ++y) std::memcpy(copy->Row(y), image.Rows[y], size_t(row_bytes));
  return copy;
}

}  // namespace

void TPictureLibPicture::Dispose() {
  if (FOpen) FFunctions->CloseImage(&FImage);
  TRefObject::Dispose();
}

bool RegisterPictureLibrary(const std::string& path, const std::vector<std::string>& extensions) {
  if (access(path.c_str(), F_OK) != 0) return false;
  if (TPictureLibrary::Instance().SetPath(path)) RegisterPictureLoader(LoadWithPictureLibrary, extensions);
  return true;
}

TImageLibStore::TImageLibStore(WideString name, Ref<TPictureLibPicture> picture, Ref<TLevelHook> hook)
    : TSysBitmapStore(std::move(name), picture->Image().Width, picture->Image().Height,
                      picture->Image().BitsPerPixel == 32 ? pf::A8R8G8B8 : pf::R8G8B8, std::move(hook)),
      FPicture(std::move(picture)) {}

Ref<TBitmap> TImageLibStore::LoadLevel(int level) {
  if (level != 0) return nullptr;
  // The library allocates the rows itself: their share is taken first, and kept with them.
  FPicture->FRowsMemory.Resize(int64_t(Width()) * Height() * Format().BytesPerPixel());
  FPicture->FFunctions->ReadImage(&FPicture->FImage);
  ReportProgress(1.0);
  // A library that gave no rows leaves the picture transparent.
  if (!FPicture->FImage.Rows) return TBitmap::Create(Width(), Height(), Format());
  return BitmapOverRows(FPicture, Format());
}

Ref<TSysBitmapStore> LoadWithPictureLibrary(TStream& stream, const WideString& name, const THookFactory& hooks) {
  const TPictureLibFunctions* functions = TPictureLibrary::Instance().Functions();
  if (!functions) return nullptr;
  TStreamPositionGuard guard(stream);
  Ref<TPictureLibPicture> picture = Ref<TPictureLibPicture>::Adopt(new TPictureLibPicture);
  picture->FFunctions = functions;
  try {
    if (!ReadPictureBytes(stream, picture->FData, picture->FDataMemory, MaxPictureFileSize(), PngEnd)) return nullptr;
  } catch (const Exception&) {
    return nullptr;
  }
  picture->FStream = {&picture->FData, DataSize, DataSetSize, DataReadAt, DataWriteAt};
  picture->FOpen = functions->OpenImage(&picture->FImage, &picture->FStream) != 0;
  if (!picture->FOpen) return nullptr;
  const TPictureLibImage& image = picture->FImage;
  if ((image.BitsPerPixel != 24 && image.BitsPerPixel != 32) || !PictureSizeAllowed(image.Width, image.Height))
    return nullptr;  // releasing the picture closes it
  guard.Keep();
  return MakeRef<TImageLibStore>(name, std::move(picture), MakeHook(hooks, name));
}

}  // namespace orv
