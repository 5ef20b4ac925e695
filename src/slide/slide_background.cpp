#include "slide/slide_background.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "image/bitmap_store.h"

namespace orv {
namespace {

// How far a background reaches beyond the slide on every side, in slide units.
constexpr float kBackgroundMargin = 2;
// Tiles on each side of the centre one at most: smaller tiles are made larger.
constexpr int kMaxHalfTiles = 64;
constexpr std::u16string_view kCopyPrefix = u"SlideBg: ";

// The keys of one background style, named with `prefix` ("" or "opt_").
class TBackgroundKeys {
public:
  TBackgroundKeys(const TIniSection& list, std::string_view prefix) : FList(list), FPrefix(prefix) {}

  const TIniItem* Key(std::string_view name) const { return FList.FindKey(FPrefix + std::string(name)); }

  void Apply(int style, TSlideBackground& background) const {
    switch (style) {
      case 1:
        background.Color1 = ReadColor(Key("bcolor"), background.Color1);
        break;
      case 2:
        ApplyPicture(background);
        break;
      case 3:
        ApplyGradient(background);
        break;
      default:
        break;
    }
  }

private:
  void ApplyPicture(TSlideBackground& background) const {
    WideString name;
    if (!TryUtf8ToUtf16(ReadUtf8(Key("bfn")), name) || name.empty()) return;
    background.Kind = TBackgroundKind::Picture;
    background.FileName = std::move(name);
    background.Size = ReadFloat(Key("bsize"), 100);
  }

  void ApplyGradient(TSlideBackground& background) const {
    switch (ReadInteger(Key("bcolorstyle"), 0)) {
      case 1:
        background.Kind = TBackgroundKind::Gradient2;
        break;
      case 2:
        background.Kind = TBackgroundKind::Gradient1;
        break;
      default:
        return;
    }
    background.Color1 = ReadColor(Key("bcolor1"), background.Color1);
    background.Color2 = ReadColor(Key("bcolor2"), background.Color2);
  }

  const TIniSection& FList;
  std::string FPrefix;
};

}  // namespace

TSlideBackground ReadSlideBackground(const TIniSection& main, const TIniSection* slide) {
  TSlideBackground background;
  const int own_style = slide ? ReadInteger(slide->FindKey("bstyle"), 0) : 0;
  if (own_style != 0) {
    TBackgroundKeys(*slide, "").Apply(own_style, background);
  } else {
    TBackgroundKeys(main, "opt_").Apply(ReadInteger(main.FindKey("opt_bstyle"), 0), background);
  }
  return background;
}

namespace {

bool Positive(TSizeF size) {
  return size.Width > 0 && size.Height > 0 && std::isfinite(size.Width) && std::isfinite(size.Height);
}

TRectF Grown(const TRectF& r, float margin) {
  return {r.Left - margin, r.Top - margin, r.Right + margin, r.Bottom + margin};
}

TSizeF PictureSize(const TImage& picture) { return {float(picture.Width()), float(picture.Height())}; }

TTilePlan PlanFor(const TSlideBackground& background, const TBackgroundTarget& target, const TImage& picture) {
  return PlanTiles({target.Slide.Width(), target.Slide.Height()}, PictureSize(picture), background.Size,
                   target.PixelsPerUnit);
}

Ref<TImage> ReducedCopy(const Ref<TImage>& source, int level, const WideString& name) {
  if (level == 0) return source;
  Ref<TBitmap> pixels = source->GetLevel(level, &pf::A8R8G8B8);
  if (!pixels) return nullptr;
  return MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(name, std::move(pixels)));
}

void DrawFill(TDeviceDrawer& drawer, const TSlideBackground& background, const TQuadFrame& quad, int alpha) {
  TBoxDrawParams params;
  switch (background.Kind) {
    case TBackgroundKind::Gradient1:
      params.FillCode = kFillHGradient;
      break;
    case TBackgroundKind::Gradient2:
      params.FillCode = kFillVGradient;
      break;
    default:
      params.FillCode = kFillSolid;
      break;
  }
  params.Color1 = ColorOf(background.Color1, alpha);
  params.Color2 = params.FillCode == kFillSolid ? params.Color1 : ColorOf(background.Color2, alpha);
  drawer.DrawBox(quad, params);
}

// The grid is centred on the slide's centre; tiles are cut at the edge of `area`.
void DrawTiles(TDeviceDrawer& drawer, TImage& copy, const TTilePlan& plan, const TBackgroundTarget& target,
               const TRectF& area) {
  TImageDrawParams params;
  params.Opacity = float(target.Alpha) / 255 * 100;
  const float tile_width = plan.Tile.Width;
  const float tile_height = plan.Tile.Height;
  const float centre_x = (target.Slide.Left + target.Slide.Right) / 2;
  const float centre_y = (target.Slide.Top + target.Slide.Bottom) / 2;
  const float texels_x = float(copy.Width()) / tile_width;
  const float texels_y = float(copy.Height()) / tile_height;
  for (int row = -plan.HalfRows; row <= plan.HalfRows; ++row)
    for (int column = -plan.HalfColumns; column <= plan.HalfColumns; ++column) {
      const float left = centre_x + (float(column) - 0.5f) * tile_width;
      const float top = centre_y + (float(row) - 0.5f) * tile_height;
      const TRectF shown = Intersection({left, top, left + tile_width, top + tile_height}, area);
      if (shown.IsEmpty()) continue;
      const TRectF window{(shown.Left - left) * texels_x, (shown.Top - top) * texels_y, (shown.Right - left) * texels_x,
                          (shown.Bottom - top) * texels_y};
      drawer.DrawImage(copy, QuadOf(target.Frame, shown), window, params);
    }
}

}  // namespace

