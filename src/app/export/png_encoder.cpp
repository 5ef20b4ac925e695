#include "app/export/png_encoder.h"

#include "base/exceptions.h"

namespace orv {

TPngEncoder::TPngEncoder() : FCodec(avcodec_find_encoder(AV_CODEC_ID_PNG)), FPacket(AllocatePacket()) {
  if (!FCodec) throw EFileError("This FFmpeg has no PNG encoder");
}

TPngEncoder::~TPngEncoder() = default;

void TPngEncoder::Open(int width, int height) {
  FContext.reset(avcodec_alloc_context3(FCodec));
  if (!FContext) throw EFileError("Out of memory for the PNG encoder");
  FContext->width = width;
  FContext->height = height;
  FContext->pix_fmt = AV_PIX_FMT_RGB24;
  FContext->time_base = AVRational{1, 25};
  CheckAv(avcodec_open2(FContext.get(), FCodec, nullptr), "PNG encoder");
  FConverter = std::make_unique<TFrameConverter>(AV_PIX_FMT_RGB24, width, height);
}

std::vector<uint8_t> TPngEncoder::Encode(const TBitmap& frame) {
  if (!FContext || FContext->width != frame.Width() || FContext->height != frame.Height())
    Open(frame.Width(), frame.Height());
  CheckAv(avcodec_send_frame(FContext.get(), &FConverter->Convert(frame)), "PNG encoder");
  CheckAv(avcodec_receive_packet(FContext.get(), FPacket.get()), "PNG encoder");
  std::vector<uint8_t> file(FPacket->data, FPacket->data + FPacket->size);
  av_packet_unref(FPacket.get());
  return file;
}

}  // namespace orv
