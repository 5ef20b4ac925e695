// What the slide objects share when they hand themselves to the drawer: the quad of a
// rectangle in an object's plane, sprite-sheet frames and cells, the device tables of a
// colour grading, and the textures an object has prepared.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "project/ini_values.h"
#include "render/device_drawer.h"
#include "slide/grading.h"
#include "slide/placement.h"

namespace orv {

struct TAnimationSettings;

// The quad over the rectangle `local` (in the frame's local units) of the frame's plane.
TQuadFrame QuadOf(const TObjectFrame& frame, const TRectF& local);

// The part of `quad` between the fractions `part` of its sides (0..1 on each axis).
TQuadFrame SubQuad(const TQuadFrame& quad, const TRectF& part);

TColor32 ColorOf(const TIniColor& color);
TColor32 ColorOf(const TIniColor& color, int alpha);

// ---- sprite sheets

// The frame of a sprite animation shown `elapsed` ms after its start: the frames follow
// each other for their intervals, the sequence restarts after the last one, and after
// `RepCount` complete passes (when not 0) the last frame stays.
int SpriteFrameIndex(const TAnimationSettings& animation, double elapsed);

// The cell of frame `index` of a `width` × `height` sheet in the padded view the drawer
// uploads sprite sheets as: every cell has a one-texel margin around it.
TRectF SpriteCell(int index, int columns, int rows, float width, float height);

// ---- colour grading

// The colour cube of the picture's colour profile, the starting point of its grading; none
// when the picture has no profile.
std::optional<TColorTable> ProfileCube(const TImage& picture);

// The device tables of an object's colour grading, made again only when the contents of a
// table change. A table is rebuilt into a new buffer while the old one still exists, so an
// unchanged buffer means unchanged contents, short of two rebuilds between two frames (which
// only editing a show can cause).
class TGradingTextures {
public:
  // The grading to hand to the drawer; unset when `params` is null.
  TColorGrading Get(const TGradingParams* params);

private:
  struct TSide {
    const uint8_t* Buffer = nullptr;
    std::vector<uint8_t> Source;
    bool ThreeD = false;
    Ref<TGradingTable> Table;
  };
  static const Ref<TGradingTable>& TableFor(TSide& side, const TColorTable& table);

  TSide FLeft;
  TSide FRight;
};

// ---- prepared textures

// A picture whose device textures were built ahead of drawing, remembered so that they are
// handed back exactly once, to the drawer that built them.
class TPreparedPicture {
public:
  TPreparedPicture() = default;
  TPreparedPicture(const TPreparedPicture&) = delete;
  TPreparedPicture& operator=(const TPreparedPicture&) = delete;

  // Builds the textures of `picture` at the level and grid of `params` on `drawer`, unless
  // they were built already; another picture or drawer prepared before is handed back first.
  void Prepare(TDeviceDrawer& drawer, const Ref<TImage>& picture, const TImageDrawParams& params);
  void Release();
  bool IsPrepared() const noexcept { return bool(FPicture); }

private:
  struct TVariant {
    int Level;
    int Columns;
    int Rows;
    friend bool operator==(const TVariant&, const TVariant&) = default;
  };

  Ref<TDeviceDrawer> FDrawer;
  Ref<TImage> FPicture;
  // The drawer counts one user per variant built and hands every variant back at once.
  std::vector<TVariant> FVariants;
};

}  // namespace orv
