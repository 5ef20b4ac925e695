// Windows Media Audio through FFmpeg's WMA decoders, as a decoder library of the player.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

#include "decoder_module.h"
#include "media_io.h"

namespace {

using orv::decoders::kBytesPerSample;
// A seek reads from this much before its target, so that the overlapping transforms of
// the frames at the target are complete.
constexpr int64_t kSeekLeadUs = 200000;
constexpr AVCodecID kWmaCodecs[] = {AV_CODEC_ID_WMAV1, AV_CODEC_ID_WMAV2, AV_CODEC_ID_WMAPRO,
                                    AV_CODEC_ID_WMALOSSLESS, AV_CODEC_ID_WMAVOICE};

bool IsWma(AVCodecID codec) { return std::find(std::begin(kWmaCodecs), std::end(kWmaCodecs), codec) != std::end(kWmaCodecs); }

// An opened file and its decoder, delivering interleaved 16-bit PCM of the file's own rate.
// Channel layouts other than mono and stereo are left to the media library.
class TWmaFile {
 public:
  ~TWmaFile() {
    swr_free(&FResampler);
    av_frame_free(&FFrame);
    av_packet_free(&FPacket);
    avcodec_free_context(&FCodec);
    avformat_close_input(&FFormat);
    orv::media::FreeCallbackIo(FIo);
  }

