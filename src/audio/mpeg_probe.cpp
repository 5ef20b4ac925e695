#include "audio/mpeg_probe.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace orv {
namespace {

constexpr size_t kId3v2HeaderSize = 10;
constexpr size_t kId3v2FooterSize = 10;
constexpr uint8_t kId3v2FooterFlag = 0x10;
// Files sometimes carry a few tags in a row; more than this is no tag but damage.
constexpr int kMaxId3v2Tags = 8;
constexpr int64_t kId3v1Size = 128;

constexpr uint32_t kXingFramesFlag = 1;
constexpr uint32_t kXingBytesFlag = 2;
constexpr size_t kVbriOffset = 4 + 32;

uint32_t BigEndian32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

size_t ReadAt(TStream& stream, int64_t position, void* buffer, size_t count) {
  stream.SetPosition(position);
  return stream.Read(buffer, count);
}

// The length of the ID3v2 tag at `position`, 0 when there is none.
int64_t Id3v2Length(TStream& stream, int64_t position) {
  uint8_t header[kId3v2HeaderSize];
  if (ReadAt(stream, position, header, sizeof header) != sizeof header || std::memcmp(header, "ID3", 3) != 0)
    return 0;
  // The size is "syncsafe": seven bits per byte.
  if ((header[6] | header[7] | header[8] | header[9]) & 0x80) return 0;
  const int64_t size = int64_t(header[6]) << 21 | int64_t(header[7]) << 14 | int64_t(header[8]) << 7 | header[9];
  return int64_t(kId3v2HeaderSize) + size + ((header[5] & kId3v2FooterFlag) ? int64_t(kId3v2FooterSize) : 0);
}

int64_t SkipId3v2Tags(TStream& stream, int64_t position, int64_t end) {
  for (int tag = 0; tag < kMaxId3v2Tags; ++tag) {
    const int64_t length = Id3v2Length(stream, position);
    if (length == 0 || length > end - position) break;
    position += length;
  }
  return position;
}

bool EndsWithId3v1(TStream& stream, int64_t start, int64_t end) {
  char magic[3];
  return end - start >= kId3v1Size && ReadAt(stream, end - kId3v1Size, magic, sizeof magic) == sizeof magic &&
         std::memcmp(magic, "TAG", 3) == 0;
}

// Where the side information of layer 3 ends and a Xing header would begin.
size_t XingOffset(const TMpegFrameHeader& header) {
  if (header.Version == TMpegVersion::Mpeg1) return header.SingleChannel ? 4 + 17 : 4 + 32;
  return header.SingleChannel ? 4 + 9 : 4 + 17;
}

std::optional<TMpegTagFrame> ReadXing(const TMpegFrameHeader& header, const uint8_t* frame, size_t count) {
  const size_t at = XingOffset(header);
  if (at + 16 > count) return std::nullopt;
  const bool xing = std::memcmp(frame + at, "Xing", 4) == 0;
  if (!xing && std::memcmp(frame + at, "Info", 4) != 0) return std::nullopt;
  const uint32_t flags = BigEndian32(frame + at + 4);
  TMpegTagFrame tag;
  tag.Vbr = xing;
  size_t field = at + 8;
  if (flags & kXingFramesFlag) {
    tag.Frames = BigEndian32(frame + field);
    field += 4;
  }
  if (flags & kXingBytesFlag) tag.Bytes = BigEndian32(frame + field);
  return tag;
}

std::optional<TMpegTagFrame> ReadVbri(const uint8_t* frame, size_t count) {
  // "VBRI", version, delay, quality (2 bytes each), then bytes and frames.
  if (kVbriOffset + 18 > count || std::memcmp(frame + kVbriOffset, "VBRI", 4) != 0) return std::nullopt;
  return TMpegTagFrame{BigEndian32(frame + kVbriOffset + 14), BigEndian32(frame + kVbriOffset + 10), true};
}

struct TFirstFrame {
  int64_t Position;
  TMpegFrameHeader Header;
};

std::optional<TFirstFrame> SearchFirstFrame(TStream& stream, int64_t start, int64_t end) {
  const int64_t window = std::min(end - start, kMpegSearchLimit + 2 * int64_t(kMaxMpegFrameLength));
  if (window <= 0) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(window));
  bytes.resize(ReadAt(stream, start, bytes.data(), bytes.size()));
  const std::optional<size_t> found = FindMpegFrame(bytes.data(), bytes.size());
  if (!found) return std::nullopt;
  return TFirstFrame{start + int64_t(*found), *ParseMpegHeader(bytes.data() + *found)};
}

