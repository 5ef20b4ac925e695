// The calling contract of the run-time loaded sound decoder libraries ("orvogg" for Ogg
// Vorbis, "orvwma" for Windows Media Audio). The player and the libraries are built from
// this one header; a library is a plain C shared object whose five functions are looked
// up by name. Files are read through the stream callbacks of the media library's
// contract.
#pragma once

#include <stdint.h>

#include "video/media_library_api.h"

#ifdef __cplusplus
extern "C" {
#endif

// The PCM format a decoder delivers, field for field the wave-format record of WAV files.
typedef struct TDecoderWaveFormat {
  uint16_t FormatTag;  // 1: integer PCM
  uint16_t Channels;
  uint32_t SamplesPerSec;
  uint32_t AvgBytesPerSec;
  uint16_t BlockAlign;
  uint16_t BitsPerSample;
  uint16_t ExtraSize;
} TDecoderWaveFormat;

// Receives each piece of decoded PCM; `target` is what CreateDecoder was given.
typedef void (*TDecoderOutput)(void* target, const uint8_t* bytes, int32_t count);

// Reads the file's header: its length in ms, where its data starts, and the format of
// the PCM its decoder delivers. Non-zero when the library decodes the file.
typedef int32_t (*TGetMediaInfo)(void* stream, const TMediaStreamCallbacks* callbacks, int32_t* duration_ms,
                                 int32_t* data_offset, TDecoderWaveFormat* format);
// A decoder reading the file from its start; null when the file cannot be decoded.
// `reserved` is 0.
typedef void* (*TCreateDecoder)(void* stream, const TMediaStreamCallbacks* callbacks, TDecoderOutput output,
                                void* target, int32_t reserved);
typedef void (*TDestroyDecoder)(void* decoder);
// Decodes the next piece of the file and hands its PCM to the output callback: 1 when
// sound was delivered, 0 at the end of the file, -1 when the file cannot be decoded on.
typedef int32_t (*TDecode)(void* decoder);
// Moves to `ms` from the start; the next Decode delivers from there. Non-zero on success.
typedef int32_t (*TSetPosition)(void* decoder, int32_t ms);

#ifdef __cplusplus
}
#endif