  bool Open(void* stream, const TMediaStreamCallbacks* callbacks) {
    if (!callbacks || !callbacks->Seek64) return false;
    callbacks->Seek64(stream, 0, 0);
    FIo = orv::media::CreateCallbackIo(*callbacks);
    FFormat = avformat_alloc_context();
    if (!FIo || !FFormat) return false;
    FFormat->pb = FIo;
    if (avformat_open_input(&FFormat, nullptr, nullptr, nullptr) < 0) return false;  // frees FFormat on failure
    if (avformat_find_stream_info(FFormat, nullptr) < 0) return false;
    FStream = av_find_best_stream(FFormat, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    return FStream >= 0 && OpenDecoder(*FFormat->streams[FStream]->codecpar) && FindOrigin();
  }

  int Channels() const { return FCodec->ch_layout.nb_channels; }
  int Rate() const { return FCodec->sample_rate; }
  int64_t DurationMs() const { return FFormat->duration > 0 ? FFormat->duration / 1000 : 0; }

  // The PCM of the next decoded frame; false at the end of the file.
  bool NextPcm(std::vector<uint8_t>& pcm) {
    for (;;) {
      const int received = avcodec_receive_frame(FCodec, FFrame);
      if (received == 0) {
        FFrameTimeStamp = FFrame->best_effort_timestamp;
        const bool converted = Convert(pcm);
        av_frame_unref(FFrame);
        if (converted) return true;
      } else if (received == AVERROR_EOF || !SendPacket()) {
        return false;
      }
    }
  }

  // Lands on the sample: reading starts early enough for the decoder to settle, and what
  // comes before `ms` is dropped.
  bool Seek(int32_t ms) {
    const int64_t target = std::max<int64_t>(ms, 0) * 1000;
    const int64_t origin = av_rescale_q(FOriginPts, FFormat->streams[FStream]->time_base, AV_TIME_BASE_Q);
    if (!Restart(std::max<int64_t>(0, origin + target - kSeekLeadUs))) return false;
    FSkipUntil = target * Rate() / AV_TIME_BASE;
    return true;
  }

 private:
  bool OpenDecoder(const AVCodecParameters& parameters) {
    const AVCodec* decoder = avcodec_find_decoder(parameters.codec_id);
    if (!IsWma(parameters.codec_id) || !decoder) return false;
    FCodec = avcodec_alloc_context3(decoder);
    FPacket = av_packet_alloc();
    FFrame = av_frame_alloc();
    if (!FCodec || !FPacket || !FFrame || avcodec_parameters_to_context(FCodec, &parameters) < 0 ||
        avcodec_open2(FCodec, decoder, nullptr) < 0)
      return false;
    if (Rate() <= 0 || (Channels() != 1 && Channels() != 2)) return false;
    AVChannelLayout output;
    av_channel_layout_default(&output, Channels());
    return swr_alloc_set_opts2(&FResampler, &output, AV_SAMPLE_FMT_S16, Rate(), &FCodec->ch_layout,
                               FCodec->sample_fmt, Rate(), 0, nullptr) == 0 &&
           swr_init(FResampler) == 0;
  }

  bool Restart(int64_t time_us) {
    if (av_seek_frame(FFormat, -1, StartTime() + time_us, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(FCodec);
    FEndSent = false;
    return true;
  }

  // The sound starts with the first frame the decoder gives, which may be stamped later
  // than the first packet: its time stamp is time zero.
  bool FindOrigin() {
    std::vector<uint8_t> pcm;
    if (!NextPcm(pcm)) return false;
    FOriginPts = FFrameTimeStamp;
    return Restart(0);
  }

  // Hands the decoder the next packet of the stream, or the end; false when nothing is left.
  bool SendPacket() {
    if (FEndSent) return false;
    for (;;) {
      if (av_read_frame(FFormat, FPacket) < 0) {
        FEndSent = true;
        return avcodec_send_packet(FCodec, nullptr) == 0;
      }
      const bool ours = FPacket->stream_index == FStream;
      // A damaged packet is dropped: decoding goes on with the next one.
      const bool sent = ours && avcodec_send_packet(FCodec, FPacket) == 0;
      av_packet_unref(FPacket);
      if (sent) return true;
    }
  }

  // The frame as interleaved 16-bit PCM, less what lies before a seek's target.
  bool Convert(std::vector<uint8_t>& pcm) {
    const int frame_bytes = Channels() * kBytesPerSample;
    pcm.resize(size_t(swr_get_out_samples(FResampler, FFrame->nb_samples)) * size_t(frame_bytes));
    uint8_t* out = pcm.data();
    const int made = swr_convert(FResampler, &out, int(pcm.size() / size_t(frame_bytes)),
                                 const_cast<const uint8_t**>(FFrame->extended_data), FFrame->nb_samples);
    if (made <= 0) return false;
    pcm.resize(size_t(made) * size_t(frame_bytes));
    DropBeforeTarget(pcm, frame_bytes);
    return !pcm.empty();
  }

  void DropBeforeTarget(std::vector<uint8_t>& pcm, int frame_bytes) {
    if (FSkipUntil <= 0 || FFrameTimeStamp == AV_NOPTS_VALUE) return;
    const AVRational time_base = FFormat->streams[FStream]->time_base;
    // Time stamps are coarse (ASF counts in ms), frames are of one length: the frame's
    // number is exact.
    const int64_t rough = av_rescale_q(FFrameTimeStamp - FOriginPts, time_base, AVRational{1, Rate()});
    const int64_t frame_samples = std::max(FFrame->nb_samples, 1);
    const int64_t first = (rough + frame_samples / 2) / frame_samples * frame_samples;
    const int64_t drop = std::clamp<int64_t>(FSkipUntil - first, 0, int64_t(pcm.size()) / frame_bytes);
    pcm.erase(pcm.begin(), pcm.begin() + drop * frame_bytes);
    if (!pcm.empty()) FSkipUntil = 0;
  }

  // Of the file, in µs; time stamps count from it.
  int64_t StartTime() const { return FFormat->start_time == AV_NOPTS_VALUE ? 0 : FFormat->start_time; }

  AVIOContext* FIo = nullptr;
  AVFormatContext* FFormat = nullptr;
  AVCodecContext* FCodec = nullptr;
  AVPacket* FPacket = nullptr;
  AVFrame* FFrame = nullptr;
  SwrContext* FResampler = nullptr;
  int FStream = -1;
  bool FEndSent = false;
  // After a seek: the first sample to deliver.
  int64_t FSkipUntil = 0;
  // Time stamps (of the stream) of the first frame of the sound and of the last decoded.
  int64_t FOriginPts = 0;
  int64_t FFrameTimeStamp = AV_NOPTS_VALUE;
};

struct TWmaDecoder {
  bool Open(void* stream, const TMediaStreamCallbacks* callbacks) { return File.Open(stream, callbacks); }

  TWmaFile File;
  TDecoderOutput Output;
  void* Target;
  std::vector<uint8_t> Pcm;
};

}  // namespace

DECODER_EXPORT int32_t GetMediaInfo(void* stream, const TMediaStreamCallbacks* callbacks, int32_t* duration_ms,
                                    int32_t* data_offset, TDecoderWaveFormat* format) {
  TWmaFile wma;
  if (!duration_ms || !data_offset || !format || !wma.Open(stream, callbacks)) return 0;
  *duration_ms = int32_t(std::min<int64_t>(wma.DurationMs(), INT32_MAX));
  *data_offset = 0;
  *format = orv::decoders::Pcm16Format(wma.Channels(), wma.Rate());
  return 1;
}

DECODER_EXPORT void* CreateDecoder(void* stream, const TMediaStreamCallbacks* callbacks, TDecoderOutput output,
                                   void* target, int32_t) {
  return orv::decoders::NewDecoder<TWmaDecoder>(stream, callbacks, output, target);
}

DECODER_EXPORT void DestroyDecoder(void* decoder) { delete static_cast<TWmaDecoder*>(decoder); }

DECODER_EXPORT int32_t Decode(void* decoder) {
  auto* wma = static_cast<TWmaDecoder*>(decoder);
  if (!wma->File.NextPcm(wma->Pcm)) return 0;
  wma->Output(wma->Target, wma->Pcm.data(), int32_t(wma->Pcm.size()));
  return 1;
}

DECODER_EXPORT int32_t SetPosition(void* decoder, int32_t ms) {
  return static_cast<TWmaDecoder*>(decoder)->File.Seek(ms) ? 1 : 0;
}