// Files without a tag frame may still vary their bit rate: the first frames tell.
constexpr int kBitRateSampleFrames = 256;

struct TBitRateSample {
  double AverageBitRate;  // kbps
  bool Varies;
};

TBitRateSample SampleBitRates(TStream& stream, const TFirstFrame& first, int64_t end) {
  int64_t position = first.Position;
  int64_t frames = 0;
  bool varies = false;
  uint8_t bytes[kMpegHeaderSize];
  while (frames < kBitRateSampleFrames && position + int64_t(kMpegHeaderSize) <= end &&
         ReadAt(stream, position, bytes, sizeof bytes) == sizeof bytes) {
    const std::optional<TMpegFrameHeader> header = ParseMpegHeader(bytes);
    if (!header || !header->SameStream(first.Header)) break;
    varies = varies || header->BitRate != first.Header.BitRate;
    position += header->Length;
    ++frames;
  }
  if (frames == 0) return {double(first.Header.BitRate), false};
  return {double(position - first.Position) * 8 / (double(frames) * first.Header.MsPerFrame()), varies};
}

int64_t RoundedMs(double ms) { return static_cast<int64_t>(std::llround(ms)); }

}  // namespace

std::optional<size_t> FindMpegFrame(const uint8_t* bytes, size_t count) {
  for (size_t at = 0; at + kMpegHeaderSize <= count; ++at) {
    const std::optional<TMpegFrameHeader> header = ParseMpegHeader(bytes + at);
    if (!header || header->Length > count - at || count - at - header->Length < kMpegHeaderSize) continue;
    const std::optional<TMpegFrameHeader> next = ParseMpegHeader(bytes + at + header->Length);
    if (next && next->SameStream(*header)) return at;
  }
  return std::nullopt;
}

std::optional<TMpegTagFrame> ReadMpegTagFrame(const TMpegFrameHeader& header, const uint8_t* frame, size_t count) {
  count = std::min<size_t>(count, header.Length);
  if (std::optional<TMpegTagFrame> xing = ReadXing(header, frame, count)) return xing;
  return ReadVbri(frame, count);
}

bool ProbeMpeg(TStream& stream, TMediaInfo& info) {
  const int64_t size = stream.Size();
  const bool in_wav = info.DataSize > 0;
  const int64_t wav_bit_rate = in_wav ? info.BitRate : 0;
  int64_t start = in_wav ? info.DataOffset : 0;
  int64_t end = in_wav ? std::min(size, info.DataOffset + info.DataSize) : size;
  if (!in_wav) {
    start = SkipId3v2Tags(stream, start, end);
    if (EndsWithId3v1(stream, start, end)) end -= kId3v1Size;
  }
  const std::optional<TFirstFrame> first = SearchFirstFrame(stream, start, end);
  if (!first) return false;

  uint8_t frame[kMaxMpegFrameLength];
  const size_t frame_bytes = ReadAt(stream, first->Position, frame, sizeof frame);
  const TMpegFrameHeader& header = first->Header;
  const std::optional<TMpegTagFrame> tag = ReadMpegTagFrame(header, frame, frame_bytes);

  // A tag frame holds no sound: the data starts after it, so that data positions and
  // decoded time stay in step.
  info.DataOffset = first->Position + (tag ? header.Length : 0);
  info.DataSize = std::max<int64_t>(0, end - info.DataOffset);
  info.FirstFrame = tag ? 1 : 0;
  info.FrameLength = header.Length;
  info.MsPerFrame = header.MsPerFrame();
  const TBitRateSample sample = tag ? TBitRateSample{double(header.BitRate), tag->Vbr}
                                    : SampleBitRates(stream, *first, end);
  info.Vbr = sample.Varies;
  // A frame has at least a header's worth of bytes, so the data bounds the frame count.
  const int64_t frames = tag ? std::min<int64_t>(tag->Frames, info.DataSize / int64_t(kMpegHeaderSize)) : 0;
  const double bit_rate = wav_bit_rate > 0 ? double(wav_bit_rate) : sample.AverageBitRate;
  const double duration = frames > 0 ? frames * info.MsPerFrame : info.DataSize * 8.0 / bit_rate;
  info.DurationMs = RoundedMs(duration);
  info.BitRate = info.Vbr && duration > 0 ? static_cast<uint32_t>(std::lround(info.DataSize * 8.0 / duration))
                                          : header.BitRate;
  info.Type = TMediaType::Mpeg;
  info.Format = PcmWaveFormat(header.Channels(), header.SampleRate, 16);
  return true;
}

}  // namespace orv
