// Ogg Vorbis through libvorbisfile, as a decoder library of the player.
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdio>

#include "decoder_module.h"

namespace {

// PCM handed on per Decode call.
constexpr int kPieceBytes = 64 * 1024;
using orv::decoders::kBytesPerSample;

struct TOggStream {
  void* Stream;
  const TMediaStreamCallbacks* Callbacks;
};

size_t ReadBytes(void* buffer, size_t size, size_t count, void* source) {
  const auto& s = *static_cast<TOggStream*>(source);
  const int64_t got = s.Callbacks->Read64(s.Stream, buffer, int64_t(size * count));
  return got > 0 && size > 0 ? size_t(got) / size : 0;
}

int SeekBytes(void* source, ogg_int64_t offset, int whence) {
  const auto& s = *static_cast<TOggStream*>(source);
  const int origin = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? 1 : 2;
  return s.Callbacks->Seek64(s.Stream, offset, origin) < 0 ? -1 : 0;
}

long TellBytes(void* source) {
  const auto& s = *static_cast<TOggStream*>(source);
  return long(s.Callbacks->Position64(s.Stream));
}

bool CompleteCallbacks(const TMediaStreamCallbacks* c) {
  return c && c->Read64 && c->Position64 && c->Seek64 && c->Size64;
}

// An opened file; channel layouts other than mono and stereo are left to the media
// library, which knows their speaker order.
struct TOggFile {
  TOggStream Source;
  OggVorbis_File File;
  vorbis_info* Info = nullptr;

  bool Open(void* stream, const TMediaStreamCallbacks* callbacks) {
    if (!CompleteCallbacks(callbacks)) return false;
    Source = {stream, callbacks};
    callbacks->Seek64(stream, 0, 0);
    const ov_callbacks io = {ReadBytes, SeekBytes, nullptr, TellBytes};
    if (ov_open_callbacks(&Source, &File, nullptr, 0, io) != 0) return false;
    Info = ov_info(&File, -1);
    if (Info && Info->rate > 0 && (Info->channels == 1 || Info->channels == 2)) return true;
    ov_clear(&File);
    return false;
  }
};

struct TOggDecoder {
  bool Open(void* stream, const TMediaStreamCallbacks* callbacks) { return Ogg.Open(stream, callbacks); }

  TOggFile Ogg;
  TDecoderOutput Output;
  void* Target;
  char Piece[kPieceBytes];
};

}  // namespace

DECODER_EXPORT int32_t GetMediaInfo(void* stream, const TMediaStreamCallbacks* callbacks, int32_t* duration_ms,
                                    int32_t* data_offset, TDecoderWaveFormat* format) {
  TOggFile ogg;
  if (!duration_ms || !data_offset || !format || !ogg.Open(stream, callbacks)) return 0;
  const double seconds = ov_time_total(&ogg.File, -1);
  *duration_ms = seconds > 0 ? int32_t(std::lround(seconds * 1000)) : 0;
  *data_offset = 0;
  *format = orv::decoders::Pcm16Format(ogg.Info->channels, int(ogg.Info->rate));
  ov_clear(&ogg.File);
  return 1;
}

DECODER_EXPORT void* CreateDecoder(void* stream, const TMediaStreamCallbacks* callbacks, TDecoderOutput output,
                                   void* target, int32_t) {
  return orv::decoders::NewDecoder<TOggDecoder>(stream, callbacks, output, target);
}

DECODER_EXPORT void DestroyDecoder(void* decoder) {
  auto* ogg = static_cast<TOggDecoder*>(decoder);
  if (!ogg) return;
  ov_clear(&ogg->Ogg.File);
  delete ogg;
}

DECODER_EXPORT int32_t Decode(void* decoder) {
  auto* ogg = static_cast<TOggDecoder*>(decoder);
  int filled = 0;
  while (filled < kPieceBytes) {
    int section = 0;
    const long got = ov_read(&ogg->Ogg.File, ogg->Piece + filled, kPieceBytes - filled, 0, kBytesPerSample, 1, &section);
    if (got == OV_HOLE) continue;  // a gap in the pages: decoding goes on after it
    if (got < 0 && filled == 0) return -1;
    if (got <= 0) break;
    filled += int(got);
  }
  if (filled == 0) return 0;
  ogg->Output(ogg->Target, reinterpret_cast<const uint8_t*>(ogg->Piece), filled);
  return 1;
}

DECODER_EXPORT int32_t SetPosition(void* decoder, int32_t ms) {
  auto* ogg = static_cast<TOggDecoder*>(decoder);
  const ogg_int64_t sample = ogg_int64_t(ms < 0 ? 0 : ms) * ogg->Ogg.Info->rate / 1000;
  return ov_pcm_seek(&ogg->Ogg.File, sample) == 0 ? 1 : 0;
}
