#include "image/orientation.h"

#include <cstring>
#include <utility>

namespace orv {
namespace {

bool Turns(int code) { return code == 3 || code == 6 || code == 8; }
bool SwapsSides(int code) { return code == 6 || code == 8; }

// Copies every pixel of `source` to the place `target_of` gives for it.
template <int kBytes, class TargetOf>
void MovePixels(const TBitmap& source, TBitmap& target, TargetOf target_of) {
  for (int y = 0; y < source.Height(); ++y) {
    const uint8_t* row = source.Row(y);
    for (int x = 0; x < source.Width(); ++x) {
      const auto [tx, ty] = target_of(x, y);
      std::memcpy(target.Row(ty) + tx * kBytes, row + x * kBytes, kBytes);
    }
  }
}

template <int kBytes>
void Rotate(const TBitmap& source, TBitmap& target, int code) {
  const int w = source.Width();
  const int h = source.Height();
  switch (code) {
    case 3: MovePixels<kBytes>(source, target, [w, h](int x, int y) { return std::pair(w - 1 - x, h - 1 - y); }); break;
    case 6: MovePixels<kBytes>(source, target, [h](int x, int y) { return std::pair(h - 1 - y, x); }); break;
    default: MovePixels<kBytes>(source, target, [w](int x, int y) { return std::pair(y, w - 1 - x); }); break;
  }
}

}  // namespace

Ref<TBitmap> RotateBitmap(const TBitmap& source, int code) {
  if (!Turns(code)) return TBitmap::MemoryClass().CreateFrom(source);
  const bool swap = SwapsSides(code);
  Ref<TBitmap> target =
      TBitmap::Create(swap ? source.Height() : source.Width(), swap ? source.Width() : source.Height(), source.Format());
  switch (source.Format().BytesPerPixel()) {
    case 1: Rotate<1>(source, *target, code); break;
    case 2: Rotate<2>(source, *target, code); break;
    case 3: Rotate<3>(source, *target, code); break;
    default: Rotate<4>(source, *target, code); break;
  }
  return target;
}

void TOrientationHook::TransformSize(int& width, int& height) const {
  if (SwapsSides(FCode)) std::swap(width, height);
}

Ref<TBitmap> TOrientationHook::Apply(TSysBitmapStore&, Ref<TBitmap> level) { return RotateBitmap(*level, FCode); }

THookFactory MakeOrientationHookFactory(TOrientationLookup lookup) {
  return [lookup = std::move(lookup)](const WideString& name) -> Ref<TLevelHook> {
    const int code = lookup(name);
    return Turns(code) ? MakeRef<TOrientationHook>(code) : nullptr;
  };
}

}  // namespace orv
