#include "image/bmp_reader.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/picture_limits.h"
#include "image/stream_reading.h"

namespace orv {
namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;

struct TBmpHeader {
  int64_t start = 0;
  uint32_t file_size = 0;
  uint32_t data_offset = 0;
  uint32_t info_size = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  uint32_t compression = 0;
  uint32_t colours_used = 0;

  int Rows() const { return int(std::llabs(int64_t(height))); }
  int64_t Stride() const { return (int64_t(bit_count) * width + 31) / 32 * 4; }
  // Bytes of a stored row that carry pixels.
  int64_t RowBytes() const { return (int64_t(bit_count) * width + 7) / 8; }
  // Rows are stored bottom-up when the height is positive.
  int TargetRow(int stored_row) const { return height > 0 ? Rows() - 1 - stored_row : stored_row; }
  int64_t DataStart() const { return start + data_offset; }
};

bool ReadHeader(TStream& stream, TBmpHeader& header) {
  uint8_t bytes[kFileHeaderSize + kInfoHeaderSize];
  header.start = stream.Position();
  if (!TryReadExact(stream, bytes, kFileHeaderSize) || bytes[0] != 'B' || bytes[1] != 'M') return false;
  header.file_size = LoadLE32(bytes + 2);
  header.data_offset = LoadLE32(bytes + 10);
  if (stream.Size() - header.start < int64_t(header.file_size)) return false;
  if (!TryReadExact(stream, bytes + kFileHeaderSize, kInfoHeaderSize)) return false;
  const uint8_t* info = bytes + kFileHeaderSize;
  header.info_size = LoadLE32(info);
  header.width = int32_t(LoadLE32(info + 4));
  header.height = int32_t(LoadLE32(info + 8));
  header.planes = LoadLE16(info + 12);
  header.bit_count = LoadLE16(info + 14);
  header.compression = LoadLE32(info + 16);
  header.colours_used = LoadLE32(info + 32);
  return true;
}

bool Acceptable(const TBmpHeader& h) {
  // A header shorter than the 40 bytes we read is an older layout we do not read.
  if (h.info_size < kInfoHeaderSize || h.width <= 0 || h.height == 0 || h.planes != 1 || h.compression >= 6)
    return false;
  if (h.bit_count == 0 && h.compression != 4 && h.compression != 5) return false;
  return PictureSizeAllowed(h.width, std::llabs(int64_t(h.height)));
}

using TPalette = std::array<uint32_t, 256>;

// Entries B, G, R, reserved; entries the file lacks stay black.
TPalette ReadPalette(TStream& stream, const TBmpHeader& h) {
  TPalette palette{};
  const uint32_t full = 1u << h.bit_count;
  const uint32_t count = h.colours_used == 0 || h.colours_used > full ? full : h.colours_used;
  uint8_t entries[256 * 4];
  const size_t got = stream.Read(entries, count * 4);
  for (size_t i = 0; i < got / 4; ++i) palette[i] = 0xFF000000u | (LoadLE32(entries + 4 * i) & 0xFFFFFF);
  return palette;
}

uint8_t IndexAt(const uint8_t* row, int x, int bits) {
  switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default: return row[x];
  }
}

void MapIndexes(const uint8_t* row, int bits, const TPalette& palette, uint8_t* target, int width) {
  for (int x = 0; x < width; ++x) {
    const uint32_t colour = palette[IndexAt(row, x, bits)];
    target[3 * x] = uint8_t(colour);
    target[3 * x + 1] = uint8_t(colour >> 8);
    target[3 * x + 2] = uint8_t(colour >> 16);
  }
}

// Reads every stored row of an uncompressed picture and hands it to `decode_row` with the
// bitmap row it belongs to. The whole pixel area must be in the stream before anything
// is allocated.
template <class DecodeRow>
Ref<TBitmap> ReadRows(TStream& stream, const TBmpHeader& h, const TCommonPixelFormat& format, DecodeRow decode_row) {
  const int rows = h.Rows();
  if (stream.Size() < h.DataStart() + h.Stride() * (rows - 1) + h.RowBytes()) return nullptr;
  Ref<TBitmap> bitmap = TBitmap::Create(h.width, rows, format);
  std::vector<uint8_t> row(size_t(h.RowBytes()));
  for (int stored = 0; stored < rows; ++stored) {
    stream.SetPosition(h.DataStart() + stored * h.Stride());
    if (!TryReadExact(stream, row.data(), row.size())) return nullptr;
    decode_row(row.data(), bitmap->Row(h.TargetRow(stored)));
  }
  return bitmap;
}

// ---- run-length compressed pictures

// Decodes RLE8 or RLE4 data into one palette index per pixel, rows of `row_length`
// bytes in stored order. False for a run past the end of the buffer or data that ends
// before the end-of-bitmap mark.
class TRleDecoder {
public:
  TRleDecoder(const std::string& data, int bits, int64_t row_length, int rows)
      : FData(data), FBits(bits), FRowLength(row_length), FIndexesMemory(row_length * rows),
        FIndexes(size_t(row_length) * size_t(rows)) {}

