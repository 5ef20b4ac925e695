#include "app/export/ffmpeg_support.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

#include "base/exceptions.h"

namespace orv {

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

void CheckAv(int code, const std::string& what) {
  if (code < 0) throw EFileError(what + ": " + AvErrorText(code));
}

void EncodeToMuxer(AVCodecContext& encoder, const AVFrame* frame, AVPacket& packet, AVFormatContext& format,
                   AVStream& stream, const std::string& encoder_name, const std::string& path) {
  CheckAv(avcodec_send_frame(&encoder, frame), encoder_name);
  for (;;) {
    const int received = avcodec_receive_packet(&encoder, &packet);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
    CheckAv(received, encoder_name);
    av_packet_rescale_ts(&packet, encoder.time_base, stream.time_base);
    packet.stream_index = stream.index;
    CheckAv(av_interleaved_write_frame(&format, &packet), "Writing \"" + path + "\"");
  }
}

TAvFramePtr AllocateFrame(AVPixelFormat format, int width, int height) {
  TAvFramePtr frame(av_frame_alloc());
  if (!frame) throw EFileError("Out of memory for a video frame");
  frame->format = format;
  frame->width = width;
  frame->height = height;
  CheckAv(av_frame_get_buffer(frame.get(), 0), "Video frame");
  return frame;
}

TPacketPtr AllocatePacket() {
  TPacketPtr packet(av_packet_alloc());
  if (!packet) throw EFileError("Out of memory for a video packet");
  return packet;
}

TFrameConverter::TFrameConverter(AVPixelFormat format, int width, int height)
    : FPicture(AllocateFrame(format, width, height)) {}

AVFrame& TFrameConverter::Convert(const TBitmap& frame) {
  Ref<TBitmap> converted;
  const TBitmap* bgra = &frame;
  // An odd side one pixel longer than the picture's (video wants even sides) loses its last
  // pixel rather than being scaled, which would soften the whole frame.
  const int width = frame.Width() == FPicture->width + 1 ? FPicture->width : frame.Width();
  const int height = frame.Height() == FPicture->height + 1 ? FPicture->height : frame.Height();
  if (&frame.Format() != &pf::A8R8G8B8) {
    converted = frame.ConvertTo(pf::A8R8G8B8);
    bgra = converted.Get();
  }
  // The cached context is freed by FFmpeg when it has to be replaced.
  FScaler.reset(sws_getCachedContext(FScaler.release(), width, height, AV_PIX_FMT_BGRA,
                                     FPicture->width, FPicture->height, AVPixelFormat(FPicture->format),
                                     SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!FScaler)
    throw EFileError("Cannot convert a frame of " + std::to_string(bgra->Width()) + "x" +
                     std::to_string(bgra->Height()) + " pixels");
  CheckAv(av_frame_make_writable(FPicture.get()), "Video frame");
  const uint8_t* rows[1] = {bgra->Row(0)};
  const int strides[1] = {int(bgra->Stride())};
  sws_scale(FScaler.get(), rows, strides, 0, height, FPicture->data, FPicture->linesize);
  return *FPicture;
}

}  // namespace orv
