// Stencil pictures of mask containers: pictures whose brightness becomes their alpha
// ("Mask: " + file name) and preset shapes ("PresetedMask:" + width:height:shape:softness:
// roundness). Both are white where they let the content through, with that coverage as
// alpha, so the drawer can use them like any picture.
#pragma once

#include <optional>

#include "image/bitmap.h"
#include "image/bitmap_store.h"
#include "base/text.h"

namespace orv {

class TOrvSlideHost;

// The stencil form of a picture:
// - without alpha: the picture made opaque;
// - alpha 0 everywhere or 255 everywhere: alpha = max(R, G, B), at least 1, and the colour
//   white when every pixel is grey, else each channel × 255 / alpha;
// - all visible pixels of one colour: the alpha kept, the colour white;
// - anything else unchanged.
// The result is "A8R8G8B8".
Ref<TBitmap> RestoreAlpha(const TBitmap& picture);

enum class TMaskShape : uint8_t { RoundedRectangle = 0, Ellipse = 1 };

struct TMaskPreset {
  int Width = 512;
  int Height = 512;
  TMaskShape Shape = TMaskShape::RoundedRectangle;
  double Softness = 0;   // percent of half the shorter side
  double Roundness = 0;  // percent of half the shorter side
};

// The preset of a "PresetedMask:" name. A width or height that is not a number is 512, a
// shape other than 1 a rounded rectangle, a softness or roundness that is not a number 0
// (both are held to 0–100).
// Nothing with fewer than five fields or a side outside 1–8192.
std::optional<TMaskPreset> ParsePresetMaskName(WideView name);

class TMaskGenerator {
public:
  explicit TMaskGenerator(const TMaskPreset& preset) : FPreset(preset) {}
  // The coverage 0–255 of pixel (x, y).
  int Coverage(int x, int y) const;
  Ref<TBitmap> Generate() const;

private:
  int EllipseCoverage(int x, int y) const;
  int RoundedRectangleCoverage(int x, int y) const;

  TMaskPreset FPreset;
};

// The pictures of "Mask: " and "PresetedMask:" names; nothing for a malformed name or a
// file the host cannot give.
Ref<TSysBitmapStore> MakeRestoredAlphaPicture(const TOrvSlideHost& host, const WideString& name);
Ref<TSysBitmapStore> MakePresetMaskPicture(const WideString& name);

}  // namespace orv
