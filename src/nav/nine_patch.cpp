#include "nav/nine_patch.h"

#include <algorithm>

#include "nav/bilinear_stretch.h"

namespace orv {
namespace {

int Channel(uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }

// Blends `source` (or one colour) onto `target` at `to`, clipped to the target.
template <class Pixel>
void BlendArea(TBitmap& target, const TRect& to, Pixel pixel) {
  const TRect area = IntersectRect(to, RectOfSize(target.Width(), target.Height()));
  for (int y = area.Top; y < area.Bottom; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(target.Row(y));
    for (int x = area.Left; x < area.Right; ++x) out[x] = BlendOverBar(pixel(x - to.Left, y - to.Top), out[x]);
  }
}

}  // namespace

Ref<TBitmap> CutBitmap(const TBitmap& picture, const TRect& area) {
  const TRect inside = IntersectRect(area, RectOfSize(picture.Width(), picture.Height()));
  if (inside.IsEmpty()) return nullptr;
  Ref<TBitmap> piece = TBitmap::Create(inside.Width(), inside.Height(), pf::A8R8G8B8);
  for (int y = 0; y < inside.Height(); ++y)
    std::copy_n(reinterpret_cast<const uint32_t*>(picture.Row(inside.Top + y)) + inside.Left, inside.Width(),
                reinterpret_cast<uint32_t*>(piece->Row(y)));
  return piece;
}

std::array<int, 4> NinePatchCuts(int start, int end, int before, int after) {
  const int middle = std::clamp((start + before + end - after) / 2, start, std::max(start, end));
  return {start, std::min(middle, start + before), std::max(middle, end - after), end};
}

uint32_t BlendOverBar(uint32_t source, uint32_t destination) {
  const int a = Channel(source, 24);
  const int b = Channel(destination, 24);
  if (a == 0) return destination;
  if (a == 255) return source;
  uint32_t result = 0;
  if (b == 255) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int d = Channel(destination, shift);
      result |= uint32_t(d + a * (Channel(source, shift) - d) / 256) << shift;
    }
    return result | 0xFF000000u;
  }
  const int alpha = std::min(255, a + b - a * b / 256);
  for (int shift = 0; shift < 24; shift += 8) {
    const int colour = (Channel(source, shift) * a * 255 + Channel(destination, shift) * b * (255 - a)) / (alpha * 255);
    result |= uint32_t(std::min(colour, 255)) << shift;
  }
  return result | uint32_t(alpha) << 24;
}

TNinePatch::TNinePatch(Ref<TBitmap> picture, const TInsets& insets) : FPicture(std::move(picture)), FInsets(insets) {
  if (!FPicture) return;
  const std::array<int, 4> columns = NinePatchCuts(0, Width(), FInsets.Left, FInsets.Right);
  const std::array<int, 4> rows = NinePatchCuts(0, Height(), FInsets.Top, FInsets.Bottom);
  if (columns[1] >= columns[2] || rows[1] >= rows[2]) return;
  const uint32_t first = FPicture->PixelArgb(columns[1], rows[1]);
  for (int y = rows[1]; y < rows[2]; ++y)
    for (int x = columns[1]; x < columns[2]; ++x)
      if (FPicture->PixelArgb(x, y) != first) return;
  FUniform = first;
}

void TNinePatch::Draw(TBitmap& target, const TRect& rect) const {
  if (!FPicture || rect.IsEmpty()) return;
  const std::array<int, 4> source_x = NinePatchCuts(0, Width(), FInsets.Left, FInsets.Right);
  const std::array<int, 4> source_y = NinePatchCuts(0, Height(), FInsets.Top, FInsets.Bottom);
  const std::array<int, 4> target_x = NinePatchCuts(rect.Left, rect.Right, FInsets.Left, FInsets.Right);
  const std::array<int, 4> target_y = NinePatchCuts(rect.Top, rect.Bottom, FInsets.Top, FInsets.Bottom);
  for (size_t row = 0; row < 3; ++row) {
    for (size_t column = 0; column < 3; ++column) {
      const TRect from{source_x[column], source_y[row], source_x[column + 1], source_y[row + 1]};
      const TRect to{target_x[column], target_y[row], target_x[column + 1], target_y[row + 1]};
      if (from.IsEmpty() || to.IsEmpty()) continue;
      if (row == 1 && column == 1 && FUniform) {
        BlendArea(target, to, [colour = *FUniform](int, int) { return colour; });
      } else if (from.Width() != to.Width() || from.Height() != to.Height()) {
        const Ref<TBitmap> stretched = StretchBilinear(*CutBitmap(*FPicture, from), to.Width(), to.Height());
        BlendArea(target, to, [&](int x, int y) { return reinterpret_cast<const uint32_t*>(stretched->Row(y))[x]; });
      } else {
        BlendArea(target, to, [&](int x, int y) {
          return reinterpret_cast<const uint32_t*>(FPicture->Row(from.Top + y))[from.Left + x];
        });
      }
    }
  }
}

}  // namespace orv
