// GIF files: the header, the colour tables, the blocks and our own LZW decoder. The
// picture loader takes the first frame; animated GIF playback reads further frames.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/exceptions.h"
#include "base/stream.h"
#include "image/bitmap_store.h"
#include "image/picture_limits.h"

namespace orv {

class EGifError : public TCommonException {
public:
  using TCommonException::TCommonException;
};

struct TGifScreen {
  int width = 0;
  int height = 0;
  uint8_t flags = 0;
  uint8_t background = 0;
};

// The graphic control extension that applies to the next frame.
struct TGifControl {
  int disposal = 0;
  int delay = 0;  // hundredths of a second
  int transparent_index = -1;
};

struct TGifFrame {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool interlaced = false;
  TGifControl control;
  // The active colour table as 0xFFRRGGBB, padded to 256 entries with 0 (transparent
  // black); the transparent index has alpha 0.
  std::array<uint32_t, 256> palette{};
  // One index a pixel, rows top-down, and its share of the picture memory budget.
  std::vector<uint8_t> indexes;
  TPictureMemory indexes_memory;
  // Pixels the data filled, in the order they are stored (interlaced rows come in passes).
  int64_t decoded_pixels = 0;

  // The image row of the n-th stored row.
  int RowOfStoredRow(int stored_row) const;
};

class TGifReader {
public:
  // Reads the header, the screen descriptor and the global colour table; raises
  // EGifError for anything but "GIF87a" or "GIF89a" and for a truncated header.
  explicit TGifReader(TStream& stream);

  const TGifScreen& Screen() const { return FScreen; }
  // The loop count of the "NETSCAPE2.0" application extension (0: endless), once the
  // blocks that carry it have been read; none for a picture that is not animated.
  std::optional<int> LoopCount() const { return FLoopCount; }

  // Walks the blocks up to the next image and decodes it; false at the trailer or the
  // end of the data. Raises EGifError for a broken block structure, EPictureRefused when
  // the budget cannot hold the image's indexes.
  bool ReadFrame(TGifFrame& frame);

private:
  void ReadImage(TGifFrame& frame);
  void ReadControl(TGifControl& control);
  void ReadApplication();
  void SkipSubBlocks();
  uint8_t ReadByte();

  TStream& FStream;
  TGifScreen FScreen;
  std::array<uint32_t, 256> FGlobalPalette{};
  std::optional<int> FLoopCount;
};

// The first frame as an "A8R8G8B8" bitmap of the frame's own size; pixels the data did
// not reach stay transparent black.
Ref<TBitmap> FrameBitmap(const TGifFrame& frame);

// The registry's loader for the first frame.
Ref<TSysBitmapStore> LoadGifFirstFrame(TStream& stream, const WideString& name, const THookFactory& hooks);

}  // namespace orv
