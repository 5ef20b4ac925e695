#include "image/gif_reader.h"

#include <algorithm>
#include <cstring>

#include "base/log.h"
#include "image/picture_limits.h"
#include "image/stream_reading.h"

namespace orv {
namespace {

constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kImage = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kGraphicControl = 0xF9;
constexpr uint8_t kApplication = 0xFF;
constexpr int kMaxCodeSize = 12;
constexpr int kTableSize = 1 << kMaxCodeSize;

// The bytes of a run of data sub-blocks, one at a time, up to the block terminator.
class TSubBlockReader {
public:
  explicit TSubBlockReader(TStream& stream) : FStream(stream) {}

  // The next data byte, or -1 once the data has ended.
  int Next() {
    if (FPos == FLength && !Refill()) return -1;
    return FBlock[FPos++];
  }

  // Skips what is left up to and including the terminator.
  void SkipRest() {
    while (Refill()) FPos = FLength;
  }

private:
  bool Refill() {
    if (FEnded) return false;
    uint8_t length = 0;
    if (FStream.Read(&length, 1) == 0 || length == 0) {
      FEnded = true;
      return false;
    }
    FLength = int(FStream.Read(FBlock, length));
    FPos = 0;
    if (FLength < length) {
      Log().Write("GIFWarning: OutOfData! ");
      FEnded = true;
    }
    return FLength > 0;
  }

  TStream& FStream;
  uint8_t FBlock[255];
  int FPos = 0;
  int FLength = 0;
  bool FEnded = false;
};

// Variable-length LZW codes of 3 to 12 bits, least significant bit first.
class TLzwDecoder {
public:
  TLzwDecoder(TSubBlockReader& data, int minimum_code_size)
      : FData(data), FClear(1 << minimum_code_size), FMinimumCodeSize(minimum_code_size) {
    for (int code = 0; code < FClear; ++code) FSuffix[code] = uint8_t(code);
    Reset();
  }

  // Decodes up to `count` indexes into `out`; returns how many the data gave.
  int64_t Decode(uint8_t* out, int64_t count) {
    int64_t written = 0;
    while (written < count) {
      if (FStackTop > 0) {
        out[written++] = FStack[--FStackTop];
        continue;
      }
      const int code = ReadCode();
      if (code < 0) {
        Log().Write("GIFWarning: DecodeTooFewBits! ");
        break;
      }
      if (code == FClear) {
        Reset();
      } else if (code == FClear + 1) {
        break;
      } else {
        Expand(code);
      }
    }
    return written;
  }

private:
  void Reset() {
    FCodeSize = FMinimumCodeSize + 1;
    FNext = FClear + 2;
    FPrevious = -1;
  }

  int ReadCode() {
    while (FBitCount < FCodeSize) {
      const int byte = FData.Next();
      if (byte < 0) return -1;
      FBits |= uint32_t(byte) << FBitCount;
      FBitCount += 8;
    }
    const int code = int(FBits & ((1u << FCodeSize) - 1));
    FBits >>= FCodeSize;
    FBitCount -= FCodeSize;
    return code;
  }

  // Pushes the string of `code` onto the stack (last character first) and adds the
  // new table entry.
  void Expand(int code) {
    if (FPrevious < 0) {
      if (code >= FClear) return;  // nothing to refer to yet
      FStack[FStackTop++] = FSuffix[code];
      FPrevious = code;
      FFirst = uint8_t(code);
      return;
    }
    int current = code;
    if (code >= FNext) {
      // Only the entry about to be made may be used before it exists; anything further
      // refers to itself. Read it as that entry, as a forgiving decoder does.
      if (code > FNext) Log().Write("GIF Warning: DecodeCircular! ");
      FStack[FStackTop++] = FFirst;
      current = FPrevious;
    }
    while (current >= FClear) {
      FStack[FStackTop++] = FSuffix[current];
      current = FPrefix[current];
    }
    FStack[FStackTop++] = FSuffix[current];
    FFirst = FSuffix[current];
    if (FNext < kTableSize) {
      FPrefix[FNext] = uint16_t(FPrevious);
      FSuffix[FNext] = FFirst;
      ++FNext;
      if (FNext == (1 << FCodeSize) && FCodeSize < kMaxCodeSize) ++FCodeSize;
    }
    FPrevious = code >= FNext ? FNext - 1 : code;
  }

