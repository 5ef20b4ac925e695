#include "video/media_library.h"

#include <dlfcn.h>

#include <cfenv>
#include <chrono>
#include <future>

#include "base/log.h"

namespace orv {
namespace {

struct TContainerName {
  std::string_view Name;
  TContainerKind Kind;
};
constexpr TContainerName kContainerNames[] = {
    {"avi", TContainerKind::Avi},
    {"matroska,webm", TContainerKind::Matroska},
    {"mov,mp4,m4a,3gp,3g2,mj2", TContainerKind::Mov},
    {"mpeg", TContainerKind::Mpeg},
    {"mpegvideo", TContainerKind::Mpeg},
    {"flv", TContainerKind::Flv},
    {"mpegts", TContainerKind::MpegTs},
    {"asf", TContainerKind::Asf},
};

// A format name longer than this is not a name the library would give.
constexpr int32_t kMaxFormatName = 4096;

// Decoders may divide by zero on damaged files; the library runs with every
// floating-point exception masked, whatever the caller had set.
class TMaskedFloatingPoint {
 public:
  TMaskedFloatingPoint() { std::feholdexcept(&FSaved); }
  ~TMaskedFloatingPoint() { std::fesetenv(&FSaved); }
  TMaskedFloatingPoint(const TMaskedFloatingPoint&) = delete;
  TMaskedFloatingPoint& operator=(const TMaskedFloatingPoint&) = delete;

 private:
  std::fenv_t FSaved;
};

template <class Function>
bool Resolve(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  return function != nullptr;
}

struct TSharedMediaLibrary {
  std::mutex Lock;
  // Invalid until requested. The last copy of a running load waits for it when the
  // process ends.
  std::shared_future<Ref<TMediaLibrary>> Library;
};

TSharedMediaLibrary& Shared() {
  static TSharedMediaLibrary shared;
  return shared;
}

std::shared_future<Ref<TMediaLibrary>> SharedLoad() {
  std::lock_guard lock(Shared().Lock);
  return Shared().Library;
}

// Loading, or loaded with success.
bool IsRequested(const std::shared_future<Ref<TMediaLibrary>>& library) {
  if (!library.valid()) return false;
  return library.wait_for(std::chrono::seconds(0)) != std::future_status::ready || library.get();
}

Ref<TMediaLibrary> LoadFirstOf(const std::vector<std::string>& candidates) {
  for (const std::string& path : candidates) {
    std::string error;
    if (Ref<TMediaLibrary> library = TMediaLibrary::Load(path, error)) {
      Log().Write("Media library loaded: " + path);
      return library;
    }
    Log().Write("Media library " + path + " not used: " + error);
  }
  return nullptr;
}

}  // namespace

TContainerKind ContainerKindOf(std::string_view format_name) {
  for (const TContainerName& container : kContainerNames)
    if (container.Name == format_name) return container.Kind;
  return TContainerKind::Other;
}

TInterlaceTag InterlaceTagOf(std::string_view file_tag) {
  if (file_tag == "Tessaro_ITFA") return TInterlaceTag::TopFieldFirst;
  if (file_tag == "Tessaro_ITFB") return TInterlaceTag::BottomFieldFirst;
  return TInterlaceTag::None;
}

Ref<TMediaLibrary> TMediaLibrary::Load(const std::string& path, std::string& error) {
  // Never unmapped: FFmpeg keeps tables and threads of its own that must not outlive its code.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) {
    error = dlerror();
    return nullptr;
  }
  Ref<TMediaLibrary> library = Ref<TMediaLibrary>::Adopt(new TMediaLibrary(path, handle));
  std::string missing;
  if (!library->ResolveFunctions(missing)) {
    error = "no function \"" + missing + "\"";
    return nullptr;
  }
  return library;
}

