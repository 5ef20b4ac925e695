// H.264 video in an MP4 file through libavformat and libavcodec (x264 when FFmpeg has it).
#pragma once

#include <memory>
#include <string>

#include "app/export/audio_track.h"
#include "app/export/ffmpeg_support.h"
#include "app/export/output_file.h"

struct AVFormatContext;
struct AVIOContext;
struct AVStream;

namespace orv {

class TVideoWriter {
public:
  // Opens the output at once (see TOutputFile): raises EFileError when it cannot be
  // written. A device or a pipe gets a fragmented MP4, which needs no going back.
  // With `audio`, the file gets an AAC track of it beside the video, as long as the video.
  TVideoWriter(const std::string& path, double fps, std::unique_ptr<TExportAudio> audio = nullptr);
  ~TVideoWriter();
  TVideoWriter(const TVideoWriter&) = delete;
  TVideoWriter& operator=(const TVideoWriter&) = delete;

  // The first frame fixes the video's size (odd sides lose a pixel: the encoder's 4:2:0
  // pictures need even ones); later frames of another size are scaled to it.
  void Write(const TBitmap& frame);
  // Writes what the encoder still holds and the file's index, and puts the file in place.
  // Raises when that fails.
  void Close();
  // Closes, leaving the output as it was.
  void Abandon();

private:
  void OpenEncoder(int width, int height);
  // Sends one picture (none: the end) and writes every packet the encoder has ready.
  void Encode(const AVFrame* picture);
  void CloseMuxer();

  std::string FPath;
  TOutputFile FFile;
  AVIOContext* FIo = nullptr;
  AVRational FFrameRate;
  AVFormatContext* FFormat = nullptr;
  AVStream* FStream = nullptr;
  TCodecContextPtr FEncoder;
  std::unique_ptr<TFrameConverter> FConverter;
  TPacketPtr FPacket;
  int64_t FFrames = 0;
  std::unique_ptr<TExportAudio> FAudioSource;  // until the track is made with the first frame
  std::unique_ptr<TAacTrack> FAudio;
  bool FClosed = false;
};

}  // namespace orv
