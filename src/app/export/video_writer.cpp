#include "app/export/video_writer.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include "audio/audio_device.h"
#include "base/exceptions.h"

namespace orv {
namespace {

const AVCodec* H264Encoder() {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (!codec) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
  if (!codec) throw EFileError("This FFmpeg has no H.264 encoder");
  return codec;
}

constexpr int kIoBufferSize = 1 << 16;

// The muxer writes and seeks through our output file; nothing may escape into FFmpeg.
int WriteToOutput(void* file, uint8_t* bytes, int size) {
  try {
    static_cast<TOutputFile*>(file)->Write(bytes, size_t(size));
    return size;
  } catch (const std::exception&) {
    return AVERROR(EIO);
  }
}

int64_t SeekInOutput(void* opaque, int64_t offset, int whence) {
  auto* file = static_cast<TOutputFile*>(opaque);
  const int64_t position = (whence & AVSEEK_SIZE) ? file->Size() : file->Seek(offset, whence & ~AVSEEK_FORCE);
  return position < 0 ? AVERROR(ESPIPE) : position;
}

}  // namespace

TVideoWriter::TVideoWriter(const std::string& path, double fps, std::unique_ptr<TExportAudio> audio)
    : FPath(path),
      FFile(path),
      FFrameRate(av_d2q(fps, 1001000)),
      FPacket(AllocatePacket()),
      FAudioSource(std::move(audio)) {
  // x264 writes its statistics at the info level, in the middle of the progress line.
  av_log_set_level(AV_LOG_ERROR);
  // The muxer's name is the file being written: moving the index to the front reads it back.
  CheckAv(avformat_alloc_output_context2(&FFormat, nullptr, "mp4", FFile.WritingPath().c_str()), "MP4 writer");
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  FIo = buffer ? avio_alloc_context(buffer, kIoBufferSize, 1, &FFile, nullptr, WriteToOutput,
                                    FFile.Seekable() ? SeekInOutput : nullptr)
               : nullptr;
  if (!FIo) {
    av_free(buffer);
    CloseMuxer();
    throw EFileError("Out of memory for the MP4 writer");
  }
  FFormat->pb = FIo;
  FFormat->flags |= AVFMT_FLAG_CUSTOM_IO;
}

TVideoWriter::~TVideoWriter() {
  if (!FClosed) Abandon();
}

void TVideoWriter::OpenEncoder(int width, int height) {
  const AVCodec* codec = H264Encoder();
  FEncoder.reset(avcodec_alloc_context3(codec));
  if (!FEncoder) throw EFileError("Out of memory for the video encoder");
  FEncoder->width = std::max(width & ~1, 2);
  FEncoder->height = std::max(height & ~1, 2);
  FEncoder->pix_fmt = AV_PIX_FMT_YUV420P;
  FEncoder->framerate = FFrameRate;
  FEncoder->time_base = av_inv_q(FFrameRate);
  FEncoder->gop_size = std::max(1, int(2 * av_q2d(FFrameRate)));
  if (FFormat->oformat->flags & AVFMT_GLOBALHEADER) FEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  // Slides are mostly still or slowly moving pictures: a fast preset loses little on them.
  av_opt_set(FEncoder->priv_data, "preset", "veryfast", 0);
  av_opt_set(FEncoder->priv_data, "crf", "20", 0);
  CheckAv(avcodec_open2(FEncoder.get(), codec, nullptr), "H.264 encoder");

  FStream = avformat_new_stream(FFormat, nullptr);
  if (!FStream) throw EFileError("Out of memory for the video stream");
  CheckAv(avcodec_parameters_from_context(FStream->codecpar, FEncoder.get()), "MP4 writer");
  FStream->time_base = FEncoder->time_base;
  FStream->avg_frame_rate = FFrameRate;
  if (FAudioSource) FAudio = std::make_unique<TAacTrack>(*FFormat, std::move(FAudioSource), FPath);
  AVDictionary* options = nullptr;
  av_dict_set(&options, "movflags", FFile.Seekable() ? "+faststart" : "+frag_keyframe+empty_moov+default_base_moof", 0);
  const int written = avformat_write_header(FFormat, &options);
  av_dict_free(&options);
  CheckAv(written, "Writing \"" + FPath + "\"");
  FConverter = std::make_unique<TFrameConverter>(AV_PIX_FMT_YUV420P, FEncoder->width, FEncoder->height);
}

void TVideoWriter::Write(const TBitmap& frame) {
  if (!FEncoder) OpenEncoder(frame.Width(), frame.Height());
  AVFrame& picture = FConverter->Convert(frame);
  picture.pts = FFrames++;
  Encode(&picture);
  // The sound up to the end of this frame: frame k covers [k, k + 1) frame times.
  if (FAudio) FAudio->ExtendTo(av_rescale_q(FFrames, av_inv_q(FFrameRate), AVRational{1, kOutputRate}));
}

void TVideoWriter::Encode(const AVFrame* picture) {
  EncodeToMuxer(*FEncoder, picture, *FPacket, *FFormat, *FStream, "H.264 encoder", FPath);
}

void TVideoWriter::Close() {
  if (FClosed) return;
  if (!FEncoder) throw EFileError("No frame was written to \"" + FPath + "\"");
  Encode(nullptr);
  if (FAudio) FAudio->Finish();
  CheckAv(av_write_trailer(FFormat), "Writing \"" + FPath + "\"");
  avio_flush(FIo);
  CheckAv(FIo->error, "Writing \"" + FPath + "\"");
  CloseMuxer();
  FFile.Commit();
}

void TVideoWriter::Abandon() {
  if (FClosed) return;
  CloseMuxer();
  FFile.Discard();
}

void TVideoWriter::CloseMuxer() {
  FClosed = true;
  FAudio.reset();
  FEncoder.reset();
  if (FIo) av_freep(&FIo->buffer);
  avio_context_free(&FIo);
  if (FFormat) avformat_free_context(FFormat);
  FFormat = nullptr;
}

}  // namespace orv
