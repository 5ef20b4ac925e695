#include "audio/audio_converter.h"

#include <algorithm>
#include <cmath>

#include "audio/pcm_resampler.h"

namespace orv {
namespace {

bool SameShape(const TWaveFormat& a, const TWaveFormat& b) {
  return a.FormatTag == b.FormatTag && a.Channels == b.Channels && a.SamplesPerSec == b.SamplesPerSec &&
         a.BitsPerSample == b.BitsPerSample;
}

// No consumer takes float, 24-bit, 32-bit or six-channel sound as it is.
bool NeedsStandardOutput(const TWaveFormat& source) {
  return source.FormatTag == kWaveFormatIeeeFloat || source.BitsPerSample > 16 || source.Channels > 2;
}

// The raw block: `preferred` bytes, cut to whole sample frames.
size_t WholeFrames(size_t preferred, size_t frame_bytes) {
  return std::max<size_t>(preferred / frame_bytes, 1) * frame_bytes;
}

}  // namespace

TWavConverter::TWavConverter(StreamPtr stream) : FStream(std::move(stream)) {}

TWavConverter::~TWavConverter() = default;

bool TWavConverter::Open(const TMediaInfo& info) {
  FInfo = info;
  const TWaveFormat& source = info.Format;
  if (!FStream || !TPcmResampler::CanRead(source) || source.AvgBytesPerSec == 0) return false;
  FRawBlockSize = WholeFrames(source.BitsPerSample == 24 ? 12288 : 4096, source.BlockAlign);
  FDecodedFormat = source;
  SetOutputFormat(NeedsStandardOutput(source) ? StandardWaveFormat() : source);
  Seek(0);
  return true;
}

void TWavConverter::SetOutputFormat(const TWaveFormat& format) {
  FOutput.SetFormat(format);
  InstallResampler();
}

void TWavConverter::SetDecodedFormat(const TWaveFormat& format) {
  FDecodedFormat = format;
  InstallResampler();
}

void TWavConverter::InstallResampler() {
  const TWaveFormat& output = FOutput.Format();
  if (SameShape(FDecodedFormat, output) || output.Channels == 0)
    FResampler.reset();
  else
    FResampler = std::make_unique<TPcmResampler>(FDecodedFormat, output, FInfo.ChannelMask);
}

bool TWavConverter::Fill(size_t count) {
  while (FOutput.Size() < count && !FDataEnded) {
    if (!ReadRaw()) {
      FinishData();
    } else if (!Convert()) {
      FOutput.AppendFill(SilenceByte(), count - std::min(count, FOutput.Size()));
      FPadding = 0;
      return false;
    }
  }
  const bool sound = SoundBytes() > 0;
  PadWithSilence(count);
  return sound;
}

uint8_t TWavConverter::SilenceByte() const noexcept { return FOutput.Format().BitsPerSample == 8 ? 128 : 0; }

void TWavConverter::FinishData() {
  FDataEnded = true;
  if (FResampler) FResampler->Finish(FOutput);
}

void TWavConverter::PadWithSilence(size_t count) {
  if (FOutput.Size() >= count) return;
  const size_t missing = count - FOutput.Size();
  FPadding = std::min(FPadding, FOutput.Size()) + missing;
  FOutput.AppendFill(SilenceByte(), missing);
}

void TWavConverter::Seek(double ms) {
  const TWaveFormat& format = Info().Format;
  if (format.BlockAlign == 0 || format.SamplesPerSec == 0) return;  // nothing opened
  const int64_t frame = FrameAt(ms, format.SamplesPerSec, FInfo.DataSize / format.BlockAlign);
  Restart(frame * format.BlockAlign, frame * 1000.0 / format.SamplesPerSec);
}

int64_t TWavConverter::FrameAt(double ms, uint32_t rate, int64_t frames) {
  if (!(ms > 0)) return 0;
  return static_cast<int64_t>(std::min(std::floor(ms * rate / 1000), static_cast<double>(frames)));
}

void TWavConverter::Restart(int64_t data_position, double ms) {
  FRaw.Clear();
  FOutput.Clear();
  FPadding = 0;
  FDataEnded = false;
  if (FResampler) FResampler->Reset();
  FReadPosition = FInfo.DataOffset + data_position;
  FStream->SetPosition(FReadPosition);
  FPosition = ms;
}

bool TWavConverter::ReadRaw() {
  const int64_t left = DataEnd() - FReadPosition;
  if (left <= 0) return false;
  const size_t wanted = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(FRawBlockSize)));
  FRaw.Clear();
  const size_t got = FStream->Read(FRaw.Extend(wanted), wanted);
  FRaw.Shrink(got);
  FReadPosition += static_cast<int64_t>(got);
  if (FInfo.Format.AvgBytesPerSec > 0)
    FPosition = static_cast<double>(FReadPosition - FInfo.DataOffset) * 1000 / FInfo.Format.AvgBytesPerSec;
  return got > 0;
}

bool TWavConverter::Convert() {
  AppendPcm(FRaw.Data(), FRaw.Size());
  FRaw.Clear();
  return true;
}

void TWavConverter::AppendPcm(const uint8_t* bytes, size_t count) {
  if (FResampler)
    FResampler->Process(bytes, count, FOutput);
  else
    FOutput.Append(bytes, count);
}

}  // namespace orv
