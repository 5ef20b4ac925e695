// Frame buffers and pixel conversion of the media library.
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include "video/media_library_api.h"

namespace orv::media {

// What a buffer keeps behind its public fields.
struct TBufferState {
  AVFrame* Frame = nullptr;         // the pixels (a decoded frame's, or the buffer's own)
  bool OwnsData = false;            // made with data: frames are copied into it at its size
  SwsContext* Converter = nullptr;  // into this buffer
  bool Interlaced = false;          // of the last frame delivered
  bool TopFieldFirst = false;
};

// Pixel format numbers of the contract and FFmpeg's; AV_PIX_FMT_NONE for a number that
// names no format.
AVPixelFormat PixelFormatOf(int32_t code);
int32_t CodeOfPixelFormat(AVPixelFormat format);
// The code under which frames of the decoder's format are delivered without loss: the
// format itself, or BGRA / YUVA420 for other formats with alpha.
int32_t DeliveredCodeOf(AVPixelFormat decoder_format);

TMediaBuffer* AllocateBuffer(int32_t code, int32_t width, int32_t height, bool with_data);
void FreeBuffer(TMediaBuffer* buffer);

// Hands a decoded frame to a buffer: referenced when the buffer takes frames in their own
// format, converted otherwise. False when the conversion fails.
bool DeliverFrame(const AVFrame& frame, TMediaBuffer& buffer);
// Converts the top-left width × height of the source's frame into the target's pixels.
int ConvertInto(const TMediaBuffer& source, TMediaBuffer& target, int width, int height);

}  // namespace orv::media
