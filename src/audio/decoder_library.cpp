#include "audio/decoder_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "audio/mp3_shift_stream.h"
#include "base/log.h"

namespace orv {
namespace {

struct TLoadedLibraries {
  std::mutex Lock;
  std::map<TMediaType, Ref<TDecoderLibrary>> Libraries;
  // Where the libraries are to be loaded from, until the first asks for them.
  std::optional<std::string> PendingFolder;
  bool Requested = false;
};

TLoadedLibraries& Loaded() {
  static TLoadedLibraries libraries;
  return libraries;
}

template <class Function>
bool Resolve(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  return function != nullptr;
}

Ref<TDecoderLibrary> LoadOrLog(const std::string& path, const char* failure) {
  std::string error;
  Ref<TDecoderLibrary> library = TDecoderLibrary::Load(path, error);
  if (!library) Log().Write(std::string(failure) + " (" + path + ": " + error + ")");
  return library;
}

// The library reads the converter's stream through a view, so the converter keeps it.
std::unique_ptr<TMediaStreamAdapter> AdapterOver(TStream& stream) {
  return std::make_unique<TMediaStreamAdapter>(std::make_unique<TMp3ShiftStream>(stream, 0));
}

}  // namespace

Ref<TDecoderLibrary> TDecoderLibrary::Load(const std::string& path, std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    error = dlerror();
    return nullptr;
  }
  Ref<TDecoderLibrary> library = Ref<TDecoderLibrary>::Adopt(new TDecoderLibrary(handle));
  std::string missing;
  if (!library->ResolveFunctions(missing)) {
    error = "no function \"" + missing + "\"";
    return nullptr;
  }
  return library;
}

bool TDecoderLibrary::ResolveFunctions(std::string& missing) {
#define ORV_RESOLVE(name)                          \
  if (!Resolve(FHandle, #name, FFunctions.name)) { \
    missing = #name;                               \
    return false;                                  \
  }
  ORV_RESOLVE(GetMediaInfo)
  ORV_RESOLVE(CreateDecoder)
  ORV_RESOLVE(DestroyDecoder)
  ORV_RESOLVE(Decode)
  ORV_RESOLVE(SetPosition)
#undef ORV_RESOLVE
  return true;
}

void TDecoderLibrary::Dispose() {
  dlclose(FHandle);
  TRefObject::Dispose();
}

void LoadDecoderLibraries(const std::string& program_folder) {
  std::lock_guard lock(Loaded().Lock);
  if (Loaded().Requested) return;
  Loaded().Requested = true;
  Loaded().PendingFolder = program_folder;
}

void SetDecoderLibrary(TMediaType type, Ref<TDecoderLibrary> library) {
  std::lock_guard lock(Loaded().Lock);
  Loaded().Libraries[type] = std::move(library);
}

Ref<TDecoderLibrary> DecoderLibrary(TMediaType type) {
  std::lock_guard lock(Loaded().Lock);
  if (const std::optional<std::string> folder = std::exchange(Loaded().PendingFolder, std::nullopt)) {
    Loaded().Libraries[TMediaType::Ogg] = LoadOrLog(*folder + kOggLibraryPath, "OGG INITIALIZE FAILED");
    Loaded().Libraries[TMediaType::Wma] = LoadOrLog(*folder + kWmaLibraryPath, "WMA INITIALIZE FAILED");
  }
  const auto found = Loaded().Libraries.find(type);
  return found == Loaded().Libraries.end() ? nullptr : found->second;
}

bool ProbeWithDecoderLibrary(TMediaType type, TStream& stream, TMediaInfo& info) {
  const Ref<TDecoderLibrary> library = DecoderLibrary(type);
  if (!library) return false;
  const std::unique_ptr<TMediaStreamAdapter> adapter = AdapterOver(stream);
  int32_t duration = 0;
  int32_t offset = 0;
  TDecoderWaveFormat format{};
  const TMediaStreamCallbacks& callbacks = adapter->Callbacks();
  if (!library->Functions().GetMediaInfo(callbacks.Stream, &callbacks, &duration, &offset, &format)) return false;
  info.DurationMs = std::max(duration, 0);
  info.DataOffset = std::max(offset, 0);
  info.Format = {format.FormatTag,     format.Channels,      format.SamplesPerSec, format.AvgBytesPerSec,
                 format.BlockAlign,    format.BitsPerSample, 0};
  info.Type = type;
  return true;
}

TDllConverter::TDllConverter(StreamPtr stream, Ref<TDecoderLibrary> library)
    : TLibraryConverter(std::move(stream)), FLibrary(std::move(library)) {}

TDllConverter::~TDllConverter() {
  if (FDecoder) FLibrary->Functions().DestroyDecoder(FDecoder);
}

bool TDllConverter::Open(const TMediaInfo& info) {
  if (!HasStream()) return false;
  FAdapter = AdapterOver(Stream());
  const TMediaStreamCallbacks& callbacks = FAdapter->Callbacks();
  FDecoder = FLibrary->Functions().CreateDecoder(callbacks.Stream, &callbacks, AppendDecoded, this, 0);
  return FDecoder && TWavConverter::Open(info);
}

void TDllConverter::AppendDecoded(void* converter, const uint8_t* bytes, int32_t count) {
  if (count > 0) static_cast<TDllConverter*>(converter)->Raw().Append(bytes, size_t(count));
}

bool TDllConverter::ReadRaw() {
  Raw().Clear();
  return FLibrary->Functions().Decode(FDecoder) > 0 && !Raw().Empty();
}

void TDllConverter::SeekLibrary(double ms) { FLibrary->Functions().SetPosition(FDecoder, static_cast<int32_t>(ms)); }

}  // namespace orv
