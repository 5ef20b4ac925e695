// A nine-patch picture of the video-style navigation bar: its four insets keep their size
// when it is drawn into a rectangle of another size, the edges between them stretch along
// one axis and the centre along both.
#pragma once

#include <array>
#include <optional>

#include "base/rect.h"
#include "image/bitmap.h"

namespace orv {

struct TInsets {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

// The four boundaries along one axis of a span [start, end) with insets `before` and
// `after`: the insets keep their size; when the span is narrower than both, both are cut
// at the same middle line.
std::array<int, 4> NinePatchCuts(int start, int end, int before, int after);

// A picture's pixels ("A8R8G8B8") with its insets. Its centre is filled with one colour
// when every pixel there has that value.
class TNinePatch {
public:
  TNinePatch() = default;
  TNinePatch(Ref<TBitmap> picture, const TInsets& insets);

  bool Empty() const noexcept { return !FPicture; }
  int Width() const { return FPicture ? FPicture->Width() : 0; }
  int Height() const { return FPicture ? FPicture->Height() : 0; }
  const std::optional<uint32_t>& UniformCentre() const noexcept { return FUniform; }

  // Blends the picture stretched into `rect` of `target`, clipped to the target.
  void Draw(TBitmap& target, const TRect& rect) const;

private:
  Ref<TBitmap> FPicture;
  TInsets FInsets;
  std::optional<uint32_t> FUniform;
};

// `area` of `picture`, clipped to it, as a bitmap of its own; none when nothing is left.
Ref<TBitmap> CutBitmap(const TBitmap& picture, const TRect& area);

// The blend of the video-style bar: alpha 0 leaves the destination, 255 replaces it, an
// opaque destination moves towards the source by alpha / 256, any other gets the over
// operator.
uint32_t BlendOverBar(uint32_t source, uint32_t destination);

}  // namespace orv
