// A slide's background as the project describes it: the show-wide one ("opt_" keys of the
// main section) or the slide's own.
#pragma once

#include <list>

#include "base/text.h"
#include "image/image.h"
#include "project/ini_file.h"
#include "render/device_drawer.h"
#include "slide/object_drawing.h"
#include "slide/placement.h"

namespace orv {

enum class TBackgroundKind : int {
  Solid = 0,
  Gradient1 = 1,  // horizontal direction
  Gradient2 = 2,  // vertical direction
  Picture = 3,
};

struct TSlideBackground {
  TBackgroundKind Kind = TBackgroundKind::Solid;
  WideString FileName;
  double Size = 100;  // percent
  TIniColor Color1{0, 0, 0, 255};
  TIniColor Color2{0, 0, 0, 255};
  friend bool operator==(const TSlideBackground&, const TSlideBackground&) = default;
};

// The slide's own keys when its "bstyle" is set, else the show-wide ones of `main`.
TSlideBackground ReadSlideBackground(const TIniSection& main, const TIniSection* slide);

// How a picture background is tiled over a slide.
struct TTilePlan {
  TSizeF Tile;          // slide units; empty when nothing can be tiled
  int Level = 0;        // how often the picture is halved for tiles of that size
  int HalfColumns = 0;  // tiles left and right of the centre one
  int HalfRows = 0;     // tiles above and below it
};

// Tiles `size_percent` of the slide's width (or of its height when the picture is wider
// than the slide) with the picture's aspect, on a slide shown at `pixels_per_unit` screen
// pixels per slide unit.
TTilePlan PlanTiles(TSizeF slide, TSizeF picture, double size_percent, TSizeF pixels_per_unit);

// The reduced copies of background pictures that a slide tiles with, named "SlideBg: " +
// level + ":" + picture name. At most two are kept (the slide's own background and the
// second layer); the oldest goes first.
class TBackgroundCopies {
public:
  static constexpr size_t kMaxCopies = 2;

  // The copy of `source` halved `level` times, its textures prepared on `drawer` when one
  // is given; none when the picture has no pixels.
  Ref<TImage> Get(const Ref<TImage>& source, int level, TDeviceDrawer* drawer);
  // Hands back the textures prepared for the copies; the copies stay for drawing.
  void Release();
  size_t Count() const noexcept { return FCopies.size(); }

private:
  struct TCopy {
    WideString Name;
    Ref<TImage> Picture;
    TPreparedPicture Prepared;
  };
  std::list<TCopy> FCopies;  // the newest last
};

// Where a background is drawn: the slide's rectangle in the local units of the slide's
// frame, its scale on the screen, and the alpha (0…255) the whole background is drawn with.
struct TBackgroundTarget {
  TObjectFrame Frame;
  TRectF Slide;
  TSizeF PixelsPerUnit{1, 1};
  int Alpha = 255;
};

// Builds the textures a picture background will be drawn from.
void PrepareSlideBackground(TDeviceDrawer& drawer, const TSlideBackground& background, const TBackgroundTarget& target,
                            const Ref<TImage>& picture, TBackgroundCopies& copies);

// Draws a background over the slide's rectangle grown by 2 units on every side. A picture
// background tiles `picture` (nothing is drawn without it) with copies kept in `copies`.
void DrawSlideBackground(TDeviceDrawer& drawer, const TSlideBackground& background, const TBackgroundTarget& target,
                         const Ref<TImage>& picture, TBackgroundCopies& copies);

}  // namespace orv