  bool Decode() {
    for (;;) {
      uint8_t count, value;
      if (!Next(count) || !Next(value)) return false;
      if (count > 0) {
        if (!EncodedRun(count, value)) return false;
      } else if (value == 0) {
        FX = 0;
        ++FY;
      } else if (value == 1) {
        return true;
      } else if (value == 2) {
        uint8_t dx, dy;
        if (!Next(dx) || !Next(dy)) return false;
        FX += dx;
        FY += dy;
      } else if (!AbsoluteRun(value)) {
        return false;
      }
    }
  }

  const std::vector<uint8_t>& Indexes() const { return FIndexes; }

private:
  bool Next(uint8_t& byte) {
    if (FRead >= FData.size()) return false;
    byte = uint8_t(FData[FRead++]);
    return true;
  }
  // Where the next `count` pixels go, or -1 when they would pass the end.
  int64_t Reserve(int count) {
    const int64_t at = FY * FRowLength + FX;
    if (at + count > int64_t(FIndexes.size())) return -1;
    FX += count;
    return at;
  }
  // RLE8 repeats the byte; RLE4 alternates its high and low nibble, high first.
  bool EncodedRun(int count, uint8_t value) {
    const int64_t at = Reserve(count);
    if (at < 0) return false;
    for (int i = 0; i < count; ++i)
      FIndexes[size_t(at + i)] = FBits == 8 ? value : ((i & 1) ? value & 15 : value >> 4);
    return true;
  }
  // `count` literal pixels, padded to an even number of bytes.
  bool AbsoluteRun(int count) {
    const size_t bytes = FBits == 8 ? size_t(count) : size_t(count + 1) / 2;
    const size_t padded = bytes + (bytes & 1);
    const int64_t at = Reserve(count);
    if (at < 0 || FData.size() - FRead < padded) return false;
    const auto* literal = reinterpret_cast<const uint8_t*>(FData.data() + FRead);
    for (int i = 0; i < count; ++i)
      FIndexes[size_t(at + i)] = FBits == 8 ? literal[i] : ((i & 1) ? literal[i / 2] & 15 : literal[i / 2] >> 4);
    FRead += padded;
    return true;
  }

  const std::string& FData;
  size_t FRead = 0;
  int FBits;
  int64_t FRowLength;
  int64_t FX = 0;
  int64_t FY = 0;
  TPictureMemory FIndexesMemory;
  std::vector<uint8_t> FIndexes;
};

// The most run-length data a picture of this size can use: two bytes a pixel (runs of
// one), an end of line a row and the end of the bitmap.
int64_t MaxRleBytes(const TBmpHeader& h) { return 2 * (int64_t(h.width) + 1) * h.Rows() + 2; }

Ref<TBitmap> ReadRle(TStream& stream, const TBmpHeader& h, const TPalette& palette) {
  std::string data;
  TPictureMemory data_memory;
  stream.SetPosition(h.DataStart());
  // What follows the data (the end of the file, or padding) is not read.
  const size_t limit = size_t(std::clamp<int64_t>(int64_t(h.file_size) - h.data_offset, 1, MaxRleBytes(h)));
  const auto end_at_limit = [limit](std::string_view read) { return read.size() >= limit ? limit : 0; };
  if (!ReadPictureBytes(stream, data, data_memory, int64_t(limit), end_at_limit)) return nullptr;
  // RLE8 rows keep the stride of an uncompressed picture; RLE4 rows are one byte a pixel.
  const int64_t row_length = h.bit_count == 8 ? h.Stride() : h.width;
  TRleDecoder decoder(data, h.bit_count, row_length, h.Rows());
  if (!decoder.Decode()) return nullptr;
  Ref<TBitmap> bitmap = TBitmap::Create(h.width, h.Rows(), pf::R8G8B8);
  for (int stored = 0; stored < h.Rows(); ++stored)
    MapIndexes(decoder.Indexes().data() + stored * row_length, 8, palette, bitmap->Row(h.TargetRow(stored)), h.width);
  return bitmap;
}

// ---- bit-field masks

struct TMasks {
  uint32_t red, green, blue;
};

// The masks follow the 40-byte header; longer headers hold them at the same place.
bool ReadMasks(TStream& stream, const TBmpHeader& h, TMasks& masks) {
  uint8_t bytes[12];
  stream.SetPosition(h.start + kFileHeaderSize + kInfoHeaderSize);
  if (!TryReadExact(stream, bytes, sizeof bytes)) return false;
  masks = {LoadLE32(bytes), LoadLE32(bytes + 4), LoadLE32(bytes + 8)};
  return true;
}

const TCommonPixelFormat* SixteenBitFormat(const TMasks& m) {
  if (m.red == 0x7C00 && m.green == 0x3E0 && m.blue == 0x1F) return &pf::B5G5R5X1;
  if (m.red == 0xF800 && m.green == 0x7E0 && m.blue == 0x1F) return &pf::B5G6R5;
  return nullptr;
}

