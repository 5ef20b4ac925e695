#include "render/tile_bitmap.h"

#include <algorithm>

#include "base/assertions.h"

namespace orv {

void ReadBitmapBGRA(const TBitmap& bitmap, int x, int y, int count, std::uint8_t* out) {
  // 0xAARRGGBB values lie in memory as B, G, R, A on this little-endian machine.
  const std::uint8_t* row = bitmap.Row(y) + std::ptrdiff_t(x) * bitmap.Format().BytesPerPixel();
  bitmap.Format().ToArgb(row, reinterpret_cast<std::uint32_t*>(out), count);
}

TCropView::TCropView(Ref<TBitmap> level, const TRect& window) : FLevel(std::move(level)), FWindow(window) {
  ORV_ASSERT(!window.IsEmpty(), "TCropView: empty window");
  ORV_ASSERT(window.Left >= 0 && window.Top >= 0 && window.Right <= FLevel->Width() &&
                 window.Bottom <= FLevel->Height(),
             "TCropView: window outside the picture");
}

void TCropView::ReadBGRA(int x, int y, int count, std::uint8_t* out) const {
  ReadBitmapBGRA(*FLevel, FWindow.Left + x, FWindow.Top + y, count, out);
}

TTileBitmap::TTileBitmap(Ref<TBitmap> sheet, int columns, int rows)
    : FSheet(std::move(sheet)), FColumns(columns), FRows(rows) {
  ORV_ASSERT(columns >= 1 && rows >= 1 && columns <= FSheet->Width() && rows <= FSheet->Height(),
             "TTileBitmap: bad sprite grid");
  FWidth = FSheet->Width() + 2 * columns;
  FHeight = FSheet->Height() + 2 * rows;
}

TTileBitmap::TSourceIndex TTileBitmap::SourceIndex(int view_index, int cell_size, int cells, int sheet_size) {
  const int slot_size = cell_size + 2;
  const int slot = view_index / slot_size;
  if (slot >= cells) {
    // Texels past the last whole cell (a sheet not divisible by its grid) follow as they are.
    return {std::min(view_index - 2 * cells, sheet_size - 1), false};
  }
  const int pos = view_index % slot_size;
  const int first = slot * cell_size;
  if (pos == 0) return {first, true};
  if (pos == slot_size - 1) return {first + cell_size - 1, true};
  return {first + pos - 1, false};
}

void TTileBitmap::GetPixels(int x, int y, int count, std::uint8_t* buffer, std::size_t buffer_size) const {
  ORV_ASSERT(x >= 0 && y >= 0 && x < FWidth && y < FHeight, ClassName() + ".GetPixels (X,Y) out of Bitmap.Size");
  ORV_ASSERT(count >= 0 && count <= FWidth - x, ClassName() + ".GetPixels - Offset out of Bounds");
  ORV_ASSERT(buffer_size >= std::size_t(count) * 4, ClassName() + ".GetPixels - Not Enought Pixel Buffer Space");
  const TSourceIndex row = SourceIndex(y, FSheet->Height() / FRows, FRows, FSheet->Height());
  for (int i = 0; i < count; ++i) {
    const TSourceIndex column = SourceIndex(x + i, FSheet->Width() / FColumns, FColumns, FSheet->Width());
    std::uint8_t* texel = buffer + std::size_t(i) * 4;
    ReadBitmapBGRA(*FSheet, column.Index, row.Index, 1, texel);
    if (row.Margin || column.Margin) texel[3] = 0;
  }
}

void TTileBitmap::ReadBGRA(int x, int y, int count, std::uint8_t* out) const {
  GetPixels(x, y, count, out, std::size_t(count) * 4);
}

}  // namespace orv
