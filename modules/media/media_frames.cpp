#include "media_frames.h"

#include <algorithm>
#include <cstdint>
#include <new>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/pixdesc.h>
}

namespace orv::media {
namespace {

// A buffer of more pixels than this is refused rather than allocated.
constexpr int64_t kMaxBufferPixels = int64_t(1) << 25;
constexpr int kMaxBufferSide = 16384;

struct TNamedFormat {
  int32_t Code;
  AVPixelFormat Format;
};
constexpr TNamedFormat kNamedFormats[] = {
    {MEDIA_PIXEL_YUV420, AV_PIX_FMT_YUV420P},
    {MEDIA_PIXEL_BGR24, AV_PIX_FMT_BGR24},
    {MEDIA_PIXEL_BGRA, AV_PIX_FMT_BGRA},
    {MEDIA_PIXEL_YUVA420, AV_PIX_FMT_YUVA420P},
};

TBufferState& StateOf(const TMediaBuffer& buffer) { return *static_cast<TBufferState*>(buffer.Private); }

bool SizeAllowed(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxBufferSide && height <= kMaxBufferSide &&
         int64_t(width) * height <= kMaxBufferPixels;
}

void PublishFrame(TMediaBuffer& buffer) {
  const AVFrame& frame = *StateOf(buffer).Frame;
  buffer.Width = frame.width;
  buffer.Height = frame.height;
  for (int plane = 0; plane < 4; ++plane) {
    buffer.Data[plane] = frame.data[plane];
    buffer.LineSize[plane] = frame.linesize[plane];
  }
}

// Gives the buffer's own frame pixels of the given size and format.
bool AllocatePixels(TBufferState& state, AVPixelFormat format, int width, int height) {
  AVFrame& frame = *state.Frame;
  if (frame.buf[0] && av_frame_is_writable(&frame) && frame.format == format && frame.width == width &&
      frame.height == height)
    return true;
  av_frame_unref(&frame);
  frame.format = format;
  frame.width = width;
  frame.height = height;
  return av_frame_get_buffer(&frame, 0) == 0;
}

int Convert(const AVFrame& source, int width, int height, TBufferState& target) {
  AVFrame& out = *target.Frame;
  target.Converter =
      sws_getCachedContext(target.Converter, width, height, AVPixelFormat(source.format), out.width, out.height,
                           AVPixelFormat(out.format), SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!target.Converter) return AVERROR(EINVAL);
  const int rows = sws_scale(target.Converter, source.data, source.linesize, 0, height, out.data, out.linesize);
  return rows > 0 ? 0 : AVERROR(EINVAL);
}

}  // namespace

AVPixelFormat PixelFormatOf(int32_t code) {
  for (const TNamedFormat& named : kNamedFormats)
    if (named.Code == code) return named.Format;
  if (code < MEDIA_PIXEL_OTHER_BASE || code - MEDIA_PIXEL_OTHER_BASE >= AV_PIX_FMT_NB) return AV_PIX_FMT_NONE;
  const auto format = AVPixelFormat(code - MEDIA_PIXEL_OTHER_BASE);
  const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(format);
  // Hardware surfaces hold no pixels we could read.
  return description && !(description->flags & AV_PIX_FMT_FLAG_HWACCEL) ? format : AV_PIX_FMT_NONE;
}

int32_t CodeOfPixelFormat(AVPixelFormat format) {
  for (const TNamedFormat& named : kNamedFormats)
    if (named.Format == format) return named.Code;
  return MEDIA_PIXEL_OTHER_BASE + static_cast<int32_t>(format);
}

int32_t DeliveredCodeOf(AVPixelFormat decoder_format) {
  const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(decoder_format);
  if (!description) return MEDIA_PIXEL_YUV420;
  const int32_t code = CodeOfPixelFormat(decoder_format);
  if (!(description->flags & AV_PIX_FMT_FLAG_ALPHA) || code == MEDIA_PIXEL_BGRA || code == MEDIA_PIXEL_YUVA420)
    return code;
  const bool planar_yuv = (description->flags & AV_PIX_FMT_FLAG_PLANAR) && !(description->flags & AV_PIX_FMT_FLAG_RGB);
  return planar_yuv ? MEDIA_PIXEL_YUVA420 : MEDIA_PIXEL_BGRA;
}

TMediaBuffer* AllocateBuffer(int32_t code, int32_t width, int32_t height, bool with_data) {
  const AVPixelFormat format = PixelFormatOf(code);
  if (format == AV_PIX_FMT_NONE || (with_data && !SizeAllowed(width, height))) return nullptr;
  auto* state = new (std::nothrow) TBufferState;
  auto* buffer = new (std::nothrow) TMediaBuffer{};
  if (!state || !buffer || !(state->Frame = av_frame_alloc())) {
    delete buffer;
    delete state;
    return nullptr;
  }
  state->OwnsData = with_data;
  buffer->Private = state;
  buffer->PixelFormat = code;
  buffer->Width = width;
  buffer->Height = height;
  if (with_data) {
    if (!AllocatePixels(*state, format, width, height)) {
      FreeBuffer(buffer);
      return nullptr;
    }
    PublishFrame(*buffer);
  }
  return buffer;
}

void FreeBuffer(TMediaBuffer* buffer) {
  if (!buffer) return;
  TBufferState* state = &StateOf(*buffer);
  av_frame_free(&state->Frame);
  sws_freeContext(state->Converter);
  delete state;
  delete buffer;
}

bool DeliverFrame(const AVFrame& frame, TMediaBuffer& buffer) {
  TBufferState& state = StateOf(buffer);
  const AVPixelFormat wanted = PixelFormatOf(buffer.PixelFormat);
  state.Interlaced = frame.interlaced_frame != 0;
  state.TopFieldFirst = frame.top_field_first != 0;
  bool delivered;
  if (state.OwnsData) {
    delivered = Convert(frame, frame.width, frame.height, state) == 0;
  } else if (frame.format == wanted) {
    av_frame_unref(state.Frame);
    delivered = av_frame_ref(state.Frame, &frame) == 0;
  } else {
    delivered = AllocatePixels(state, wanted, frame.width, frame.height) &&
                Convert(frame, frame.width, frame.height, state) == 0;
  }
  PublishFrame(buffer);
  return delivered;
}

int ConvertInto(const TMediaBuffer& source, TMediaBuffer& target, int width, int height) {
  const TBufferState& from = StateOf(source);
  TBufferState& to = StateOf(target);
  if (!to.OwnsData || !from.Frame->data[0]) return AVERROR(EINVAL);
  width = std::min(width, from.Frame->width);
  height = std::min(height, from.Frame->height);
  if (width <= 0 || height <= 0) return AVERROR(EINVAL);
  return Convert(*from.Frame, width, height, to);
}

}  // namespace orv::media
