#include "nav/logo.h"

#include "image/picture_cache.h"
#include "nav/bilinear_stretch.h"
#include "nav/nav_placement.h"

namespace orv {

TIntPair LogoKeptSize(TIntPair picture, int frame_height, double logo_size) {
  const double target_height = logo_size / 100 * frame_height;
  const double target_width = picture.Second > 0 ? double(picture.First) / picture.Second * target_height : 0;
  TIntPair kept{std::max(picture.First, 1), std::max(picture.Second, 1)};
  // A one-pixel side halves to itself: stop there whatever the target.
  while (2 * target_width <= kept.First && 2 * target_height <= kept.Second && (kept.First > 1 || kept.Second > 1)) {
    kept.First = (kept.First + 1) / 2;
    kept.Second = (kept.Second + 1) / 2;
  }
  return kept;
}

TRect LogoRect(TIntPair picture, const TRect& frame, const TShowOptions& options, double pixel_factor) {
  const int height = RoundEven(frame.Height() * options.LogoSize / 100);
  const int width = picture.Second > 0 ? RoundEven(double(picture.First) * height / picture.Second * pixel_factor) : 0;
  return PlaceBox(width, height, frame,
                  PlacementOf(LogoAnchorIndex(options.LogoPosition), options.LogoOffset));
}

Ref<TImage> LoadLogo(TFileAccessor& accessor, const TShowOptions& options, int frame_height) {
  Ref<TImage> picture = GetImage(accessor, options.LogoFileName);
  if (!picture) return nullptr;
  const TIntPair size{picture->Width(), picture->Height()};
  const TIntPair kept = LogoKeptSize(size, frame_height, options.LogoSize);
  if (kept == size) return picture;
  const Ref<TBitmap> pixels = picture->GetLevel(0);
  if (!pixels) return picture;
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(picture->Name(), StretchBilinear(*pixels, kept.First, kept.Second)));
}

}  // namespace orv
