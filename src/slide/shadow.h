// Drop shadows of slide objects: the parameters each kind of object casts its shadow
// with, and the prepared shadow that is drawn below the object.
#pragma once

#include "image/image.h"
#include "render/device_drawer.h"
#include "slide/object_drawing.h"
#include "slide/orv_objects.h"
#include "slide/picture_window.h"
#include "slide/shadow_params.h"

namespace orv {

class TOrvSlideHost;

// The blur of an object of w × h at a resolution level: "ShadowSize" per 400 units of the
// mean side.
double ShadowBlurSize(float shadow_size, double width, double height, int level);
// The blur of a button of that height, or of text with that line height: 1.1 × the height
// per 400 units.
double HeightShadowBlurSize(float shadow_size, double height, int level);

// A picture object's shadow: its visible window and border at `level`, the margins at the
// border colour's alpha; the blur follows the picture's full size.
TShadowParams ImageShadowParams(const TImage& picture, const TPictureWindow& window, int level,
                                const TIniColor& border_color, const TShadowSettings& settings);

// The shadow of a whole picture (texts, buttons) or of one cell of a `columns` × `rows`
// sprite sheet, at `level`, blurred by `blur_size` pixels of that level.
TShadowParams PictureShadowParams(const TImage& picture, int level, double blur_size, const TShadowSettings& settings,
                                  int columns = 1, int rows = 1);

// A plain rectangle's shadow (boxes): its alpha follows the fill and the two alphas.
TShadowParams RectangleShadowParams(TSizeF size, int fill_code, int alpha1, int alpha2,
                                    const TShadowSettings& settings);

class TShadow {
public:
  // Asks `host` for the shadow picture when `params` differ from the last ones, and has
  // `drawer` build its textures. `reference_size` (local units of the object) scales the
  // shadow distance. A shadow that is off lets its picture go.
  void Prepare(TDeviceDrawer& drawer, const TOrvSlideHost& host, const TShadowSettings& settings,
               const TShadowParams& params, float reference_size);
  // Lets the picture and its textures go; the next Prepare asks for them again.
  void Release();

  const TShadowParams& Params() const noexcept { return FParams; }
  const Ref<TImage>& Picture() const noexcept { return FPicture; }
  float ReferenceSize() const noexcept { return FReferenceSize; }

  // Where the shadow picture goes for an object whose drawn rectangle is `quad`, which is
  // `local_size` local units large; false without a picture or a place for it (a flat or
  // undefined quad).
  bool ShadowQuad(const TQuadFrame& quad, TSizeF local_size, const TShadowSettings& settings,
                  TQuadFrame& shadow) const;
  // Draws the shadow (before the object, so it lies below) at the object's opacity
  // (percent) times "ShadowOpacity".
  void Draw(TDeviceDrawer& drawer, const TQuadFrame& quad, TSizeF local_size, const TShadowSettings& settings,
            float object_opacity) const;

private:
  // The shadow is drawn from its full-size picture, smoothly scaled.
  static TImageDrawParams TextureParams();

  TShadowParams FParams;
  TShadowParams FPictureParams;  // as the picture's name gives them back
  Ref<TImage> FPicture;
  TPreparedPicture FTextures;
  float FReferenceSize = 0;
  bool FPrepared = false;
};

}  // namespace orv