TTilePlan PlanTiles(TSizeF slide, TSizeF picture, double size_percent, TSizeF pixels_per_unit) {
  TTilePlan plan;
  if (!Positive(slide) || !Positive(picture) || !(size_percent > 0 && std::isfinite(size_percent))) return plan;
  double width;
  double height;
  if (slide.Width / slide.Height >= picture.Width / picture.Height) {
    width = slide.Width * size_percent / 100;
    height = width * picture.Height / picture.Width;
  } else {
    height = slide.Height * size_percent / 100;
    width = height * picture.Width / picture.Height;
  }
  const double crowding = std::max(slide.Width / width, slide.Height / height) / (2 * kMaxHalfTiles);
  if (crowding > 1) {
    width *= crowding;
    height *= crowding;
  }
  if (!(width > 0 && height > 0 && std::isfinite(width * height))) return plan;
  plan.Tile = {float(width), float(height)};
  plan.HalfColumns = std::min(kMaxHalfTiles, int(std::ceil(slide.Width / width / 2)));
  plan.HalfRows = std::min(kMaxHalfTiles, int(std::ceil(slide.Height / height / 2)));
  const double on_screen_width = width * pixels_per_unit.Width;
  const double on_screen_height = height * pixels_per_unit.Height;
  int picture_width = int(picture.Width);
  int picture_height = int(picture.Height);
  while ((picture_width > 1 || picture_height > 1) && on_screen_width * 2 <= picture_width &&
         on_screen_height * 2 <= picture_height) {
    picture_width = (picture_width + 1) / 2;
    picture_height = (picture_height + 1) / 2;
    ++plan.Level;
  }
  return plan;
}

Ref<TImage> TBackgroundCopies::Get(const Ref<TImage>& source, int level, TDeviceDrawer* drawer) {
  const WideString name = WideString(kCopyPrefix) + AsciiToWide(std::to_string(level)) + u":" + source->Name();
  auto copy = std::find_if(FCopies.begin(), FCopies.end(), [&name](const TCopy& c) { return c.Name == name; });
  if (copy == FCopies.end()) {
    Ref<TImage> picture = ReducedCopy(source, level, name);
    if (!picture) return nullptr;
    if (FCopies.size() == kMaxCopies) {
      FCopies.front().Prepared.Release();
      FCopies.pop_front();
    }
    copy = FCopies.emplace(FCopies.end());
    copy->Name = name;
    copy->Picture = std::move(picture);
  }
  if (drawer) copy->Prepared.Prepare(*drawer, copy->Picture, {});
  return copy->Picture;
}

void TBackgroundCopies::Release() {
  for (TCopy& copy : FCopies) copy.Prepared.Release();
}

void PrepareSlideBackground(TDeviceDrawer& drawer, const TSlideBackground& background, const TBackgroundTarget& target,
                            const Ref<TImage>& picture, TBackgroundCopies& copies) {
  if (background.Kind != TBackgroundKind::Picture || !picture) return;
  const TTilePlan plan = PlanFor(background, target, *picture);
  if (Positive(plan.Tile)) copies.Get(picture, plan.Level, &drawer);
}

void DrawSlideBackground(TDeviceDrawer& drawer, const TSlideBackground& background, const TBackgroundTarget& target,
                         const Ref<TImage>& picture, TBackgroundCopies& copies) {
  if (target.Alpha <= 0) return;
  const TRectF area = Grown(target.Slide, kBackgroundMargin);
  if (background.Kind != TBackgroundKind::Picture) {
    DrawFill(drawer, background, QuadOf(target.Frame, area), target.Alpha);
    return;
  }
  if (!picture) return;
  const TTilePlan plan = PlanFor(background, target, *picture);
  if (!Positive(plan.Tile)) return;
  if (const Ref<TImage> copy = copies.Get(picture, plan.Level, nullptr)) DrawTiles(drawer, *copy, plan, target, area);
}

}  // namespace orv
