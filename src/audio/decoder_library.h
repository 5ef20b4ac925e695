// The Ogg and WMA decoder libraries: loaded once from Common/ beside the program's folder
// and shared by every converter of their kind.
#pragma once

#include <memory>
#include <string>

#include "audio/audio_converter.h"
#include "audio/decoder_library_api.h"
#include "audio/library_converter.h"
#include "base/ref_object.h"
#include "video/media_stream.h"

namespace orv {

// Where the libraries lie, relative to the program's folder. Shows may carry libraries
// of these names for another system ("orvogg.dll", "orvwma.dll"); those are never loaded.
inline constexpr const char* kOggLibraryPath = "../Common/orvogg.so";
inline constexpr const char* kWmaLibraryPath = "../Common/orvwma.so";

struct TDecoderLibraryFunctions {
  TGetMediaInfo GetMediaInfo;
  TCreateDecoder CreateDecoder;
  TDestroyDecoder DestroyDecoder;
  TDecode Decode;
  TSetPosition SetPosition;
};

class TDecoderLibrary : public TRefObject {
 public:
  // Null, with the reason in `error`, when the file does not load or lacks a function.
  static Ref<TDecoderLibrary> Load(const std::string& path, std::string& error);

  const TDecoderLibraryFunctions& Functions() const noexcept { return FFunctions; }

 protected:
  void Dispose() override;

 private:
  explicit TDecoderLibrary(void* handle) : FHandle(handle) {}
  bool ResolveFunctions(std::string& missing);

  void* FHandle;
  TDecoderLibraryFunctions FFunctions{};
};

// Loads both libraries from Common/ beside `program_folder` (ending in "/"), once per process,
// when a sound first asks for one (DecoderLibrary): mapping FFmpeg for the WMA library takes
// tens of ms, which opening a show should not wait for. A library that does not load is
// logged ("OGG INITIALIZE FAILED", "WMA INITIALIZE FAILED") and its kind goes to the media
// library.
void LoadDecoderLibraries(const std::string& program_folder);
// Installs (or with null removes) the library of a kind (Ogg or Wma).
void SetDecoderLibrary(TMediaType type, Ref<TDecoderLibrary> library);
// The library of a kind; null when none is loaded.
Ref<TDecoderLibrary> DecoderLibrary(TMediaType type);

// The probe of the Ogg and WMA kinds: asks the kind's library.
bool ProbeWithDecoderLibrary(TMediaType type, TStream& stream, TMediaInfo& info);

class TDllConverter : public TLibraryConverter {
 public:
  TDllConverter(StreamPtr stream, Ref<TDecoderLibrary> library);

  bool Open(const TMediaInfo& info) override;

 protected:
  ~TDllConverter() override;

  bool ReadRaw() override;
  void SeekLibrary(double ms) override;

 private:
  static void AppendDecoded(void* converter, const uint8_t* bytes, int32_t count);

  Ref<TDecoderLibrary> FLibrary;
  std::unique_ptr<TMediaStreamAdapter> FAdapter;
  void* FDecoder = nullptr;
};

}  // namespace orv
