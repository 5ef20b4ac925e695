// The functions the player looks up by name. Each checks its arguments and never lets an
// exception out into the caller: a failure is reported by the result.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include "media_frames.h"
#include "media_reader.h"

#define MEDIA_EXPORT extern "C" __attribute__((visibility("default")))

namespace orv::media {
namespace {

template <class Result, class Body>
Result Guarded(Result on_failure, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return on_failure;
  }
}

TMediaReader* ReaderOf(TMediaRecord* record) { return record ? static_cast<TMediaReader*>(record->Private) : nullptr; }

// No block FFmpeg allocates for us may be larger than this: a damaged file's sizes would
// otherwise reserve gigabytes. The player never reads more than 100 MB at once anyway.
constexpr size_t kMaxAllocation = size_t(128) << 20;

TMediaRecord* OpenRecord(const char* name, const TMediaStreamCallbacks* callbacks, const char* format_name) {
  static std::once_flag setup;
  std::call_once(setup, [] {
    // Damaged files would fill the console with FFmpeg's complaints.
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kMaxAllocation);
  });
  if (!name && !callbacks) return nullptr;
  std::unique_ptr<TMediaReader> reader = TMediaReader::Open(name, callbacks, format_name);
  if (!reader) return nullptr;
  TMediaRecord& record = reader->Record();
  record.Private = reader.release();
  return &record;
}

}  // namespace
}  // namespace orv::media

using namespace orv::media;

MEDIA_EXPORT TMediaRecord* OpenMediaFile(const char* name, void*, const TMediaStreamCallbacks* callbacks) {
  return Guarded<TMediaRecord*>(nullptr, [&] { return OpenRecord(name, callbacks, nullptr); });
}

MEDIA_EXPORT TMediaRecord* OpenMediaFile2(const char* name, void*, const TMediaStreamCallbacks* callbacks,
                                          const char* format_name) {
  return Guarded<TMediaRecord*>(nullptr, [&] { return OpenRecord(name, callbacks, format_name); });
}

MEDIA_EXPORT void CloseMediaFile(TMediaRecord* record) { delete ReaderOf(record); }

MEDIA_EXPORT int32_t GetFormatName(TMediaRecord* record, char* buffer, int32_t size, int32_t) {
  const TMediaReader* reader = ReaderOf(record);
  if (!reader) return 0;
  const char* name = reader->FormatName();
  if (buffer && size > 0) std::snprintf(buffer, size_t(size), "%s", name);
  return int32_t(std::strlen(name));
}

MEDIA_EXPORT int32_t SeekFile(TMediaRecord* record, int32_t stream, int64_t time_stamp, int32_t flags) {
  TMediaReader* reader = ReaderOf(record);
  return reader ? Guarded<int32_t>(-1, [&] { return reader->Seek(stream, time_stamp, flags); }) : -1;
}

MEDIA_EXPORT void Flush(TMediaRecord* record) {
  if (TMediaReader* reader = ReaderOf(record)) reader->Flush();
}

MEDIA_EXPORT void FlushVideo(TMediaRecord* record) {
  if (TMediaReader* reader = ReaderOf(record)) reader->FlushVideo();
}

MEDIA_EXPORT TMediaBuffer* AllocBuffer(int32_t pixel_format, int32_t width, int32_t height) {
  return AllocateBuffer(pixel_format, width, height, false);
}

MEDIA_EXPORT TMediaBuffer* AllocBufferWithData(int32_t pixel_format, int32_t width, int32_t height) {
  return AllocateBuffer(pixel_format, width, height, true);
}

MEDIA_EXPORT void FreeBuffer(TMediaBuffer* buffer) { orv::media::FreeBuffer(buffer); }

MEDIA_EXPORT int64_t GetNextVideoFrame(TMediaRecord* record, TMediaBuffer* buffer, int32_t) {
  TMediaReader* reader = ReaderOf(record);
  if (!reader || !buffer) return MEDIA_NO_TIME_STAMP;
  return Guarded<int64_t>(MEDIA_NO_TIME_STAMP, [&] { return reader->NextVideoFrame(*buffer); });
}

MEDIA_EXPORT void GetFrameInfo(TMediaBuffer* buffer) {
  if (!buffer) return;
  const auto& state = *static_cast<const TBufferState*>(buffer->Private);
  buffer->Interlaced = state.Interlaced;
  buffer->TopFieldFirst = state.TopFieldFirst;
}

MEDIA_EXPORT int32_t ConvertFrame(TMediaRecord*, TMediaBuffer* source, TMediaBuffer* target, int32_t width,
                                  int32_t height) {
  if (!source || !target) return AVERROR(EINVAL);
  return ConvertInto(*source, *target, width, height);
}

MEDIA_EXPORT int64_t GetCurrentPts(TMediaRecord* record, int32_t stream) {
  const TMediaReader* reader = ReaderOf(record);
  return reader ? reader->CurrentTimeStamp(stream) : MEDIA_NO_TIME_STAMP;
}

MEDIA_EXPORT int32_t GetAudioInfo(TMediaRecord* record, char* codec_name, int32_t name_size, TMediaAudioInfo* info) {
  const TMediaReader* reader = ReaderOf(record);
  return reader && info && reader->AudioInfo(codec_name, name_size, *info) ? 1 : 0;
}

MEDIA_EXPORT int32_t OpenAudioStream(TMediaRecord* record, int32_t selector) {
  TMediaReader* reader = ReaderOf(record);
  return reader && Guarded(false, [&] { return reader->OpenAudio(selector); }) ? 1 : 0;
}

MEDIA_EXPORT int32_t GetNextAudioFrame(TMediaRecord* record, uint8_t* buffer, int32_t* count) {
  TMediaReader* reader = ReaderOf(record);
  const int32_t bytes = reader && buffer ? Guarded<int32_t>(-1, [&] { return reader->NextAudio(buffer); }) : -1;
  if (count) *count = bytes > 0 ? bytes : 0;
  return bytes;
}

MEDIA_EXPORT void AfterAudioSeek(TMediaRecord* record, int32_t skip_frame) {
  TMediaReader* reader = ReaderOf(record);
  if (!reader) return;
  Guarded(false, [&] {
    reader->AfterAudioSeek(skip_frame != 0);
    return true;
  });
}

MEDIA_EXPORT void CloseAudioStream(TMediaRecord* record) {
  if (TMediaReader* reader = ReaderOf(record)) reader->CloseAudio();
}

MEDIA_EXPORT int32_t GetDtsPts(TMediaRecord* record, int64_t* dts, int64_t* pts) {
  const TMediaReader* reader = ReaderOf(record);
  return reader && dts && pts && reader->LastTimeStamps(-1, *dts, *pts) ? 0 : -1;
}

MEDIA_EXPORT int32_t GetDtsPts2(TMediaRecord* record, int32_t stream, int64_t* dts, int64_t* pts) {
  const TMediaReader* reader = ReaderOf(record);
  return reader && dts && pts && stream >= 0 && reader->LastTimeStamps(stream, *dts, *pts) ? 0 : -1;
}

MEDIA_EXPORT void* CreateVideoFile(const char*, int32_t, int32_t, TMediaRational) { return nullptr; }

MEDIA_EXPORT void* CreateAudioFile(const char*, const TMediaAudioInfo*) { return nullptr; }

MEDIA_EXPORT void* CreateVideoAudioFile(const char*, int32_t, int32_t, TMediaRational, const TMediaAudioInfo*) {
  return nullptr;
}
