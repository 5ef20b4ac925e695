// The pixels that picture tiles are cut from: a window of a picture level, or the padded
// view of a sprite sheet whose cells must not bleed into each other when filtered.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/rect.h"
#include "base/ref_object.h"
#include "image/bitmap.h"

namespace orv {

class TTileSource : public TRefObject {
public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Reads `count` texels of row y from column x on as bytes B, G, R, A (all inside; `out`
  // aligned for 32-bit values).
  virtual void ReadBGRA(int x, int y, int count, std::uint8_t* out) const = 0;
};

// A window of one level of a picture.
class TCropView : public TTileSource {
public:
  // The window must lie inside the level and be non-empty (assertions).
  TCropView(Ref<TBitmap> level, const TRect& window);
  int Width() const override { return FWindow.Width(); }
  int Height() const override { return FWindow.Height(); }
  void ReadBGRA(int x, int y, int count, std::uint8_t* out) const override;

private:
  Ref<TBitmap> FLevel;
  TRect FWindow;
};

// A sprite sheet of C columns and R rows seen with a one-texel margin round every cell:
// (W + 2C) × (H + 2R) texels, each margin texel repeating the nearest edge texel of its
// cell with alpha 0.
class TTileBitmap : public TTileSource {
public:
  TTileBitmap(Ref<TBitmap> sheet, int columns, int rows);
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void ReadBGRA(int x, int y, int count, std::uint8_t* out) const override;
  // Reads a run of texels like a bitmap; a run outside the view or a buffer too small
  // for it is an assertion failure.
  void GetPixels(int x, int y, int count, std::uint8_t* buffer, std::size_t buffer_size) const;

  // Where a view column (or row) comes from in the sheet, and whether it is a margin.
  struct TSourceIndex {
    int Index;
    bool Margin;
  };
  static TSourceIndex SourceIndex(int view_index, int cell_size, int cells, int sheet_size);

private:
  Ref<TBitmap> FSheet;
  int FColumns;
  int FRows;
  int FWidth;
  int FHeight;
};

// Converts `count` pixels of a bitmap row from column x on into bytes B, G, R, A.
void ReadBitmapBGRA(const TBitmap& bitmap, int x, int y, int count, std::uint8_t* out);

}  // namespace orv
