#include "audio/mpeg_converter.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "audio/mpeg_probe.h"

namespace orv {
namespace {

// Decoding starts this much before a seek target, so that the target's frames find the
// bits they borrow from earlier frames.
constexpr double kSeekPreRollMs = 100;
// A constant-bit-rate block holds this many frames, unless that makes it long.
constexpr size_t kFramesPerBlock = 6;
constexpr size_t kLongFrameBlock = 4097;
constexpr size_t kDefaultBlock = 4096;
// How far past a computed position the next frame header is looked for.
constexpr size_t kSeekSyncWindow = 64 * 1024;

// libmpg123's global state: set up by the first converter, released with the last.
class TMpg123Library {
 public:
  static void Acquire() {
    std::lock_guard lock(Mutex());
    if (Users()++ == 0) mpg123_init();
  }
  static void Release() {
    std::lock_guard lock(Mutex());
    if (--Users() == 0) mpg123_exit();
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static int& Users() {
    static int users = 0;
    return users;
  }
};

mpg123_handle* NewDecoder(const TWaveFormat& format) {
  mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
  if (!decoder) return nullptr;
  // Timing follows the frames as they are: no gapless trimming, which would shift the
  // output against the seek arithmetic.
  const bool ready = mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0) == MPG123_OK &&
                     mpg123_param(decoder, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) == MPG123_OK &&
                     mpg123_format_none(decoder) == MPG123_OK &&
                     mpg123_format(decoder, long(format.SamplesPerSec), format.Channels == 1 ? MPG123_MONO : MPG123_STEREO,
                                   MPG123_ENC_SIGNED_16) == MPG123_OK &&
                     mpg123_open_feed(decoder) == MPG123_OK;
  if (ready) return decoder;
  mpg123_delete(decoder);
  return nullptr;
}

}  // namespace

TMpegConverter::TMpegConverter(StreamPtr stream) : TWavConverter(std::move(stream)) { TMpg123Library::Acquire(); }

TMpegConverter::~TMpegConverter() {
  if (FDecoder) mpg123_delete(FDecoder);
  TMpg123Library::Release();
}

bool TMpegConverter::Open(const TMediaInfo& info) {
  if (!HasStream()) return false;
  uint8_t bytes[kMpegHeaderSize];
  Stream().SetPosition(info.DataOffset);
  if (Stream().Read(bytes, sizeof bytes) != sizeof bytes) return false;
  FFirstHeader = ParseMpegHeader(bytes);
  if (!FFirstHeader) return false;
  FFilter.emplace(*FFirstHeader);
  FDecoder = NewDecoder(info.Format);
  // The base opens by seeking to the start, which needs the decoder.
  if (!FDecoder || !TWavConverter::Open(info)) return false;
  const size_t frames_block = kFramesPerBlock * info.FrameLength;
  FRawBlockSize = info.Vbr || frames_block > kLongFrameBlock ? kDefaultBlock : frames_block;
  return true;
}

bool TMpegConverter::Convert() {
  FFilter->Pass(Raw().Data(), Raw().Size(),
                [this](const uint8_t* bytes, size_t count) { mpg123_feed(FDecoder, bytes, count); });
  Raw().Clear();
  Decode();
  return true;
}

// Takes every frame the decoder can make of what it was fed. A frame it cannot decode
// ends the block: what came before it is kept, and the next block starts afresh.
void TMpegConverter::Decode() {
  for (;;) {
    off_t frame = 0;
    unsigned char* pcm = nullptr;
    size_t count = 0;
    const int result = mpg123_decode_frame(FDecoder, &frame, &pcm, &count);
    if (count > 0) {
      AppendPcm(pcm, count);
      FDecodedFrames += int64_t(count / DecodedFormat().BlockAlign);
      SetPosition(FStartMs + double(FDecodedFrames) * 1000 / DecodedFormat().SamplesPerSec);
    }
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) return;
  }
}

void TMpegConverter::Seek(double ms) {
  ms = std::clamp(std::isnan(ms) ? 0 : ms, 0.0, double(Info().DurationMs));
  const double start = ms - std::min(ms, kSeekPreRollMs);
  const TFramePosition frame = Info().Vbr ? WalkToFrame(start) : JumpToFrame(start);
  mpg123_open_feed(FDecoder);
  FFilter->Reset();
  Restart(frame.Byte - Info().DataOffset, frame.Ms);
  FStartMs = frame.Ms;
  FDecodedFrames = 0;
  const size_t pre_roll = OutputBytesFor(ms - frame.Ms);
  while (Output().Size() < pre_roll && ReadRaw()) Convert();
  Output().Take(pre_roll);
}

size_t TMpegConverter::OutputBytesFor(double ms) {
  const TWaveFormat& format = Output().Format();
  return size_t(std::max<int64_t>(0, std::llround(ms * format.SamplesPerSec / 1000))) * format.BlockAlign;
}

std::optional<int64_t> TMpegConverter::SyncFrom(int64_t position) {
  std::vector<uint8_t> window(size_t(std::clamp<int64_t>(DataEnd() - position, 0, int64_t(kSeekSyncWindow))));
  Stream().SetPosition(position);
  window.resize(Stream().Read(window.data(), window.size()));
  for (size_t at = 0; at < window.size();) {
    const std::optional<size_t> found = FindMpegFrame(window.data() + at, window.size() - at);
    if (!found) return std::nullopt;
    if (ParseMpegHeader(window.data() + at + *found)->SameStream(*FFirstHeader)) return position + int64_t(at + *found);
    at += *found + 1;
  }
  return std::nullopt;
}

TMpegConverter::TFramePosition TMpegConverter::JumpToFrame(double ms) {
  const TMediaInfo& info = Info();
  if (ms <= 0 || info.DurationMs <= 0) return {info.DataOffset, 0};
  const auto guess = info.DataOffset + static_cast<int64_t>(double(info.DataSize) / double(info.DurationMs) * ms);
  const std::optional<int64_t> found = SyncFrom(std::min(guess, DataEnd()));
  // No frame follows: the target lies in the last frame or beyond, where nothing is left.
  if (!found) return {DataEnd(), ms};
  // Frames of a constant bit rate take the same time and, on average, the same bytes.
  const double bytes_per_frame = info.MsPerFrame * FFirstHeader->BitRate / 8;
  const double frame = std::round(double(*found - info.DataOffset) / bytes_per_frame);
  return {*found, frame * info.MsPerFrame};
}

TMpegConverter::TFramePosition TMpegConverter::WalkToFrame(double ms) {
  TFramePosition at{Info().DataOffset, 0};
  uint8_t bytes[kMpegHeaderSize];
  while (at.Ms + Info().MsPerFrame <= ms && at.Byte < DataEnd()) {
    Stream().SetPosition(at.Byte);
    std::optional<TMpegFrameHeader> header;
    if (Stream().Read(bytes, sizeof bytes) == sizeof bytes) header = ParseMpegHeader(bytes);
    if (!header || !header->SameStream(*FFirstHeader)) {
      // Junk between frames: the walk goes on at the next frame.
      const std::optional<int64_t> next = SyncFrom(at.Byte + 1);
      if (!next) break;
      at.Byte = *next;
      continue;
    }
    at.Byte += header->Length;
    at.Ms += Info().MsPerFrame;
  }
  return at;
}

}  // namespace orv
