#include "slide/shadow.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "slide/slide_host.h"

namespace orv {
namespace {

double LevelFactor(int level) { return std::ldexp(1.0, -level); }

// A shadow follows the picture's own alpha only when it has one to follow; sprite sheets
// cast the shadow of their cell's rectangle.
WideString ShadowSourceName(const TImage& picture, bool sprite) {
  const bool own_alpha = &picture.Format() == &pf::A8R8G8B8 || &picture.Format() == &pf::A8B8G8R8;
  return own_alpha && !sprite && !picture.Name().empty() ? picture.Name() : WideString(kNoShadowSource);
}

void TakeSettings(TShadowParams& params, const TShadowSettings& settings) {
  params.SpreadIndex = settings.SpreadIndex;
  params.ThreeD = settings.ThreeD;
}

bool Finite(const TPoint3F& v) { return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z); }

}  // namespace

double ShadowBlurSize(float shadow_size, double width, double height, int level) {
  const double factor = LevelFactor(level);
  return shadow_size * std::sqrt(factor * factor * width * height) / 400;
}

double HeightShadowBlurSize(float shadow_size, double height, int level) {
  return shadow_size * 1.1 * height * LevelFactor(level) / 400;
}

TShadowParams ImageShadowParams(const TImage& picture, const TPictureWindow& window, int level,
                                const TIniColor& border_color, const TShadowSettings& settings) {
  const auto factor = float(LevelFactor(level));
  TShadowParams params;
  params.SourceName = ShadowSourceName(picture, false);
  params.Source = {window.Source.Left * factor, window.Source.Top * factor, window.Source.Right * factor,
                   window.Source.Bottom * factor};
  params.Margins = {window.BorderWidth * factor, window.BorderWidth * factor};
  params.ShapeAlpha = border_color.Alpha;
  params.BlurSize = float(ShadowBlurSize(settings.Size, picture.Width(), picture.Height(), level));
  params.Level = level;
  TakeSettings(params, settings);
  return params;
}

TShadowParams PictureShadowParams(const TImage& picture, int level, double blur_size, const TShadowSettings& settings,
                                  int columns, int rows) {
  const bool sprite = columns > 1 || rows > 1;
  const double factor = LevelFactor(level);
  TShadowParams params;
  params.SourceName = ShadowSourceName(picture, sprite);
  params.Source = {0, 0, float(picture.Width() * factor / std::max(columns, 1)),
                   float(picture.Height() * factor / std::max(rows, 1))};
  params.BlurSize = float(blur_size);
  params.Level = level;
  params.Sprite = sprite;
  TakeSettings(params, settings);
  return params;
}

TShadowParams RectangleShadowParams(TSizeF size, int fill_code, int alpha1, int alpha2,
                                    const TShadowSettings& settings) {
  TShadowParams params;
  params.Source = {0, 0, size.Width, size.Height};
  params.FillCode = uint8_t(fill_code);
  params.Alpha1 = uint8_t(std::clamp(alpha1, 0, 255));
  params.Alpha2 = uint8_t(std::clamp(alpha2, 0, 255));
  params.BlurSize = float(ShadowBlurSize(settings.Size, size.Width, size.Height, 0));
  TakeSettings(params, settings);
  return params;
}

void TShadow::Prepare(TDeviceDrawer& drawer, const TOrvSlideHost& host, const TShadowSettings& settings,
                      const TShadowParams& params, float reference_size) {
  if (!settings.Enable) {
    Release();
    return;
  }
  FReferenceSize = reference_size;
  if (!FPrepared || params != FParams) {
    FParams = params;
    const WideString name = ShadowPictureName(params);
    FPicture = host.GetPicture(name);
    // The picture was made from the name, whose rectangle has two decimals: it is placed by
    // what was made.
    FPictureParams = ParseShadowPictureName(name).value_or(params);
    FPrepared = true;
  }
  FTextures.Prepare(drawer, FPicture, TextureParams());
}

void TShadow::Release() {
  FTextures.Release();
  FPicture = nullptr;
  FPrepared = false;
}

TImageDrawParams TShadow::TextureParams() {
  TImageDrawParams params;
  params.Filtering = TImageFiltering::Bilinear;
  return params;
}

bool TShadow::ShadowQuad(const TQuadFrame& quad, TSizeF local_size, const TShadowSettings& settings,
                         TQuadFrame& shadow) const {
  const float x_length = quad.XAxis.Length();
  const float y_length = quad.YAxis.Length();
  if (!FPicture || !(x_length > 0 && y_length > 0 && local_size.Width > 0 && local_size.Height > 0) ||
      !Finite(quad.Origin))
    return false;
  const double unit = std::sqrt(double(x_length) / local_size.Width * y_length / local_size.Height);
  const double length = unit * settings.Distance * FReferenceSize / 100;
  const double angle = settings.Angle * std::numbers::pi / 180;
  const auto along_x = float(std::cos(angle) * length);
  const auto along_y = float(std::sin(angle) * length);
  // A 3D shadow lies in the object's plane and turns with it; the other falls on the screen.
  const TPoint3F offset = settings.ThreeD ? quad.XAxis * (along_x / x_length) + quad.YAxis * (along_y / y_length)
                                          : TPoint3F{along_x, along_y, 0};
  // The canvas starts at the drawn rectangle's corner, one canvas pixel being `Scale`
  // source units; the picture adds the blur margin around the canvas.
  const TShadowLayout layout = ShadowLayoutOf(FPictureParams);
  const double drawn_width = FPictureParams.Source.Width() + 2.0 * FPictureParams.Margins.X;
  const double drawn_height = FPictureParams.Source.Height() + 2.0 * FPictureParams.Margins.Y;
  const auto u = [&](double pixels) { return float(pixels * layout.Scale / drawn_width); };
  const auto v = [&](double pixels) { return float(pixels * layout.Scale / drawn_height); };
  shadow.Origin = quad.At(u(-layout.BlurMargin), v(-layout.BlurMargin)) + offset;
  shadow.XAxis = quad.XAxis * u(layout.PictureWidth());
  shadow.YAxis = quad.YAxis * v(layout.PictureHeight());
  return Finite(shadow.Origin) && Finite(shadow.XAxis) && Finite(shadow.YAxis);
}

void TShadow::Draw(TDeviceDrawer& drawer, const TQuadFrame& quad, TSizeF local_size, const TShadowSettings& settings,
                   float object_opacity) const {
  const float opacity = object_opacity * settings.Opacity / 100;
  TQuadFrame shadow;
  if (!settings.Enable || !(opacity > 0) || !ShadowQuad(quad, local_size, settings, shadow)) return;
  TImageDrawParams params = TextureParams();
  params.Opacity = opacity;
  params.TintColor = MakeColor(settings.Color.Red, settings.Color.Green, settings.Color.Blue);
  const TRectF whole{0, 0, float(FPicture->Width()), float(FPicture->Height())};
  drawer.DrawImage(*FPicture, shadow, whole, params);
}

}  // namespace orv
