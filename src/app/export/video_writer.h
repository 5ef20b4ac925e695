// H.264 video in an MP4 file through libavformat and libavcodec (x264 when FFmpeg has it).
#pragma once

#include <memory>
#include <string>

#include "app/export/ffmpeg_support.h"

struct AVFormatContext;
struct AVStream;

namespace orv {

class TVideoWriter {
public:
  // Creates the file at once, so that an unwritable path fails before anything is rendered.
  TVideoWriter(const std::string& path, double fps);
  ~TVideoWriter();
  TVideoWriter(const TVideoWriter&) = delete;
  TVideoWriter& operator=(const TVideoWriter&) = delete;

  // The first frame fixes the video's size (odd sides lose a pixel: the encoder's 4:2:0
  // pictures need even ones); later frames of another size are scaled to it.
  void Write(const TBitmap& frame);
  // Writes what the encoder still holds and the file's index. Raises when that fails.
  void Close();
  // Closes and deletes an unfinished file.
  void Abandon();

private:
  void OpenEncoder(int width, int height);
  // Sends one picture (none: the end) and writes every packet the encoder has ready.
  void Encode(const AVFrame* picture);
  void CloseFile();

  std::string FPath;
  AVRational FFrameRate;
  AVFormatContext* FFormat = nullptr;
  AVStream* FStream = nullptr;
  TCodecContextPtr FEncoder;
  std::unique_ptr<TFrameConverter> FConverter;
  TPacketPtr FPacket;
  int64_t FFrames = 0;
  bool FClosed = false;
};

}  // namespace orv
