// PNG pictures of frames, through FFmpeg's PNG encoder (the one PNG writer of the exporter).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/export/ffmpeg_support.h"

namespace orv {

class TPngEncoder {
public:
  TPngEncoder();
  ~TPngEncoder();
  TPngEncoder(const TPngEncoder&) = delete;
  TPngEncoder& operator=(const TPngEncoder&) = delete;

  // The frame as an opaque 24-bit PNG file.
  std::vector<uint8_t> Encode(const TBitmap& frame);

private:
  void Open(int width, int height);

  const AVCodec* FCodec;
  TCodecContextPtr FContext;
  std::unique_ptr<TFrameConverter> FConverter;
  TPacketPtr FPacket;
};

}  // namespace orv
