// The AAC sound track of an exported MP4: the soundtrack pulled frame by frame, encoded at
// 44100 Hz stereo and written beside the video through the same muxer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/export/export_audio.h"
#include "app/export/ffmpeg_support.h"

struct AVFormatContext;
struct AVStream;

namespace orv {

class TAacTrack {
 public:
  // Adds the track's stream to `format` (before its header is written).
  TAacTrack(AVFormatContext& format, std::unique_ptr<TExportAudio> audio, std::string path);

  // Pulls the soundtrack on until it has `frames` frames in all and encodes what is whole.
  void ExtendTo(int64_t frames);
  // Encodes the rest and what the encoder holds.
  void Finish();

 private:
  void EncodeBlock(const int16_t* samples, int count);
  void Encode(const AVFrame* block);

  AVFormatContext& FFormat;
  std::unique_ptr<TExportAudio> FAudio;
  std::string FPath;
  TCodecContextPtr FEncoder;
  AVStream* FStream = nullptr;
  TAvFramePtr FBlock;
  TPacketPtr FPacket;
  std::vector<int16_t> FPending;  // pulled, not yet a whole encoder frame
  int64_t FPulled = 0;
  int64_t FEncoded = 0;
};

}  // namespace orv