  TSubBlockReader& FData;
  const int FClear;
  const int FMinimumCodeSize;
  int FCodeSize = 0;
  int FNext = 0;
  int FPrevious = -1;
  uint8_t FFirst = 0;
  uint32_t FBits = 0;
  int FBitCount = 0;
  uint16_t FPrefix[kTableSize] = {};
  uint8_t FSuffix[kTableSize] = {};
  // A string is at most one character longer than the table has entries.
  uint8_t FStack[kTableSize + 1] = {};
  int FStackTop = 0;
};

void ReadExact(TStream& stream, void* buffer, size_t count) {
  if (!TryReadExact(stream, buffer, count)) throw EGifError("GIF data ended early");
}

// `size_bits` n gives 2^(n+1) entries of red, green, blue.
void ReadColourTable(TStream& stream, int size_bits, std::array<uint32_t, 256>& palette) {
  const int entries = 2 << size_bits;
  uint8_t rgb[256 * 3];
  ReadExact(stream, rgb, size_t(entries) * 3);
  palette.fill(0);
  for (int i = 0; i < entries; ++i)
    palette[size_t(i)] = 0xFF000000u | uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
}

}  // namespace

// ---- TGifFrame

int TGifFrame::RowOfStoredRow(int stored_row) const {
  if (!interlaced) return stored_row;
  // Every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    const int rows_in_pass = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
    if (stored_row < rows_in_pass) return kStart[pass] + stored_row * kStep[pass];
    stored_row -= rows_in_pass;
  }
  return height - 1;
}

// ---- TGifReader

TGifReader::TGifReader(TStream& stream) : FStream(stream) {
  uint8_t header[13];
  if (!TryReadExact(stream, header, sizeof header) ||
      (std::memcmp(header, "GIF87a", 6) != 0 && std::memcmp(header, "GIF89a", 6) != 0))
    throw EGifError("Unknown/Unsupported GIF image type");
  FScreen.width = LoadLE16(header + 6);
  FScreen.height = LoadLE16(header + 8);
  FScreen.flags = header[10];
  FScreen.background = header[11];
  if (FScreen.flags & 0x80) ReadColourTable(stream, FScreen.flags & 7, FGlobalPalette);
}

uint8_t TGifReader::ReadByte() {
  uint8_t byte;
  ReadExact(FStream, &byte, 1);
  return byte;
}

bool TGifReader::ReadFrame(TGifFrame& frame) {
  frame.control = TGifControl{};
  for (;;) {
    uint8_t introducer;
    if (FStream.Read(&introducer, 1) == 0 || introducer == kTrailer) return false;
    if (introducer == kImage) {
      ReadImage(frame);
      return true;
    }
    if (introducer != kExtension) throw EGifError("GIF block expected");
    const uint8_t label = ReadByte();
    if (label == kGraphicControl) ReadControl(frame.control);
    else if (label == kApplication) ReadApplication();
    else SkipSubBlocks();
  }
}

void TGifReader::ReadControl(TGifControl& control) {
  TSubBlockReader data(FStream);
  int bytes[4];
  for (int& byte : bytes) byte = data.Next();
  data.SkipRest();
  if (bytes[3] < 0) return;  // too short to mean anything
  control.disposal = (bytes[0] >> 2) & 7;
  control.delay = bytes[1] | bytes[2] << 8;
  control.transparent_index = (bytes[0] & 1) ? bytes[3] : -1;
}

