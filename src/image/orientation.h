// Pictures turned by the rotation-only codes of the EXIF orientation tag, which a show's
// orientation table gives per picture name: 3 turns by 180°, 6 a quarter turn clockwise
// and 8 a quarter turn counter-clockwise (both swap width and height); anything else
// leaves the picture as it is.
#pragma once

#include <functional>

#include "image/bitmap_store.h"

namespace orv {

Ref<TBitmap> RotateBitmap(const TBitmap& source, int orientation_code);

// Turns every level a store decodes.
class TOrientationHook : public TLevelHook {
public:
  explicit TOrientationHook(int orientation_code) : FCode(orientation_code) {}
  void TransformSize(int& width, int& height) const override;
  Ref<TBitmap> Apply(TSysBitmapStore& store, Ref<TBitmap> level) override;

private:
  int FCode;
};

// The orientation code of a picture name (0 when it has none).
using TOrientationLookup = std::function<int(const WideString& name)>;
// A hook factory that gives pictures with a turning code their hook.
THookFactory MakeOrientationHookFactory(TOrientationLookup lookup);

}  // namespace orv
