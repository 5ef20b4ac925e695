#include "transitions/slide_eff_filter.h"

#include <algorithm>

#include "slide/orv_image.h"

namespace orv {

namespace {

constexpr int kDefaultSlideTime = 2000;

// The slide's background, when it is a slide.
const TSlideBackground* BackgroundOf(TDrawItem* item) {
  const auto* slide = dynamic_cast<const TOrvSlide*>(item);
  return slide ? &slide->Background() : nullptr;
}

}  // namespace

bool TSlideEffFilter::Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) {
  T3DSurface* outgoing = a ? canvas.Prepare(*a) : nullptr;
  T3DSurface* incoming = b ? canvas.Prepare(*b) : nullptr;
  if ((a && !outgoing) || (b && !incoming)) return false;
  DrawEffect(canvas, a, b, outgoing, incoming);
  return true;
}

TRealSlideFilter::TRealSlideFilter(Ref<TOrvSlide> slide, const TIniSection* section)
    : FSlide(std::move(slide)),
      FSlideTime(std::max(0, ReadInteger(section ? section->FindKey("CustomEffTime") : nullptr, kDefaultSlideTime))),
      FTransparentBg(ReadBool(section ? section->FindKey("TransparentBg") : nullptr, false)),
      FBackgroundFrom(std::clamp(ReadInteger(section ? section->FindKey("CustomEffBg") : nullptr, 0), 0, 3)) {
  FSlide->SetBackgroundShown(!FTransparentBg);
}

void TRealSlideFilter::TakeBackgrounds(TDrawItem* a, TDrawItem* b) {
  const TSlideBackground* outgoing = BackgroundOf(a);
  const TSlideBackground* incoming = BackgroundOf(b);
  switch (FBackgroundFrom) {
    case 1:
      if (outgoing) FSlide->SetBackground(*outgoing);
      break;
    case 2:
      if (incoming) FSlide->SetBackground(*incoming);
      break;
    case 3:
      if (outgoing) FSlide->SetBackground(*outgoing);
      if (incoming) FSlide->SetSecondBackground(*incoming, Progress());
      break;
    default:
      break;
  }
}

void TRealSlideFilter::DrawEffect(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b, T3DSurface* outgoing,
                                  T3DSurface* incoming) {
  FSlide->UpdateAt(true, SlideTime());
  TakeBackgrounds(a, b);
  FOutgoingPictures.clear();
  FIncomingPictures.clear();
  ForEachObject(*FSlide, [&](TOrvObject& object) {
    const auto* image = dynamic_cast<const TOrvImage*>(&object);
    if (!image || !image->Picture()) return;
    const int buffer = image->ImageSettings().ReplaceWithEffectBuffer;
    if (buffer == 1) FOutgoingPictures.push_back(image->Picture());
    if (buffer == 2) FIncomingPictures.push_back(image->Picture());
  });
  for (const Ref<TImage>& picture : FOutgoingPictures) canvas.ShowSlideAs(*picture, outgoing);
  for (const Ref<TImage>& picture : FIncomingPictures) canvas.ShowSlideAs(*picture, incoming);
  // Where a transparent slide leaves the frame uncovered, the outgoing slide shows.
  if (FTransparentBg && a) canvas.DrawPlain(*a);
  canvas.DrawMoved(*FSlide, {0, 0});
  canvas.ClearSlidePictures();
}

}  // namespace orv
