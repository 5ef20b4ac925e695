#include "media_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "media_frames.h"
#include "media_io.h"

namespace orv::media {
namespace {

// Decoded pictures larger than this (8K video has 33 million pixels) are refused by the
// decoders.
constexpr int64_t kMaxPixels = int64_t(1) << 25;
// PCM of one decoded audio frame is bounded by these.
constexpr int kMaxChannels = 32;
constexpr int64_t kMaxSamplesPerFrame = int64_t(1) << 18;
constexpr int kBytesPerSample = 2;

struct TCodecNumber {
  AVCodecID Id;
  int32_t Number;
};
constexpr TCodecNumber kCodecNumbers[] = {
    {AV_CODEC_ID_MPEG1VIDEO, MEDIA_CODEC_MPEG1},    {AV_CODEC_ID_MPEG2VIDEO, MEDIA_CODEC_MPEG2},
    {AV_CODEC_ID_MPEG4, MEDIA_CODEC_MPEG4},         {AV_CODEC_ID_MSMPEG4V1, MEDIA_CODEC_MSMPEG4V1},
    {AV_CODEC_ID_MSMPEG4V2, MEDIA_CODEC_MSMPEG4V2}, {AV_CODEC_ID_MSMPEG4V3, MEDIA_CODEC_MSMPEG4V3},
    {AV_CODEC_ID_H264, MEDIA_CODEC_H264},           {AV_CODEC_ID_MSVIDEO1, MEDIA_CODEC_MSVIDEO1},
};

int32_t CodecNumberOf(const AVCodecParameters& parameters) {
  if (parameters.codec_id == AV_CODEC_ID_MPEG4 &&
      (parameters.codec_tag == MKTAG('X', 'V', 'I', 'D') || parameters.codec_tag == MKTAG('x', 'v', 'i', 'd')))
    return MEDIA_CODEC_XVID;
  for (const TCodecNumber& known : kCodecNumbers)
    if (known.Id == parameters.codec_id) return known.Number;
  return MEDIA_CODEC_OTHER_BASE + static_cast<int32_t>(parameters.codec_id);
}

TMediaRational RationalOf(AVRational value) { return TMediaRational{value.num, value.den}; }

// A file read through the player's stream must not reach other files or the network.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

void CopyTag(const AVDictionary* metadata, char (&tag)[64]) {
  const AVDictionaryEntry* entry = av_dict_get(metadata, "comment", nullptr, 0);
  if (entry && !tag[0]) std::snprintf(tag, sizeof tag, "%s", entry->value);
}

int64_t TimeStampOf(const AVFrame& frame, int64_t previous) {
  if (frame.best_effort_timestamp != AV_NOPTS_VALUE) return frame.best_effort_timestamp;
  return previous == MEDIA_NO_TIME_STAMP ? 0 : previous + 1;
}

}  // namespace

void TPacketQueue::Push(AVPacket* packet) {
  if (FPackets.size() >= kMaxPackets) {
    av_packet_free(&FPackets.front());
    FPackets.pop_front();
  }
  FPackets.push_back(packet);
}

AVPacket* TPacketQueue::Pop() {
  if (FPackets.empty()) return nullptr;
  AVPacket* packet = FPackets.front();
  FPackets.pop_front();
  return packet;
}

void TPacketQueue::Clear() {
  for (AVPacket*& packet : FPackets) av_packet_free(&packet);
  FPackets.clear();
}

bool TStreamDecoder::Open(const AVStream& stream, int thread_count) {
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  if (!codec || !(Context = avcodec_alloc_context3(codec))) return false;
  Context->pkt_timebase = stream.time_base;
  Context->thread_count = thread_count;
  if (avcodec_parameters_to_context(Context, stream.codecpar) < 0 ||
      (Context->max_pixels = kMaxPixels, avcodec_open2(Context, codec, nullptr) < 0)) {
    Close();
    return false;
  }
  Index = stream.index;
  return true;
}

void TStreamDecoder::Flush() {
  if (Context) avcodec_flush_buffers(Context);
  Drained = false;
}

void TStreamDecoder::Close() {
  avcodec_free_context(&Context);
  Index = -1;
  Drained = false;
  LastTimeStamp = MEDIA_NO_TIME_STAMP;
}

std::unique_ptr<TMediaReader> TMediaReader::Open(const char* name, const TMediaStreamCallbacks* callbacks,
                                                 const char* format_name) {
  std::unique_ptr<TMediaReader> reader(new TMediaReader);
  if (!reader->OpenFormat(name, callbacks, format_name) || !(reader->FFrame = av_frame_alloc())) return nullptr;
  reader->FindStreams();
  if (reader->FRecord.VideoStream < 0 && reader->FRecord.AudioStream < 0) return nullptr;
  reader->FillRecord();
  return reader;
}

TMediaReader::~TMediaReader() {
  FVideoPackets.Clear();
  FAudioPackets.Clear();
  FVideo.Close();
  FAudio.Close();
  swr_free(&FResampler);
  av_channel_layout_uninit(&FResamplerInput.Layout);
  av_frame_free(&FFrame);
  avformat_close_input(&FFormat);
  FreeCallbackIo(FIo);
}

bool TMediaReader::OpenFormat(const char* name, const TMediaStreamCallbacks* callbacks, const char* format_name) {
  const AVInputFormat* forced = nullptr;
  if (format_name && !(forced = av_find_input_format(format_name))) return false;
  if (!(FFormat = avformat_alloc_context())) return false;
  AVDictionary* options = nullptr;
  if (callbacks) {
    if (!(FIo = CreateCallbackIo(*callbacks))) return false;
    FFormat->pb = FIo;
    FFormat->flags |= AVFMT_FLAG_CUSTOM_IO;
    FFormat->io_open = RefuseNestedOpen;
  } else {
    av_dict_set(&options, "protocol_whitelist", "file", 0);
  }
  // On failure FFmpeg frees the context and clears FFormat.
  const int opened = avformat_open_input(&FFormat, name ? name : "", forced, &options);
  av_dict_free(&options);
  return opened >= 0 && avformat_find_stream_info(FFormat, nullptr) >= 0;
}

void TMediaReader::FindStreams() {
  FRecord.VideoStream = FRecord.AudioStream = -1;
  const int video = av_find_best_stream(FFormat, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  // A cover picture of a music file is no video.
  if (video >= 0 && !(FFormat->streams[video]->disposition & AV_DISPOSITION_ATTACHED_PIC) &&
      FVideo.Open(*FFormat->streams[video], 0))
    FRecord.VideoStream = video;
  const int audio = av_find_best_stream(FFormat, AVMEDIA_TYPE_AUDIO, -1, FRecord.VideoStream, nullptr, 0);
  const bool decodable = audio >= 0 && avcodec_find_decoder(FFormat->streams[audio]->codecpar->codec_id);
  FDefaultAudioStream = decodable ? audio : -1;
  SetAudioStream(FDefaultAudioStream);
}

void TMediaReader::SetAudioStream(int index) {
  FRecord.AudioStream = index;
  FRecord.AudioTimeBase = index >= 0 ? RationalOf(FFormat->streams[index]->time_base) : TMediaRational{0, 1};
}

void TMediaReader::FillRecord() {
  FRecord.FrameIndex = -1;
  FRecord.StartTime = FFormat->start_time == AV_NOPTS_VALUE ? 0 : FFormat->start_time;
  FRecord.Duration = FFormat->duration == AV_NOPTS_VALUE || FFormat->duration < 0 ? 0 : FFormat->duration;
  FRecord.CodecId = MEDIA_CODEC_NONE;
  CopyTag(FFormat->metadata, FRecord.FileTag);
  if (FRecord.VideoStream < 0) return;
  const AVStream& stream = *FFormat->streams[FRecord.VideoStream];
  const AVCodecParameters& parameters = *stream.codecpar;
  CopyTag(stream.metadata, FRecord.FileTag);
  FRecord.FrameRate = RationalOf(stream.r_frame_rate);
  FRecord.AverageFrameRate = RationalOf(stream.avg_frame_rate);
  FRecord.TimeBase = RationalOf(stream.time_base);
  FRecord.SampleAspect =
      RationalOf(stream.sample_aspect_ratio.num ? stream.sample_aspect_ratio : parameters.sample_aspect_ratio);
  FRecord.Width = parameters.width;
  FRecord.Height = parameters.height;
  FRecord.CodecId = CodecNumberOf(parameters);
  FRecord.TicksPerFrame = FVideo.Context->ticks_per_frame;
  const AVPixelFormat format =
      FVideo.Context->pix_fmt != AV_PIX_FMT_NONE ? FVideo.Context->pix_fmt : AVPixelFormat(parameters.format);
  FRecord.PixelFormat = DeliveredCodeOf(format);
}

AVPacket* TMediaReader::NextPacketFor(TStreamDecoder& decoder, TPacketQueue& queue) {
  if (AVPacket* waiting = queue.Pop()) return waiting;
  while (!FEndOfFile) {
    AVPacket* packet = av_packet_alloc();
    if (!packet) return nullptr;
    if (av_read_frame(FFormat, packet) < 0) {
      av_packet_free(&packet);
      FEndOfFile = true;
      break;
    }
    RememberTimes(*packet);
    if (packet->stream_index == decoder.Index) return packet;
    KeepPacket(packet);
  }
  return nullptr;
}

void TMediaReader::RememberTimes(const AVPacket& packet) {
  FLastPacket = TPacketTimes{packet.dts, packet.pts};
  const auto index = static_cast<size_t>(packet.stream_index);
  if (index >= FLastPacketOfStream.size()) FLastPacketOfStream.resize(index + 1);
  FLastPacketOfStream[index] = FLastPacket;
}

void TMediaReader::KeepPacket(AVPacket* packet) {
  if (packet->stream_index == FVideo.Index && FVideoInUse) {
    FVideoPackets.Push(packet);
  } else if (packet->stream_index == FAudio.Index) {
    FAudioPackets.Push(packet);
  } else {
    av_packet_free(&packet);
  }
}

bool TMediaReader::DecodeFrame(TStreamDecoder& decoder, TPacketQueue& queue) {
  for (;;) {
    const int received = avcodec_receive_frame(decoder.Context, FFrame);
    if (received == 0) return true;
    if (received != AVERROR(EAGAIN)) return false;
    AVPacket* packet = NextPacketFor(decoder, queue);
    if (!packet) {
      if (decoder.Drained) return false;
      decoder.Drained = true;
      avcodec_send_packet(decoder.Context, nullptr);
      continue;
    }
    // A damaged packet is left out; the decoder goes on with the next one.
    avcodec_send_packet(decoder.Context, packet);
    av_packet_free(&packet);
  }
}

int64_t TMediaReader::NextVideoFrame(TMediaBuffer& buffer) {
  if (!FVideo.Context) return MEDIA_NO_TIME_STAMP;
  FVideoInUse = true;
  if (!DecodeFrame(FVideo, FVideoPackets)) return MEDIA_NO_TIME_STAMP;
  const int64_t time_stamp = TimeStampOf(*FFrame, FVideo.LastTimeStamp);
  FVideo.LastTimeStamp = time_stamp;
  FRecord.FrameIndex = FrameIndexOf(time_stamp);
  const bool delivered = DeliverFrame(*FFrame, buffer);
  av_frame_unref(FFrame);
  return delivered ? time_stamp : MEDIA_NO_TIME_STAMP;
}

int64_t TMediaReader::FrameIndexOf(int64_t time_stamp) const {
  const AVStream& stream = *FFormat->streams[FVideo.Index];
  if (stream.time_base.den == 0 || stream.r_frame_rate.den == 0 || stream.r_frame_rate.num == 0) return -1;
  const double seconds = double(time_stamp) * av_q2d(stream.time_base) - double(FRecord.StartTime) / 1e6;
  const double index = std::round(seconds * av_q2d(stream.r_frame_rate));
  return std::isfinite(index) && std::fabs(index) < 1e15 ? int64_t(index) : -1;
}

int TMediaReader::Seek(int stream, int64_t time_stamp, int flags) {
  if (stream >= static_cast<int>(FFormat->nb_streams)) return AVERROR(EINVAL);
  int seek_flags = 0;
  if (flags & MEDIA_SEEK_BACKWARD) seek_flags |= AVSEEK_FLAG_BACKWARD;
  if (flags & MEDIA_SEEK_ANY) seek_flags |= AVSEEK_FLAG_ANY;
  const int result = av_seek_frame(FFormat, stream < 0 ? -1 : stream, time_stamp, seek_flags);
  if (result >= 0) {
    // What was read ahead belongs to the old position.
    FVideoPackets.Clear();
    FAudioPackets.Clear();
    FEndOfFile = false;
  }
  if (flags & MEDIA_SEEK_FLUSH) Flush();
  return result;
}

void TMediaReader::Flush() {
  FVideo.Flush();
  FAudio.Flush();
  DropPcm();
}

void TMediaReader::FlushVideo() { FVideo.Flush(); }

int64_t TMediaReader::CurrentTimeStamp(int stream) const {
  if (stream >= 0 && stream == FVideo.Index) return FVideo.LastTimeStamp;
  if (stream >= 0 && stream == FAudio.Index) return FAudio.LastTimeStamp;
  return MEDIA_NO_TIME_STAMP;
}

bool TMediaReader::AudioInfo(char* codec_name, int name_size, TMediaAudioInfo& info) const {
  const int index = FAudio.Context ? FAudio.Index : FDefaultAudioStream;
  if (index < 0) return false;
  const AVCodecParameters& parameters = *FFormat->streams[index]->codecpar;
  const int channels = parameters.ch_layout.nb_channels;
  if (parameters.sample_rate <= 0 || channels <= 0 || channels > kMaxChannels) return false;
  info = FAudio.Context ? FAudioFormat : TMediaAudioInfo{parameters.sample_rate, channels, kBytesPerSample * 8};
  if (codec_name && name_size > 0)
    std::snprintf(codec_name, size_t(name_size), "%s", avcodec_get_name(parameters.codec_id));
  return true;
}

int TMediaReader::AudioStreamOf(int selector) const {
  if (selector <= 0) return FDefaultAudioStream;
  int count = 0;
  for (unsigned i = 0; i < FFormat->nb_streams; ++i)
    if (FFormat->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && ++count == selector) return int(i);
  return -1;
}

bool TMediaReader::OpenAudio(int selector) {
  CloseAudio();
  const int index = AudioStreamOf(selector);
  if (index < 0 || !FAudio.Open(*FFormat->streams[index], 1)) return false;
  const int channels = FAudio.Context->ch_layout.nb_channels;
  if (FAudio.Context->sample_rate <= 0 || channels <= 0 || channels > kMaxChannels) {
    CloseAudio();
    return false;
  }
  FAudioFormat = TMediaAudioInfo{FAudio.Context->sample_rate, channels, kBytesPerSample * 8};
  SetAudioStream(index);
  // A stream that cannot seek is still at its start.
  Seek(-1, FRecord.StartTime, MEDIA_SEEK_BACKWARD | MEDIA_SEEK_FLUSH);
  return true;
}

bool TMediaReader::ResamplerFits(const AVFrame& frame) const {
  return FResampler && FResamplerInput.Format == frame.format && FResamplerInput.Rate == frame.sample_rate &&
         av_channel_layout_compare(&FResamplerInput.Layout, &frame.ch_layout) == 0;
}

// Every frame becomes interleaved 16-bit samples at the rate and channel count the stream
// was opened with, whatever the decoder's own layout, even when it changes midway.
bool TMediaReader::StartResampler(const AVFrame& frame) {
  swr_free(&FResampler);
  av_channel_layout_uninit(&FResamplerInput.Layout);
  AVChannelLayout output{};
  av_channel_layout_default(&output, FAudioFormat.Channels);
  // This FFmpeg takes the layouts without const, though it only reads them.
  auto* input = const_cast<AVChannelLayout*>(&frame.ch_layout);
  const int made = swr_alloc_set_opts2(&FResampler, &output, AV_SAMPLE_FMT_S16, FAudioFormat.SampleRate, input,
                                       AVSampleFormat(frame.format), frame.sample_rate, 0, nullptr);
  av_channel_layout_uninit(&output);
  if (made < 0 || swr_init(FResampler) < 0 || av_channel_layout_copy(&FResamplerInput.Layout, &frame.ch_layout) < 0) {
    swr_free(&FResampler);
    return false;
  }
  FResamplerInput.Format = frame.format;
  FResamplerInput.Rate = frame.sample_rate;
  return true;
}

bool TMediaReader::ConvertAudioFrame() {
  const AVFrame& frame = *FFrame;
  if (!ResamplerFits(frame) && !StartResampler(frame)) return false;
  const int capacity = swr_get_out_samples(FResampler, frame.nb_samples);
  if (capacity <= 0 || capacity > kMaxSamplesPerFrame) return false;
  const size_t frame_bytes = size_t(FAudioFormat.Channels) * kBytesPerSample;
  FPcm.resize(size_t(capacity) * frame_bytes);
  uint8_t* output = FPcm.data();
  const int converted =
      swr_convert(FResampler, &output, capacity, const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
  FPcm.resize(converted > 0 ? size_t(converted) * frame_bytes : 0);
  FPcmRead = 0;
  return converted >= 0;
}

void TMediaReader::DropPcm() {
  FPcm.clear();
  FPcmRead = 0;
}

int TMediaReader::NextAudio(uint8_t* buffer) {
  if (!FAudio.Context) return -1;
  while (FPcmRead >= FPcm.size()) {
    if (!DecodeFrame(FAudio, FAudioPackets)) return 0;
    FAudio.LastTimeStamp = TimeStampOf(*FFrame, FAudio.LastTimeStamp);
    // A frame that cannot be converted is left out.
    if (!ConvertAudioFrame()) DropPcm();
    av_frame_unref(FFrame);
  }
  const size_t frame_bytes = size_t(FAudioFormat.Channels) * kBytesPerSample;
  const size_t count = std::min(FPcm.size() - FPcmRead, MEDIA_AUDIO_BUFFER_SIZE / frame_bytes * frame_bytes);
  std::memcpy(buffer, FPcm.data() + FPcmRead, count);
  FPcmRead += count;
  return int(count);
}

void TMediaReader::AfterAudioSeek(bool skip_frame) {
  DropPcm();
  if (skip_frame && FAudio.Context && DecodeFrame(FAudio, FAudioPackets)) {
    // Callers skip up to a time: the frame skipped is the one decoded last.
    FAudio.LastTimeStamp = TimeStampOf(*FFrame, FAudio.LastTimeStamp);
    av_frame_unref(FFrame);
  }
}

void TMediaReader::CloseAudio() {
  FAudio.Close();
  FAudioPackets.Clear();
  swr_free(&FResampler);
  DropPcm();
  SetAudioStream(FDefaultAudioStream);
}

bool TMediaReader::LastTimeStamps(int stream, int64_t& dts, int64_t& pts) const {
  if (stream >= static_cast<int>(FLastPacketOfStream.size())) return false;
  const TPacketTimes& times = stream < 0 ? FLastPacket : FLastPacketOfStream[size_t(stream)];
  dts = times.Dts;
  pts = times.Pts;
  return true;
}

}  // namespace orv::media
