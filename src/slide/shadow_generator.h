// Shadow pictures: the shape of an object (a picture's alpha with its border, or a plain
// rectangle with the box's alpha gradient) drawn on a canvas, blurred, and handed out as a
// white picture whose alpha is the shadow.
#pragma once

#include "base/rect.h"
#include "image/bitmap_store.h"
#include "image/image.h"
#include "slide/drop_shadow.h"
#include "slide/shadow_params.h"

namespace orv {

class TOrvSlideHost;

class TShadowGenerator {
public:
  // `source` is the picture the shadow is cast by; null for a plain rectangle.
  TShadowGenerator(TShadowParams params, Ref<TImage> source);

  const TShadowLayout& Layout() const noexcept { return FLayout; }
  // The unblurred shape: the margins at the shape alpha, inside them the source's alpha
  // reduced to the canvas, or the rectangle's fill. Nothing when the source has no pixels.
  std::optional<TAlphaPlane> Canvas() const;
  // The shadow picture, Layout().PictureWidth() × PictureHeight(); nothing when the source
  // has no pixels.
  Ref<TBitmap> Generate() const;

private:
  // Where the source goes on the canvas: inside the margins.
  TRect InnerRect() const;
  bool DrawSource(TAlphaPlane& canvas) const;
  void DrawFill(TAlphaPlane& canvas) const;

  TShadowParams FParams;
  Ref<TImage> FSource;
  TShadowLayout FLayout;
};

// The picture of a "Shadow: " name: its source is asked of `host` (any picture but another
// shadow). Nothing for a malformed name or a source the host cannot give.
Ref<TSysBitmapStore> MakeShadowPicture(const TOrvSlideHost& host, const WideString& name);

}  // namespace orv