bool TMediaLibrary::ResolveFunctions(std::string& missing) {
#define ORV_RESOLVE(name)                          \
  if (!Resolve(FHandle, #name, FFunctions.name)) { \
    missing = #name;                               \
    return false;                                  \
  }
  ORV_RESOLVE(OpenMediaFile)
  ORV_RESOLVE(OpenMediaFile2)
  ORV_RESOLVE(CloseMediaFile)
  ORV_RESOLVE(GetFormatName)
  ORV_RESOLVE(SeekFile)
  ORV_RESOLVE(Flush)
  ORV_RESOLVE(FlushVideo)
  ORV_RESOLVE(AllocBuffer)
  ORV_RESOLVE(AllocBufferWithData)
  ORV_RESOLVE(FreeBuffer)
  ORV_RESOLVE(GetNextVideoFrame)
  ORV_RESOLVE(GetFrameInfo)
  ORV_RESOLVE(ConvertFrame)
  ORV_RESOLVE(GetCurrentPts)
  ORV_RESOLVE(GetAudioInfo)
  ORV_RESOLVE(OpenAudioStream)
  ORV_RESOLVE(GetNextAudioFrame)
  ORV_RESOLVE(AfterAudioSeek)
  ORV_RESOLVE(CloseAudioStream)
  ORV_RESOLVE(GetDtsPts)
  ORV_RESOLVE(GetDtsPts2)
  ORV_RESOLVE(CreateVideoFile)
  ORV_RESOLVE(CreateAudioFile)
  ORV_RESOLVE(CreateVideoAudioFile)
#undef ORV_RESOLVE
  return true;
}

void TMediaLibrary::Dispose() {
  dlclose(FHandle);
  TRefObject::Dispose();
}

void LoadSharedMediaLibraryInBackground(std::vector<std::string> candidates) {
  if (candidates.empty()) return;
  std::lock_guard lock(Shared().Lock);
  if (IsRequested(Shared().Library)) return;
  Shared().Library = std::async(std::launch::async, LoadFirstOf, std::move(candidates)).share();
}

bool LoadSharedMediaLibrary(const std::string& path) {
  LoadSharedMediaLibraryInBackground({path});
  return bool(SharedMediaLibrary());
}

bool MediaLibraryRequested() { return IsRequested(SharedLoad()); }

Ref<TMediaLibrary> SharedMediaLibrary() {
  std::shared_future<Ref<TMediaLibrary>> library = SharedLoad();
  return library.valid() ? library.get() : nullptr;
}

std::string MediaLibraryPath() {
  const Ref<TMediaLibrary> library = SharedMediaLibrary();
  return library ? library->Path() : std::string();
}

Ref<TMediaFile> TMediaFile::Open(Ref<TMediaLibrary> library, const std::string& name, StreamPtr stream) {
  if (!library) return nullptr;
  auto adapter = stream ? std::make_unique<TMediaStreamAdapter>(std::move(stream)) : nullptr;
  TMediaRecord* record;
  {
    std::lock_guard lock(library->Lock());
    TMaskedFloatingPoint masked;
    record = library->Functions().OpenMediaFile(name.c_str(), adapter.get(), adapter ? &adapter->Callbacks() : nullptr);
  }
  if (!record) return nullptr;
  // Adopted first, so that a record without streams is closed like any other.
  Ref<TMediaFile> file = Ref<TMediaFile>::Adopt(new TMediaFile(std::move(library), std::move(adapter), record));
  if (record->VideoStream < 0 && record->AudioStream < 0) return nullptr;
  PostProcessRecord(*record, ContainerKindOf(file->FormatName()), file->FExtras);
  return file;
}

TMediaFile::TMediaFile(Ref<TMediaLibrary> library, std::unique_ptr<TMediaStreamAdapter> stream, TMediaRecord* record)
    : FLibrary(std::move(library)), FStream(std::move(stream)), FRecord(record) {}

std::string TMediaFile::FormatName() const {
  const int32_t length = Functions().GetFormatName(FRecord, nullptr, 0, 0);
  if (length <= 0 || length > kMaxFormatName) return {};
  std::string name(size_t(length) + 1, '\0');
  Functions().GetFormatName(FRecord, name.data(), length + 1, 0);
  name.resize(size_t(length));
  return name;
}

bool TMediaFile::OpenAudioStream(int selector) {
  std::lock_guard lock(FLibrary->Lock());
  FAudioOpen = Functions().OpenAudioStream(FRecord, selector) > 0;
  return FAudioOpen;
}

void TMediaFile::CloseAudioStream() {
  std::lock_guard lock(FLibrary->Lock());
  if (FAudioOpen) Functions().CloseAudioStream(FRecord);
  FAudioOpen = false;
}

void TMediaFile::Dispose() {
  CloseAudioStream();
  {
    std::lock_guard lock(FLibrary->Lock());
    Functions().CloseMediaFile(FRecord);
  }
  TRefObject::Dispose();
}

}  // namespace orv
