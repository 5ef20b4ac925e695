// The media library module on any bytes: open them as a file through the player's stream
// callbacks, read the format, the first video frame (and convert it), the audio format and
// the first piece of PCM. Nothing may crash, hang or read outside its buffers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "video/media_library_api.h"
#include "video/media_stream.h"

extern "C" {
TMediaRecord* OpenMediaFile(const char* name, void* stream, const TMediaStreamCallbacks* callbacks);
void CloseMediaFile(TMediaRecord* record);
int32_t GetFormatName(TMediaRecord* record, char* buffer, int32_t size, int32_t reserved);
TMediaBuffer* AllocBuffer(int32_t pixel_format, int32_t width, int32_t height);
TMediaBuffer* AllocBufferWithData(int32_t pixel_format, int32_t width, int32_t height);
void FreeBuffer(TMediaBuffer* buffer);
int64_t GetNextVideoFrame(TMediaRecord* record, TMediaBuffer* buffer, int32_t reserved);
void GetFrameInfo(TMediaBuffer* buffer);
int32_t ConvertFrame(TMediaRecord* record, TMediaBuffer* source, TMediaBuffer* target, int32_t width, int32_t height);
int32_t GetAudioInfo(TMediaRecord* record, char* codec_name, int32_t name_size, TMediaAudioInfo* info);
int32_t OpenAudioStream(TMediaRecord* record, int32_t selector);
int32_t GetNextAudioFrame(TMediaRecord* record, uint8_t* buffer, int32_t* count);
void CloseAudioStream(TMediaRecord* record);
}

namespace {

void ReadFirstFrame(TMediaRecord* record) {
  TMediaBuffer* frame = AllocBuffer(record->PixelFormat, 0, 0);
  TMediaBuffer* picture = AllocBufferWithData(MEDIA_PIXEL_BGRA, 32, 24);
  if (frame && GetNextVideoFrame(record, frame, 0) != MEDIA_NO_TIME_STAMP) {
    GetFrameInfo(frame);
    if (picture) ConvertFrame(record, frame, picture, frame->Width, frame->Height);
  }
  FreeBuffer(picture);
  FreeBuffer(frame);
}

void ReadFirstPcm(TMediaRecord* record) {
  char codec[64];
  TMediaAudioInfo info{};
  if (!GetAudioInfo(record, codec, sizeof codec, &info) || OpenAudioStream(record, 0) <= 0) return;
  static std::vector<uint8_t> pcm(MEDIA_AUDIO_BUFFER_SIZE);
  int32_t count = 0;
  GetNextAudioFrame(record, pcm.data(), &count);
  CloseAudioStream(record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orv::TMediaStreamAdapter stream(
      std::make_unique<orv::TMemoryStream>(std::string(reinterpret_cast<const char*>(data), size)));
  TMediaRecord* record = OpenMediaFile("fuzz", nullptr, &stream.Callbacks());
  if (!record) return 0;
  char name[64];
  GetFormatName(record, name, sizeof name, 0);
  ReadFirstFrame(record);
  ReadFirstPcm(record);
  CloseMediaFile(record);
  return 0;
}
