#include "slide/shadow_generator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "image/halving.h"
#include "render/device_drawer.h"
#include "slide/generated_store.h"
#include "slide/slide_host.h"

namespace orv {
namespace {

// The alpha a box's fill gives at (u, v) of its rectangle: the drawer's gradients are
// linear between the corners.
float FillAlpha(int fill_code, float alpha1, float alpha2, float u, float v) {
  const auto along = [&](float t) { return alpha1 + (alpha2 - alpha1) * t; };
  switch (fill_code) {
    case kFillHGradient:
      return along(u);
    case kFillVGradient:
      return along(v);
    case kFillTLBRGradient:
      return along((u + v) / 2);
    case kFillTRBLGradient:
      return along((1 - u + v) / 2);
    default:
      return alpha1;
  }
}

// The part of `bitmap` inside `rect` (clipped), as a bitmap of its own.
Ref<TBitmap> CroppedCopy(const TBitmap& bitmap, TRect rect) {
  rect = TRect{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, bitmap.Width()),
               std::min(rect.Bottom, bitmap.Height())};
  if (rect.IsEmpty()) return nullptr;
  Ref<TBitmap> copy = TBitmap::Create(rect.Width(), rect.Height(), pf::A8R8G8B8);
  for (int y = 0; y < rect.Height(); ++y)
    std::memcpy(copy->Row(y), bitmap.Row(rect.Top + y) + size_t(rect.Left) * 4, size_t(rect.Width()) * 4);
  return copy;
}

int RoundToInt(double value) { return int(std::lround(value)); }

}  // namespace

TShadowGenerator::TShadowGenerator(TShadowParams params, Ref<TImage> source)
    : FParams(std::move(params)), FSource(std::move(source)), FLayout(ShadowLayoutOf(FParams)) {}

TRect TShadowGenerator::InnerRect() const {
  const int left = RoundToInt(FParams.Margins.X / FLayout.Scale);
  const int top = RoundToInt(FParams.Margins.Y / FLayout.Scale);
  return TRect{left, top, std::max(left, FLayout.CanvasWidth - left), std::max(top, FLayout.CanvasHeight - top)};
}

std::optional<TAlphaPlane> TShadowGenerator::Canvas() const {
  TAlphaPlane canvas(FLayout.CanvasWidth, FLayout.CanvasHeight);
  std::fill(canvas.Values.begin(), canvas.Values.end(), float(FParams.ShapeAlpha));
  if (!FSource) {
    DrawFill(canvas);
    return canvas;
  }
  if (!DrawSource(canvas)) return std::nullopt;
  return canvas;
}

void TShadowGenerator::DrawFill(TAlphaPlane& canvas) const {
  const TRect inner = InnerRect();
  for (int y = inner.Top; y < inner.Bottom; ++y) {
    const float v = (float(y - inner.Top) + 0.5f) / float(inner.Height());
    for (int x = inner.Left; x < inner.Right; ++x) {
      const float u = (float(x - inner.Left) + 0.5f) / float(inner.Width());
      canvas.At(x, y) = std::round(FillAlpha(FParams.FillCode, FParams.Alpha1, FParams.Alpha2, u, v));
    }
  }
}

bool TShadowGenerator::DrawSource(TAlphaPlane& canvas) const {
  const Ref<TBitmap> level = FSource->GetLevel(FParams.Level, &pf::A8R8G8B8);
  if (!level) return false;
  const TRectF& s = FParams.Source;
  Ref<TBitmap> part = CroppedCopy(*level, {RoundToInt(s.Left), RoundToInt(s.Top), RoundToInt(s.Right), RoundToInt(s.Bottom)});
  for (int scale = 1; part && scale < FLayout.Scale; scale *= 2) part = HalveBitmap(*part);
  const TRect inner = InnerRect();
  for (int y = inner.Top; y < inner.Bottom; ++y)
    for (int x = inner.Left; x < inner.Right; ++x) {
      const bool inside = part && x - inner.Left < part->Width() && y - inner.Top < part->Height();
      canvas.At(x, y) = inside ? float(part->Row(y - inner.Top)[size_t(x - inner.Left) * 4 + 3]) : 0.0f;
    }
  return true;
}

Ref<TBitmap> TShadowGenerator::Generate() const {
  const std::optional<TAlphaPlane> canvas = Canvas();
  if (!canvas) return nullptr;
  const TAlphaPlane shadow = TDropShadow(FLayout.Reduction, FindSpreadCurve(FParams.SpreadIndex)).Apply(*canvas);
  Ref<TBitmap> picture = TBitmap::Create(shadow.Width, shadow.Height, pf::A8R8G8B8);
  for (int y = 0; y < shadow.Height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(picture->Row(y));
    for (int x = 0; x < shadow.Width; ++x) row[x] = uint32_t(shadow.At(x, y)) << 24 | 0x00FFFFFFu;
  }
  return picture;
}

Ref<TSysBitmapStore> MakeShadowPicture(const TOrvSlideHost& host, const WideString& name) {
  std::optional<TShadowParams> params = ParseShadowPictureName(name);
  if (!params) return nullptr;
  Ref<TImage> source;
  if (params->SourceName != kNoShadowSource) {
    if (TOrvSlideHost::SyntheticPrefix(params->SourceName) == picture_prefix::kShadow) return nullptr;
    source = host.GetPicture(params->SourceName);
    if (!source) return nullptr;
  }
  auto generator = std::make_shared<const TShadowGenerator>(std::move(*params), std::move(source));
  const TShadowLayout& layout = generator->Layout();
  return MakeRef<TGeneratedStore>(name, layout.PictureWidth(), layout.PictureHeight(),
                                  [generator] { return generator->Generate(); });
}

}  // namespace orv
