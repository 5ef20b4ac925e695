#include "app/export/audio_track.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>

#include "audio/audio_device.h"
#include "base/exceptions.h"

namespace orv {

namespace {

constexpr int64_t kBitRate = 160000;

}  // namespace

TAacTrack::TAacTrack(AVFormatContext& format, std::unique_ptr<TExportAudio> audio, std::string path)
    : FFormat(format), FAudio(std::move(audio)), FPath(std::move(path)), FPacket(AllocatePacket()) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (!codec) throw EFileError("This FFmpeg has no AAC encoder");
  FEncoder.reset(avcodec_alloc_context3(codec));
  if (!FEncoder) throw EFileError("Out of memory for the sound encoder");
  FEncoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
  FEncoder->sample_rate = kOutputRate;
  av_channel_layout_default(&FEncoder->ch_layout, kOutputChannels);
  FEncoder->bit_rate = kBitRate;
  FEncoder->time_base = AVRational{1, kOutputRate};
  if (FFormat.oformat->flags & AVFMT_GLOBALHEADER) FEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  CheckAv(avcodec_open2(FEncoder.get(), codec, nullptr), "AAC encoder");

  FStream = avformat_new_stream(&FFormat, nullptr);
  if (!FStream) throw EFileError("Out of memory for the sound stream");
  CheckAv(avcodec_parameters_from_context(FStream->codecpar, FEncoder.get()), "MP4 writer");
  FStream->time_base = FEncoder->time_base;

  FBlock.reset(av_frame_alloc());
  if (!FBlock) throw EFileError("Out of memory for the sound encoder");
  FBlock->format = FEncoder->sample_fmt;
  FBlock->sample_rate = kOutputRate;
  FBlock->nb_samples = FEncoder->frame_size;
  CheckAv(av_channel_layout_copy(&FBlock->ch_layout, &FEncoder->ch_layout), "AAC encoder");
  CheckAv(av_frame_get_buffer(FBlock.get(), 0), "AAC encoder");
}

void TAacTrack::ExtendTo(int64_t frames) {
  if (frames <= FPulled) return;
  const std::vector<int16_t>& mix = FAudio->Pull(size_t(frames - FPulled));
  FPulled = frames;
  FPending.insert(FPending.end(), mix.begin(), mix.end());
  const size_t block = size_t(FEncoder->frame_size) * kOutputChannels;
  size_t used = 0;
  for (; FPending.size() - used >= block; used += block) EncodeBlock(FPending.data() + used, FEncoder->frame_size);
  FPending.erase(FPending.begin(), FPending.begin() + ptrdiff_t(used));
}

// The last block may be shorter than the encoder's frame size.
void TAacTrack::Finish() {
  if (!FPending.empty()) EncodeBlock(FPending.data(), int(FPending.size() / kOutputChannels));
  FPending.clear();
  Encode(nullptr);
}

void TAacTrack::EncodeBlock(const int16_t* samples, int count) {
  CheckAv(av_frame_make_writable(FBlock.get()), "AAC encoder");
  FBlock->nb_samples = count;
  auto* left = reinterpret_cast<float*>(FBlock->data[0]);
  auto* right = reinterpret_cast<float*>(FBlock->data[1]);
  for (int i = 0; i < count; ++i) {
    left[i] = float(samples[2 * i]) / 32768.0f;
    right[i] = float(samples[2 * i + 1]) / 32768.0f;
  }
  FBlock->pts = FEncoded;
  FEncoded += count;
  Encode(FBlock.get());
}

void TAacTrack::Encode(const AVFrame* block) {
  EncodeToMuxer(*FEncoder, block, *FPacket, FFormat, *FStream, "AAC encoder", FPath);
}

}  // namespace orv
