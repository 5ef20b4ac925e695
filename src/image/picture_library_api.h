// The calling contract of the run-time loaded picture library (the PNG module). The
// player and the module are built from the same header; the module is a plain C shared
// object so that any decoder giving 24- or 32-bit rows can stand in for ours.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// The stream the library reads from; the player passes its own stream object.
typedef struct TPictureLibStream {
  void* Stream;
  int64_t (*GetSize)(void* stream);
  void (*SetSize)(void* stream, int64_t size);
  // Bytes read or written at `position`; fewer than `count` at the end.
  int64_t (*ReadAt)(void* stream, void* buffer, int64_t count, int64_t position);
  int64_t (*WriteAt)(void* stream, const void* buffer, int64_t count, int64_t position);
} TPictureLibStream;

// One picture. Rows (top row first, Width * BitsPerPixel / 8 bytes each) are filled by
// ReadImage: 24 bits are bytes blue, green, red; 32 bits add alpha after them.
typedef struct TPictureLibImage {
  uintptr_t Handle;  // the library's own
  int32_t BitsPerPixel;
  int32_t Width;
  int32_t Height;
  uint8_t** Rows;
} TPictureLibImage;

// Non-zero when the library recognises the picture; fills Handle, BitsPerPixel, Width and
// Height. The library keeps a copy of the record; the stream object itself must stay
// valid until CloseImage.
typedef int (*TOpenImageFunction)(TPictureLibImage* image, const TPictureLibStream* stream);
// The same for a file on disk.
typedef int (*TOpenImageFileFunction)(TPictureLibImage* image, const char* path);
// Decodes the picture and fills Rows; non-zero when every row was decoded. Rows of a
// picture that broke off are kept, with what could be read.
typedef int (*TReadImageFunction)(TPictureLibImage* image);
// Releases everything the library holds for the picture, rows included.
typedef void (*TCloseImageFunction)(TPictureLibImage* image);

#ifdef __cplusplus
}
#endif
