// Custom transitions: an animated slide of their own, played over the frame while it runs,
// which may show the outgoing and the incoming slide as pictures and take their backgrounds.
#pragma once

#include <vector>

#include "project/ini_file.h"
#include "slide/orv_slide.h"
#include "transitions/draw_filter.h"

namespace orv {

// Renders both slides into textures first, then draws the transition's own picture of them.
class TSlideEffFilter : public TDrawFilter {
public:
  bool Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) override;
  // The slides are pictures of the transition's slide: there is no mask.
  void Render(TEffTile&) override {}

protected:
  // Draws the frame with the slides rendered into `outgoing` and `incoming` (either may be
  // null when its slide is missing).
  virtual void DrawEffect(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b, T3DSurface* outgoing,
                          T3DSurface* incoming) = 0;
};

class TRealSlideFilter : public TSlideEffFilter {
public:
  // `slide` is the transition's slide, built from `section` (its "CustomEffTime",
  // "TransparentBg" and "CustomEffBg" are read from there).
  TRealSlideFilter(Ref<TOrvSlide> slide, const TIniSection* section);

  const Ref<TOrvSlide>& Slide() const { return FSlide; }
  // The slide's own time at the current progress (ms).
  double SlideTime() const { return FSlideTime * Progress(); }

protected:
  void DrawEffect(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b, T3DSurface* outgoing,
                  T3DSurface* incoming) override;

private:
  void TakeBackgrounds(TDrawItem* a, TDrawItem* b);

  Ref<TOrvSlide> FSlide;
  double FSlideTime;
  bool FTransparentBg;
  int FBackgroundFrom;  // 0 its own, 1 the outgoing slide's, 2 the incoming one's, 3 both
  // The pictures that stand for the outgoing (1) and the incoming (2) slide.
  std::vector<Ref<TImage>> FOutgoingPictures;
  std::vector<Ref<TImage>> FIncomingPictures;
};

}  // namespace orv
