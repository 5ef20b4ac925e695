// The calling contract of the run-time loaded media library (our module over FFmpeg). The
// player and the module are built from this one header; the module is a plain C shared
// object looked up function by function, so a library of another make that keeps this
// contract can stand in for ours.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// A time stamp that names no moment: no frame, end of the file, or an error.
#define MEDIA_NO_TIME_STAMP INT64_MIN

// Pixel formats of frame buffers. The decoder's own format is reported in the record:
// one of these when it is one of them, else MEDIA_PIXEL_OTHER_BASE plus the decoder's
// private number, which only means something when handed back to the same library.
enum {
  MEDIA_PIXEL_YUV420 = 0,    // planes Y, U, V; U and V of half width and half height
  MEDIA_PIXEL_BGR24 = 2,     // one plane, bytes blue, green, red
  MEDIA_PIXEL_BGRA = 6,      // one plane, bytes blue, green, red, alpha (straight)
  MEDIA_PIXEL_YUVA420 = 30,  // YUV420 and a fourth, full-size plane of alpha
  MEDIA_PIXEL_OTHER_BASE = 0x10000,
};

// Codec numbers of the record, stable whatever FFmpeg's own numbering is. Codecs without
// a number of their own report MEDIA_CODEC_OTHER_BASE plus FFmpeg's number.
enum {
  MEDIA_CODEC_NONE = 0,
  MEDIA_CODEC_MPEG1 = 1,
  MEDIA_CODEC_MPEG2 = 2,
  MEDIA_CODEC_MPEG4 = 13,
  MEDIA_CODEC_MSMPEG4V1 = 15,
  MEDIA_CODEC_MSMPEG4V2 = 16,
  MEDIA_CODEC_MSMPEG4V3 = 17,
  MEDIA_CODEC_H264 = 28,
  MEDIA_CODEC_MSVIDEO1 = 47,
  MEDIA_CODEC_XVID = 63,  // MPEG-4 part 2 stored under the "XVID" tag
  MEDIA_CODEC_OTHER_BASE = 0x10000,
};

// SeekFile flags.
enum {
  MEDIA_SEEK_BACKWARD = 1,  // land on the key frame at or before the time stamp
  MEDIA_SEEK_ANY = 4,       // land on any frame, not only on key frames
  MEDIA_SEEK_FLUSH = 8,     // empty the record's decoders after the seek
};

typedef struct TMediaRational {
  int32_t Num;
  int32_t Den;
} TMediaRational;

// The stream the library reads from instead of a file. Every callback gets `Stream`.
// Origins of the seeks: 0 the start, 1 the current position, 2 the end. Failures answer
// -1. The library uses the 64-bit set when all four of it are given, else the 32-bit set.
typedef struct TMediaStreamCallbacks {
  void* Stream;
  int32_t (*Read)(void* stream, void* buffer, int32_t count);
  int32_t (*Position)(void* stream);
  int32_t (*Seek)(void* stream, int32_t offset, int32_t origin);
  int32_t (*Size)(void* stream);
  int64_t (*Read64)(void* stream, void* buffer, int64_t count);
  int64_t (*Position64)(void* stream);
  int64_t (*Seek64)(void* stream, int64_t offset, int32_t origin);
  int64_t (*Size64)(void* stream);
} TMediaStreamCallbacks;

// An opened media file. The library owns it; the player reads the fields and hands the
// record back to the library's functions.
typedef struct TMediaRecord {
  int64_t FrameIndex;        // of the last video frame decoded (by its time stamp), -1 before any
  TMediaRational FrameRate;  // the video stream's base frame rate
  int64_t StartTime;         // of the file, µs
  int32_t VideoStream;       // stream index, -1 without video
  int32_t AudioStream;       // stream index of the default (or opened) audio stream, -1 without
  int64_t Duration;          // µs, 0 when the file does not say
  int32_t CodecId;           // MEDIA_CODEC_* of the video stream
  int32_t Width;             // of the video, as coded
  int32_t Height;
  TMediaRational SampleAspect;      // 0/1 when unknown
  TMediaRational TimeBase;          // of the video stream's time stamps
  TMediaRational AverageFrameRate;  // as measured over the stream, 0/0 when unknown
  int32_t TicksPerFrame;            // time-base ticks per frame of the codec (2 for field-coded codecs)
  int32_t PixelFormat;              // MEDIA_PIXEL_* the decoder delivers
  char FileTag[64];                 // the file's "comment" tag ("Tessaro_ITFA", ...), cut to fit
  void* Private;                    // the library's own state
  TMediaRational AudioTimeBase;     // of the audio stream's time stamps, 0/1 without audio
} TMediaRecord;

// A picture in one pixel format. A buffer made without data takes the decoded frames
// themselves; one made with data keeps its own pixels, which frames are copied into.
typedef struct TMediaBuffer {
  int32_t PixelFormat;
  int32_t Width;
  int32_t Height;
  uint8_t* Data[4];
  int32_t LineSize[4];
  int32_t Interlaced;     // set by GetFrameInfo
  int32_t TopFieldFirst;  // set by GetFrameInfo
  void* Private;
} TMediaBuffer;

