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
#include "video/media_timing.h"

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
// Not for use by two threads at once.
class TMediaFile : public TRefObject {
 public:
  // Reads `stream`, or without one the file `name` on disk; `name` also tells the format
  // by its extension. Null when the library cannot read the file or finds neither video
  // nor audio in it. The record comes normalised (PostProcessRecord).
  static Ref<TMediaFile> Open(Ref<TMediaLibrary> library, const std::string& name, StreamPtr stream);

  TMediaRecord& Record() const noexcept { return *FRecord; }
  const TVideoDataEx& Extras() const noexcept { return FExtras; }
  const TMediaLibraryFunctions& Functions() const noexcept { return FLibrary->Functions(); }
  std::string FormatName() const;
  TContainerKind ContainerKind() const { return FExtras.Container; }
  TInterlaceTag InterlaceTag() const { return InterlaceTagOf(FRecord->FileTag); }

  // Decodes the next video frame into `buffer`; false at the end of the video or when
  // the frame cannot be decoded.
  bool DecodeNextFrame(TMediaBuffer& buffer);
  // Makes `buffer` hold frame `index`, or the nearest later one when the file lacks it,
  // or the last one when the video ends before it. Steps up to kMaxDecodeAhead frames
  // forward by decoding; seeks for anything further or earlier. False when no frame
  // could be decoded.
  bool SeekToFrame(int64_t index, TMediaBuffer& buffer);
  // Back to the first frame of the video, decoded into `buffer`.
  void RewindVideo(TMediaBuffer& buffer);
  static constexpr int64_t kMaxDecodeAhead = 30;

  bool OpenAudioStream(int selector);
  void CloseAudioStream();
  // Moves the opened audio stream's decoding to `ms` from the start of the file: what the
  // next audio frames deliver then begins within one audio frame of `ms`. The way of
  // seeking that suits the file is chosen on the first call and kept.
  void SeekAudio(double ms);

 protected:
  void Dispose() override;

 private:
  TMediaFile(Ref<TMediaLibrary> library, std::unique_ptr<TMediaStreamAdapter> stream, TMediaRecord* record);
  void DecodeForwardTo(int64_t index, TMediaBuffer& buffer);
  bool SeekAndDecodeFirst(int64_t index, TMediaBuffer& buffer);
  void SeekVideoTo(int64_t index, TMediaBuffer& buffer);
  TAudioSeekStrategy ChooseAudioSeekStrategy();
  bool SeekAudioStream(double ms);
  void SeekAudioByTries(double ms);
  void SeekFileBefore(double ms);
  void SkipAudioFramesBefore(double ms, double current, int patience);
  bool FollowingFrameBeginsBy(double current, double ms) const;
  void MeasureAudioFrame();
  double SkipAudioFrame();
  double CurrentAudioMs() const;
  int64_t AudioTimeStampOf(double ms) const;

  Ref<TMediaLibrary> FLibrary;
  std::unique_ptr<TMediaStreamAdapter> FStream;
  TMediaRecord* FRecord;
  TVideoDataEx FExtras;
  bool FAudioOpen = false;
  // The length of an audio frame (ms) as the time stamps of skipped frames tell; 0 unknown.
  double FAudioFrameMs = 0;
};

}  // namespace orv
