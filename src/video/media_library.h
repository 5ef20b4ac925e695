// The media library: our FFmpeg module, loaded at run time from the show's package or from
// Common/ beside the program's folder. One shared instance serves the whole process;
// opening and closing files and audio streams happen under its lock.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/ref_object.h"
#include "base/stream.h"
#include "video/media_library_api.h"
#include "video/media_stream.h"

namespace orv {

// Where the library lies, relative to the program's folder.
inline constexpr const char* kMediaLibraryPath = "../Common/FFmpeg.so";
// The name of the library as a package entry.
inline constexpr const char* kMediaLibraryEntry = "ffmpeg.dll";

// Every function of the library. A library that lacks one of them is not used.
struct TMediaLibraryFunctions {
  TOpenMediaFile OpenMediaFile;
  TOpenMediaFile2 OpenMediaFile2;
  TCloseMediaFile CloseMediaFile;
  TGetFormatName GetFormatName;
  TSeekFile SeekFile;
  TFlush Flush;
  TFlushVideo FlushVideo;
  TAllocBuffer AllocBuffer;
  TAllocBufferWithData AllocBufferWithData;
  TFreeBuffer FreeBuffer;
  TGetNextVideoFrame GetNextVideoFrame;
  TGetFrameInfo GetFrameInfo;
  TConvertFrame ConvertFrame;
  TGetCurrentPts GetCurrentPts;
  TGetAudioInfo GetAudioInfo;
  TOpenAudioStream OpenAudioStream;
  TGetNextAudioFrame GetNextAudioFrame;
  TAfterAudioSeek AfterAudioSeek;
  TCloseAudioStream CloseAudioStream;
  TGetDtsPts GetDtsPts;
  TGetDtsPts2 GetDtsPts2;
  TCreateVideoFile CreateVideoFile;
  TCreateAudioFile CreateAudioFile;
  TCreateVideoAudioFile CreateVideoAudioFile;
};

// The container kinds that timing and seeking tell apart.
enum class TContainerKind { Other = 0, Avi = 1, Matroska = 2, Mov = 3, Mpeg = 4, Flv = 5, MpegTs = 6, Asf = 7 };
TContainerKind ContainerKindOf(std::string_view format_name);

// Interlacing stated by the file's tag.
enum class TInterlaceTag { None, TopFieldFirst, BottomFieldFirst };
TInterlaceTag InterlaceTagOf(std::string_view file_tag);

class TMediaLibrary : public TRefObject {
 public:
  // Null, with the reason in `error`, when the file does not load or lacks a function.
  static Ref<TMediaLibrary> Load(const std::string& path, std::string& error);

  const TMediaLibraryFunctions& Functions() const noexcept { return FFunctions; }
  const std::string& Path() const noexcept { return FPath; }
  // Held while files and audio streams are opened and closed.
  std::mutex& Lock() noexcept { return FLock; }

 protected:
  void Dispose() override;

 private:
  TMediaLibrary(std::string path, void* handle) : FPath(std::move(path)), FHandle(handle) {}
  bool ResolveFunctions(std::string& missing);

  std::string FPath;
  void* FHandle;
  TMediaLibraryFunctions FFunctions{};
  std::mutex FLock;
};

// The process-wide library. The first library that loads is kept; while it is loaded or
// loading, further requests change nothing.
//
// Loads the first of `candidates` that loads, on a thread of its own, so that opening a
// show does not wait for FFmpeg's libraries to be mapped.
void LoadSharedMediaLibraryInBackground(std::vector<std::string> candidates);
// The same, waiting for the outcome; whether a library is loaded.
bool LoadSharedMediaLibrary(const std::string& path);
// Whether a library is loaded or being loaded.
bool MediaLibraryRequested();
// The library, once loading has ended; null when none could be loaded.
Ref<TMediaLibrary> SharedMediaLibrary();
// The path of the loaded library; empty when none is loaded.
std::string MediaLibraryPath();

// A media file opened by the library; closed (with its audio stream) when released.
class TMediaFile : public TRefObject {
 public:
  // Reads `stream`, or without one the file `name` on disk; `name` also tells the format
  // by its extension. Null when the library cannot read the file.
  static Ref<TMediaFile> Open(Ref<TMediaLibrary> library, const std::string& name, StreamPtr stream);

  TMediaRecord& Record() const noexcept { return *FRecord; }
  const TMediaLibraryFunctions& Functions() const noexcept { return FLibrary->Functions(); }
  std::string FormatName() const;
  TContainerKind ContainerKind() const { return ContainerKindOf(FormatName()); }
  TInterlaceTag InterlaceTag() const { return InterlaceTagOf(FRecord->FileTag); }

  bool OpenAudioStream(int selector);
  void CloseAudioStream();

 protected:
  void Dispose() override;

 private:
  TMediaFile(Ref<TMediaLibrary> library, std::unique_ptr<TMediaStreamAdapter> stream, TMediaRecord* record)
      : FLibrary(std::move(library)), FStream(std::move(stream)), FRecord(record) {}

  Ref<TMediaLibrary> FLibrary;
  std::unique_ptr<TMediaStreamAdapter> FStream;
  TMediaRecord* FRecord;
  bool FAudioOpen = false;
};

}  // namespace orv