typedef struct TMediaAudioInfo {
  int32_t SampleRate;
  int32_t Channels;
  int32_t Bits;  // of the PCM GetNextAudioFrame delivers; 0 means 16
} TMediaAudioInfo;

// The largest number of PCM bytes GetNextAudioFrame writes at once.
#define MEDIA_AUDIO_BUFFER_SIZE 192000

// Opens a file: from `callbacks` when given (then `name` only helps to recognise the
// format by its extension), else the file `name` itself. Null when it holds neither video
// nor audio that the library can decode.
typedef TMediaRecord* (*TOpenMediaFile)(const char* name, void* stream, const TMediaStreamCallbacks* callbacks);
// The same with the container format forced by its short name ("mp3", "avi", ...).
typedef TMediaRecord* (*TOpenMediaFile2)(const char* name, void* stream, const TMediaStreamCallbacks* callbacks,
                                         const char* format_name);
typedef void (*TCloseMediaFile)(TMediaRecord* record);
// The container's name ("avi", "matroska,webm", ...) into `buffer` (cut and terminated
// within `size`); returns the name's full length. `buffer` may be null.
typedef int32_t (*TGetFormatName)(TMediaRecord* record, char* buffer, int32_t size, int32_t reserved);
// `time_stamp` is in the stream's time base, or in µs for stream -1. >= 0 on success.
typedef int32_t (*TSeekFile)(TMediaRecord* record, int32_t stream, int64_t time_stamp, int32_t flags);
typedef void (*TFlush)(TMediaRecord* record);
typedef void (*TFlushVideo)(TMediaRecord* record);
typedef TMediaBuffer* (*TAllocBuffer)(int32_t pixel_format, int32_t width, int32_t height);
typedef TMediaBuffer* (*TAllocBufferWithData)(int32_t pixel_format, int32_t width, int32_t height);
typedef void (*TFreeBuffer)(TMediaBuffer* buffer);
// Decodes the next video frame into `buffer` (in the buffer's pixel format) and returns
// its time stamp in the video time base; MEDIA_NO_TIME_STAMP at the end or on failure.
typedef int64_t (*TGetNextVideoFrame)(TMediaRecord* record, TMediaBuffer* buffer, int32_t reserved);
// Sets the buffer's Interlaced and TopFieldFirst from the frame it holds.
typedef void (*TGetFrameInfo)(TMediaBuffer* buffer);
// Converts the top-left width × height of `source` into `target` (which has data),
// scaled to the target's size. 0 on success, a negative error code otherwise.
typedef int32_t (*TConvertFrame)(TMediaRecord* record, TMediaBuffer* source, TMediaBuffer* target, int32_t width,
                                 int32_t height);
// The time stamp of the last frame decoded on `stream`.
typedef int64_t (*TGetCurrentPts)(TMediaRecord* record, int32_t stream);
// The default audio stream's format and its codec's name; 0 without audio.
typedef int32_t (*TGetAudioInfo)(TMediaRecord* record, char* codec_name, int32_t name_size, TMediaAudioInfo* info);
// Opens audio stream `selector` (0 the default one, n the n-th audio stream of the file)
// for decoding from the start; > 0 on success.
typedef int32_t (*TOpenAudioStream)(TMediaRecord* record, int32_t selector);
// Decodes the next piece of interleaved PCM (at most MEDIA_AUDIO_BUFFER_SIZE bytes) in the
// format GetAudioInfo tells; returns the byte count, also stored in `count`; 0 at the end.
typedef int32_t (*TGetNextAudioFrame)(TMediaRecord* record, uint8_t* buffer, int32_t* count);
// After a seek: drops PCM still waiting, and with `skip_frame` one decoded frame too.
typedef void (*TAfterAudioSeek)(TMediaRecord* record, int32_t skip_frame);
typedef void (*TCloseAudioStream)(TMediaRecord* record);
// The decoding and presentation time stamps of the last packet read (of any stream, or of
// `stream`); 0 on success.
typedef int32_t (*TGetDtsPts)(TMediaRecord* record, int64_t* dts, int64_t* pts);
typedef int32_t (*TGetDtsPts2)(TMediaRecord* record, int32_t stream, int64_t* dts, int64_t* pts);
// Writing media files: this library reads only, and answers null.
typedef void* (*TCreateVideoFile)(const char* name, int32_t width, int32_t height, TMediaRational frame_rate);
typedef void* (*TCreateAudioFile)(const char* name, const TMediaAudioInfo* format);
typedef void* (*TCreateVideoAudioFile)(const char* name, int32_t width, int32_t height, TMediaRational frame_rate,
                                       const TMediaAudioInfo* format);

#ifdef __cplusplus
}
#endif
