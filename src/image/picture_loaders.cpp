#include "image/picture_loaders.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "base/log.h"
#include "image/bmp_reader.h"
#include "image/color_profile.h"
#include "image/gfx_container.h"
#include "image/gif_reader.h"
#include "image/jpeg_image.h"
#include "image/picture_limits.h"
#include "image/stream_reading.h"

namespace orv {
namespace {

template <class Function>
struct TRegistration {
  Function function;
  std::vector<std::string> extensions;

  // A name without extension, or a registration without extensions, matches everything.
  bool Matches(const std::string& extension) const {
    if (extension.empty() || extensions.empty()) return true;
    for (const std::string& own : extensions)
      if (own == extension) return true;
    return false;
  }
};

std::string NormalisedExtension(std::string_view extension) {
  while (!extension.empty() && (extension.front() == ' ' || extension.front() == '*')) extension.remove_prefix(1);
  std::string result = LowerUtf8(extension);
  if (result.empty() || result.front() != '.') result.insert(result.begin(), '.');
  return result;
}

template <class Function>
TRegistration<Function> MakeRegistration(Function function, const std::vector<std::string>& extensions) {
  TRegistration<Function> registration{function, {}};
  for (const std::string& extension : extensions) registration.extensions.push_back(NormalisedExtension(extension));
  return registration;
}

const std::vector<std::string> kJpegExtensions = {".jpg", ".jpeg", ".jpe", ".jfif"};

class TRegistry {
public:
  static TRegistry& Instance() {
    static TRegistry registry;
    return registry;
  }

  void Add(TPictureLoader loader, const std::vector<std::string>& extensions) {
    std::lock_guard lock(FLock);
    FLoaders.push_back(MakeRegistration(loader, extensions));
  }
  void Add(TColorProfileLoader loader, const std::vector<std::string>& extensions) {
    std::lock_guard lock(FLock);
    FProfileLoaders.push_back(MakeRegistration(loader, extensions));
  }
  // Copies, so that loaders run without the lock (a profile loader may load pictures).
  std::vector<TRegistration<TPictureLoader>> Loaders() const {
    std::lock_guard lock(FLock);
    return FLoaders;
  }
  std::vector<TRegistration<TColorProfileLoader>> ProfileLoaders() const {
    std::lock_guard lock(FLock);
    return FProfileLoaders;
  }

  void SetOpener(TFileOpener opener) {
    std::lock_guard lock(FLock);
    FOpener = std::move(opener);
  }
  TFileOpener Opener() const {
    std::lock_guard lock(FLock);
    return FOpener;
  }

private:
  TRegistry() {
    FLoaders.push_back(MakeRegistration<TPictureLoader>(LoadGfxContainer, {".tsgfx", ".bmp", ".dib", ".png", ".gif"}));
    FLoaders.push_back(MakeRegistration<TPictureLoader>(LoadWindowsBitmap, {".bmp", ".dib"}));
    FLoaders.push_back(MakeRegistration<TPictureLoader>(LoadJpeg, kJpegExtensions));
    FLoaders.push_back(MakeRegistration<TPictureLoader>(LoadGifFirstFrame, {".gif"}));
    FLoaders.push_back(MakeRegistration<TPictureLoader>(LoadGifFirstFrame, {".gif_first_frame"}));
    FProfileLoaders.push_back(MakeRegistration<TColorProfileLoader>(LoadOrvColorProfile, {}));
    FProfileLoaders.push_back(MakeRegistration<TColorProfileLoader>(LoadJpegColorSpace, kJpegExtensions));
  }

  mutable std::mutex FLock;
  std::vector<TRegistration<TPictureLoader>> FLoaders;
  std::vector<TRegistration<TColorProfileLoader>> FProfileLoaders;
  TFileOpener FOpener;
};

std::atomic<bool> GNoIcc{false};

// A ".bmp" name on PNG bytes goes to the PNG loaders.
bool StartsWithPngSignature(TStream& stream) {
  static constexpr uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  TStreamPositionGuard guard(stream);
  uint8_t bytes[8];
  return TryReadExact(stream, bytes, 8) && std::memcmp(bytes, kSignature, 8) == 0;
}

Ref<TColorProfile> FindColorProfile(TStream& stream, int64_t start, const WideString& name,
                                    const std::string& extension) {
  for (const auto& registration : TRegistry::Instance().ProfileLoaders()) {
    if (!registration.Matches(extension)) continue;
    stream.SetPosition(start);
    if (Ref<TColorProfile> profile = registration.function(stream, name)) return profile;
  }
  return nullptr;
}

// Colour-profile problems never fail a picture.
void AttachColorProfile(TSysBitmapStore& store, TStream& stream, int64_t start, const std::string& extension) {
  const int64_t loader_end = stream.Position();
  try {
    if (Ref<TColorProfile> profile = FindColorProfile(stream, start, store.Name(), extension))
      store.Attachments().Add(std::move(profile));
  } catch (const std::exception&) {
  }
  stream.SetPosition(loader_end);
}

}  // namespace

std::string PictureExtension(WideView name) {
  const size_t dot = name.find_last_of(u'.');
  const size_t separator = name.find_last_of(u"\\/");
  if (dot == WideView::npos || (separator != WideView::npos && dot < separator)) return {};
  return Utf16ToUtf8(LowerWide(name.substr(dot)));
}

void RegisterPictureLoader(TPictureLoader loader, const std::vector<std::string>& extensions) {
  TRegistry::Instance().Add(loader, extensions);
}

void RegisterColorProfileLoader(TColorProfileLoader loader, const std::vector<std::string>& extensions) {
  TRegistry::Instance().Add(loader, extensions);
}

Ref<TSysBitmapStore> LoadPicture(TStream& stream, const WideString& name, const THookFactory& hooks) {
  const int64_t start = stream.Position();
  if (stream.Size() - start > MaxPictureFileSize()) {
    Log().Write("Picture file of " + std::to_string(stream.Size() - start) + " bytes refused unread");
    return nullptr;
  }
  std::string extension = PictureExtension(name);
  if (extension == ".bmp" && StartsWithPngSignature(stream)) extension = ".png";
  TPictureScope pictures;
  for (const auto& registration : TRegistry::Instance().Loaders()) {
    if (!registration.Matches(extension)) continue;
    stream.SetPosition(start);
    if (Ref<TSysBitmapStore> store = registration.function(stream, name, hooks)) {
      if (!NoIcc()) AttachColorProfile(*store, stream, start, extension);
      return store;
    }
  }
  stream.SetPosition(start);
  return nullptr;
}

Ref<TImage> LoadImage(TStream& stream, const WideString& name) {
  Ref<TSysBitmapStore> store = LoadPicture(stream, name);
  return store ? MakeRef<TImage>(std::move(store)) : nullptr;
}

void SetFileOpener(TFileOpener opener) { TRegistry::Instance().SetOpener(std::move(opener)); }

StreamPtr OpenShowFile(const WideString& name) {
  const TFileOpener opener = TRegistry::Instance().Opener();
  return opener ? opener(name) : nullptr;
}

Ref<TImage> LoadImageFile(const WideString& name) {
  try {
    StreamPtr stream = OpenShowFile(name);
    return stream ? LoadImage(*stream, name) : nullptr;
  } catch (...) {
    return nullptr;
  }
}

void SetNoIcc(bool no_icc) { GNoIcc.store(no_icc); }
bool NoIcc() { return GNoIcc.load(); }

}  // namespace orv
