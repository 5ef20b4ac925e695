// Owning handles on FFmpeg's objects and the conversion of our frames into its pictures,
// shared by the PNG and the video writers.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "image/bitmap.h"

namespace orv {

struct TCodecContextFree {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct TFrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct TPacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct TSwsFree {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextFree>;
using TAvFramePtr = std::unique_ptr<AVFrame, TFrameFree>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketFree>;
using TSwsPtr = std::unique_ptr<SwsContext, TSwsFree>;

// FFmpeg's text for an error code.
std::string AvErrorText(int code);

// Raises EFileError with `what` and FFmpeg's reason when `code` is an error.
void CheckAv(int code, const std::string& what);

// Sends one frame (none: the end) to `encoder` and writes every packet it has ready into
// `stream` of `format`. Raises EFileError naming `encoder_name` or `path` on failure.
void EncodeToMuxer(AVCodecContext& encoder, const AVFrame* frame, AVPacket& packet, AVFormatContext& format,
                   AVStream& stream, const std::string& encoder_name, const std::string& path);

TAvFramePtr AllocateFrame(AVPixelFormat format, int width, int height);
TPacketPtr AllocatePacket();

// Turns frames of 32-bit pixels (bytes blue, green, red, alpha) into pictures of one
// format and size. A frame of another size is scaled to fit.
class TFrameConverter {
public:
  TFrameConverter(AVPixelFormat format, int width, int height);
  // The converted picture; valid until the next call.
  AVFrame& Convert(const TBitmap& frame);

private:
  TAvFramePtr FPicture;
  TSwsPtr FScaler;
};

}  // namespace orv