// "NETSCAPE2.0" and a sub-block 1 with the loop count, 16 bits; 65535 loops mean endless.
void TGifReader::ReadApplication() {
  TSubBlockReader data(FStream);
  char identifier[11];
  for (char& c : identifier) c = char(data.Next());
  if (std::memcmp(identifier, "NETSCAPE2.0", sizeof identifier) == 0 && data.Next() == 1) {
    const int low = data.Next();
    const int high = data.Next();
    if (high >= 0) {
      const int count = low | high << 8;
      FLoopCount = count == 65535 ? 0 : count;
    }
  }
  data.SkipRest();
}

void TGifReader::SkipSubBlocks() { TSubBlockReader(FStream).SkipRest(); }

void TGifReader::ReadImage(TGifFrame& frame) {
  uint8_t descriptor[9];
  ReadExact(FStream, descriptor, sizeof descriptor);
  frame.left = LoadLE16(descriptor);
  frame.top = LoadLE16(descriptor + 2);
  frame.width = LoadLE16(descriptor + 4);
  frame.height = LoadLE16(descriptor + 6);
  frame.interlaced = (descriptor[8] & 0x40) != 0;
  if (!PictureSizeAllowed(frame.width, frame.height)) throw EGifError("GIF image size out of range");
  if (descriptor[8] & 0x80) ReadColourTable(FStream, descriptor[8] & 7, frame.palette);
  else frame.palette = FGlobalPalette;
  if (frame.control.transparent_index >= 0) frame.palette[size_t(frame.control.transparent_index)] &= 0x00FFFFFF;

  const int minimum_code_size = ReadByte();
  if (minimum_code_size < 1 || minimum_code_size > 8) throw EGifError("GIF code size out of range");
  frame.indexes_memory.Resize(int64_t(frame.width) * frame.height);
  frame.indexes.assign(size_t(frame.width) * size_t(frame.height), 0);
  TSubBlockReader data(FStream);
  TLzwDecoder decoder(data, minimum_code_size);
  frame.decoded_pixels = decoder.Decode(frame.indexes.data(), int64_t(frame.indexes.size()));
  data.SkipRest();
  // Stored order to image order: interlaced rows arrive in passes.
  if (frame.interlaced) {
    const TPictureMemory ordered_memory(int64_t(frame.indexes.size()));
    std::vector<uint8_t> ordered(frame.indexes.size());
    for (int stored = 0; stored < frame.height; ++stored)
      std::memcpy(&ordered[size_t(frame.RowOfStoredRow(stored)) * frame.width],
                  &frame.indexes[size_t(stored) * frame.width], size_t(frame.width));
    frame.indexes.swap(ordered);
  }
}

Ref<TBitmap> FrameBitmap(const TGifFrame& frame) {
  Ref<TBitmap> bitmap = TBitmap::Create(frame.width, frame.height, pf::A8R8G8B8);
  for (int stored = 0; int64_t(stored) * frame.width < frame.decoded_pixels; ++stored) {
    const int y = frame.RowOfStoredRow(stored);
    const int64_t count = std::min<int64_t>(frame.width, frame.decoded_pixels - int64_t(stored) * frame.width);
    const uint8_t* indexes = &frame.indexes[size_t(y) * frame.width];
    auto* target = reinterpret_cast<uint32_t*>(bitmap->Row(y));
    for (int64_t x = 0; x < count; ++x) target[x] = frame.palette[indexes[x]];
  }
  return bitmap;
}

Ref<TSysBitmapStore> LoadGifFirstFrame(TStream& stream, const WideString& name, const THookFactory& hooks) {
  TStreamPositionGuard guard(stream);
  try {
    TGifReader reader(stream);
    TGifFrame frame;
    if (!reader.ReadFrame(frame)) return nullptr;
    guard.Keep();
    return MakeRef<TWrapperBitmapStore>(name, FrameBitmap(frame), MakeHook(hooks, name));
  } catch (const Exception&) {
    return nullptr;
  }
}

}  // namespace orv