// Byte positions of red, green, blue and alpha in a 32-bit pixel; false unless each
// colour mask is one whole byte and no two share it.
bool ByteLayout(const TMasks& m, int (&position)[4]) {
  const uint32_t masks[3] = {m.red, m.green, m.blue};
  bool used[4] = {};
  for (int c = 0; c < 3; ++c) {
    position[c] = -1;
    for (int b = 0; b < 4; ++b)
      if (masks[c] == 0xFFu << (8 * b) && !used[b]) position[c] = b;
    if (position[c] < 0) return false;
    used[position[c]] = true;
  }
  for (int b = 0; b < 4; ++b)
    if (!used[b]) position[3] = b;
  return true;
}

// Many writers leave the fourth byte of 32-bit pixels at 0: a picture without a single
// non-zero alpha is meant to be opaque.
void OpaqueWhenAlphaUnused(TBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      if (bitmap.Row(y)[4 * x + 3] != 0) return;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) bitmap.Row(y)[4 * x + 3] = 255;
}

Ref<TBitmap> ReadCopiedRows(TStream& stream, const TBmpHeader& h, const TCommonPixelFormat& format) {
  const size_t bytes = size_t(h.width) * format.BytesPerPixel();
  return ReadRows(stream, h, format, [bytes](const uint8_t* row, uint8_t* target) { std::memcpy(target, row, bytes); });
}

Ref<TBitmap> Read32Bits(TStream& stream, const TBmpHeader& h) {
  int position[4] = {2, 1, 0, 3};
  TMasks masks;
  if (h.compression == kBitFields && (!ReadMasks(stream, h, masks) || !ByteLayout(masks, position))) return nullptr;
  const int width = h.width;
  Ref<TBitmap> bitmap = ReadRows(stream, h, pf::A8R8G8B8, [&position, width](const uint8_t* row, uint8_t* target) {
    for (int x = 0; x < width; ++x, row += 4, target += 4) {
      target[0] = row[position[2]];
      target[1] = row[position[1]];
      target[2] = row[position[0]];
      target[3] = row[position[3]];
    }
  });
  if (bitmap) OpaqueWhenAlphaUnused(*bitmap);
  return bitmap;
}

Ref<TBitmap> Read16Bits(TStream& stream, const TBmpHeader& h) {
  TMasks masks{0x7C00, 0x3E0, 0x1F};
  if (h.compression == kBitFields && !ReadMasks(stream, h, masks)) return nullptr;
  const TCommonPixelFormat* format = h.compression == kRgb || h.compression == kBitFields ? SixteenBitFormat(masks) : nullptr;
  return format ? ReadCopiedRows(stream, h, *format) : nullptr;
}

Ref<TBitmap> ReadIndexed(TStream& stream, const TBmpHeader& h) {
  const bool rle8 = h.compression == kRle8 && h.bit_count == 8;
  const bool rle4 = h.compression == kRle4 && h.bit_count == 4;
  if (h.compression != kRgb && !rle8 && !rle4) return nullptr;
  const TPalette palette = ReadPalette(stream, h);
  if (rle8 || rle4) return ReadRle(stream, h, palette);
  const int bits = h.bit_count;
  const int width = h.width;
  return ReadRows(stream, h, pf::R8G8B8, [&palette, bits, width](const uint8_t* row, uint8_t* target) {
    MapIndexes(row, bits, palette, target, width);
  });
}

Ref<TBitmap> ReadPixels(TStream& stream, const TBmpHeader& h) {
  stream.SetPosition(h.start + kFileHeaderSize + h.info_size);
  switch (h.bit_count) {
    case 1:
    case 4:
    case 8: return ReadIndexed(stream, h);
    case 16: return Read16Bits(stream, h);
    case 24: return h.compression == kRgb ? ReadCopiedRows(stream, h, pf::R8G8B8) : nullptr;
    case 32: return h.compression == kRgb || h.compression == kBitFields ? Read32Bits(stream, h) : nullptr;
    default: return nullptr;
  }
}

}  // namespace

Ref<TBitmap> ReadWindowsBitmap(TStream& stream) {
  TStreamPositionGuard guard(stream);
  try {
    TBmpHeader header;
    if (!ReadHeader(stream, header) || !Acceptable(header)) return nullptr;
    Ref<TBitmap> bitmap = ReadPixels(stream, header);
    if (bitmap) guard.Keep();
    return bitmap;
  } catch (const Exception&) {
    return nullptr;
  }
}

Ref<TSysBitmapStore> LoadWindowsBitmap(TStream& stream, const WideString& name, const THookFactory& hooks) {
  Ref<TBitmap> bitmap = ReadWindowsBitmap(stream);
  if (!bitmap) return nullptr;
  return MakeRef<TWrapperBitmapStore>(name, std::move(bitmap), MakeHook(hooks, name));
}

}  // namespace orv
