// One opened media file: the demuxer, the video decoder, the audio decoder and the packets
// read for one of them while the other was asked for.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include "video/media_library_api.h"

namespace orv::media {

// Packets of one stream waiting for its decoder. Bounded: when the other stream's reader
// runs far ahead, the oldest packets are dropped.
class TPacketQueue {
 public:
  ~TPacketQueue() { Clear(); }
  void Push(AVPacket* packet);
  AVPacket* Pop();
  void Clear();

 private:
  static constexpr size_t kMaxPackets = 2048;
  std::deque<AVPacket*> FPackets;
};

// A decoder of one stream and the state of feeding it.
struct TStreamDecoder {
  ~TStreamDecoder() { avcodec_free_context(&Context); }
  bool Open(const AVStream& stream, int thread_count);
  void Flush();
  void Close();

  AVCodecContext* Context = nullptr;
  int Index = -1;
  bool Drained = false;  // the end was signalled to the decoder
  int64_t LastTimeStamp = MEDIA_NO_TIME_STAMP;
};

class TMediaReader {
 public:
  // Null when the file cannot be opened or holds nothing to decode.
  static std::unique_ptr<TMediaReader> Open(const char* name, const TMediaStreamCallbacks* callbacks,
                                            const char* format_name);
  ~TMediaReader();

  TMediaRecord& Record() { return FRecord; }
  const char* FormatName() const { return FFormat->iformat->name; }

  int64_t NextVideoFrame(TMediaBuffer& buffer);
  int Seek(int stream, int64_t time_stamp, int flags);
  void Flush();
  void FlushVideo();
  int64_t CurrentTimeStamp(int stream) const;
  bool AudioInfo(char* codec_name, int name_size, TMediaAudioInfo& info) const;
  bool OpenAudio(int selector);
  int NextAudio(uint8_t* buffer);
  void AfterAudioSeek(bool skip_frame);
  void CloseAudio();
  bool LastTimeStamps(int stream, int64_t& dts, int64_t& pts) const;

 private:
  TMediaReader() = default;
  bool OpenFormat(const char* name, const TMediaStreamCallbacks* callbacks, const char* format_name);
  void FindStreams();
  void FillRecord();

  // The next packet for a decoder: a waiting one, else one read from the file; null at
  // the end of the file.
  AVPacket* NextPacketFor(TStreamDecoder& decoder, TPacketQueue& queue);
  void RememberTimes(const AVPacket& packet);
  void KeepPacket(AVPacket* packet);
  // The next frame of a decoder into FFrame; false at the end or on failure.
  bool DecodeFrame(TStreamDecoder& decoder, TPacketQueue& queue);
  int AudioStreamOf(int selector) const;
  // Makes stream `index` (-1: none) the record's audio stream.
  void SetAudioStream(int index);
  bool ResamplerFits(const AVFrame& frame) const;
  bool StartResampler(const AVFrame& frame);
  bool ConvertAudioFrame();
  void DropPcm();
  int64_t FrameIndexOf(int64_t time_stamp) const;

  AVFormatContext* FFormat = nullptr;
  AVIOContext* FIo = nullptr;
  AVFrame* FFrame = nullptr;
  TStreamDecoder FVideo;
  TStreamDecoder FAudio;
  TPacketQueue FVideoPackets;
  TPacketQueue FAudioPackets;
  bool FVideoInUse = false;  // video packets are kept only once frames were asked for
  bool FEndOfFile = false;
  int FDefaultAudioStream = -1;
  SwrContext* FResampler = nullptr;
  struct TResamplerInput {
    int Format = -1;
    int Rate = 0;
    AVChannelLayout Layout{};
  } FResamplerInput;
  TMediaAudioInfo FAudioFormat{};
  std::vector<uint8_t> FPcm;  // converted samples not handed out yet
  size_t FPcmRead = 0;
  struct TPacketTimes {
    int64_t Dts = MEDIA_NO_TIME_STAMP;
    int64_t Pts = MEDIA_NO_TIME_STAMP;
  };
  TPacketTimes FLastPacket;
  std::vector<TPacketTimes> FLastPacketOfStream;
  TMediaRecord FRecord{};
};

}  // namespace orv::media
