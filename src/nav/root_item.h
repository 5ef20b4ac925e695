// The root of every frame: one slide, or two slides and the transition between them, then
// the overlay on top (or, without one, the border around the slide frame).
#pragma once

#include <span>
#include <vector>

#include "base/rect.h"
#include "render/device_drawer.h"
#include "slide/orv_slide.h"
#include "transitions/orv_filter.h"

namespace orv {

// A built slide on the show timeline, as the root item sees it. Times are show times of
// the slide's pass.
struct TRootSlide {
  Ref<TOrvSlide> Slide;  // none when the slide could not be built
  double StartTime = 0;
  double VisibleUntil = 0;
  double PassOffset = 0;  // the pass's start: the slide's objects live in the first pass
  Ref<TOrvFilter> Filter;  // the transition into the slide; none when it cuts in
};

class TRootItem : public TDrawItem {
public:
  // Picks the layers for show time `t` from `slides` (in slide order), sets each slide to
  // its local time and the transition to its elapsed time. `overlay` (may be none) goes
  // on top. False when nothing is to be drawn.
  bool Select(std::span<const TRootSlide> slides, double t, Ref<TDrawItem> overlay);
  // Forgets the layers (the slides are about to be freed).
  void Clear();

  // Where the slides lie on the drawing surface, and the colour around them (0xAARRGGBB).
  void SetFrame(const TRect& frame, TColor32 border_color);

  std::span<const Ref<TDrawItem>> Layers() const noexcept { return FLayers; }
  TOrvFilter* Filter() const noexcept { return FFilter.Get(); }
  // The slides of the current layers, newest first (hit tests ask them in that order).
  std::vector<TOrvSlide*> SlidesNewestFirst() const;

  bool IsChanged() const override;
  void Notify(int message) override;
  void Draw(TDeviceDrawer& drawer) override;
  // The border colour around the frame. Drawn by the root item itself without an overlay;
  // an overlay draws it where its own pictures need it.
  void DrawBorderFill(TDeviceDrawer& drawer) const;

private:
  void SetLayers(std::vector<Ref<TDrawItem>> layers);
  void SetFilter(Ref<TOrvFilter> filter, double elapsed);

  std::vector<Ref<TDrawItem>> FLayers;
  bool FHasOverlay = false;
  Ref<TOrvFilter> FFilter;
  double FElapsed = 0;
  bool FChanged = false;
  TRect FFrame;
  TColor32 FBorderColor = 0xFF000000u;
};

}  // namespace orv
