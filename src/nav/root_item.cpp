#include "nav/root_item.h"

#include <algorithm>
#include <exception>

namespace orv {
namespace {

// The slide on top at `t`: the newest that has started.
int NewestStarted(std::span<const TRootSlide> slides, double t) {
  for (int i = int(slides.size()) - 1; i >= 0; --i)
    if (slides[i].StartTime <= t) return i;
  return -1;
}

void SetLocalTime(const TRootSlide& slide, double t) {
  if (slide.Slide) slide.Slide->UpdateAt(true, t - slide.PassOffset);
}

Ref<TDrawItem> AsItem(const Ref<TOrvSlide>& slide) { return Ref<TDrawItem>(slide); }

}  // namespace

bool TRootItem::Select(std::span<const TRootSlide> slides, double t, Ref<TDrawItem> overlay) {
  const int newest = NewestStarted(slides, t);
  if (newest < 0 || !slides[newest].Slide) {
    Clear();
    return false;
  }
  const TRootSlide& top = slides[newest];
  std::vector<Ref<TDrawItem>> layers;
  Ref<TOrvFilter> filter;
  if (top.Filter && newest > 0 && slides[newest - 1].StartTime <= t && t <= slides[newest - 1].VisibleUntil) {
    const TRootSlide& below = slides[newest - 1];
    SetLocalTime(below, t);
    layers.push_back(AsItem(below.Slide));
    filter = top.Filter;
  }
  SetLocalTime(top, std::min(t, top.VisibleUntil));
  layers.push_back(AsItem(top.Slide));
  FHasOverlay = bool(overlay);
  if (overlay) layers.push_back(std::move(overlay));
  SetLayers(std::move(layers));
  SetFilter(std::move(filter), t - top.StartTime);
  return true;
}

void TRootItem::Clear() {
  SetLayers({});
  SetFilter(nullptr, 0);
  FHasOverlay = false;
}

void TRootItem::SetFrame(const TRect& frame, TColor32 border_color) {
  if (frame == FFrame && border_color == FBorderColor) return;
  FFrame = frame;
  FBorderColor = border_color;
  FChanged = true;
}

std::vector<TOrvSlide*> TRootItem::SlidesNewestFirst() const {
  std::vector<TOrvSlide*> slides;
  const size_t count = FLayers.size() - (FHasOverlay ? 1 : 0);
  for (size_t i = count; i-- > 0;) slides.push_back(static_cast<TOrvSlide*>(FLayers[i].Get()));
  return slides;
}

void TRootItem::SetLayers(std::vector<Ref<TDrawItem>> layers) {
  const bool same = std::equal(layers.begin(), layers.end(), FLayers.begin(), FLayers.end(),
                               [](const Ref<TDrawItem>& a, const Ref<TDrawItem>& b) { return a.Get() == b.Get(); });
  if (!same) FChanged = true;
  FLayers = std::move(layers);
}

void TRootItem::SetFilter(Ref<TOrvFilter> filter, double elapsed) {
  if (filter.Get() != FFilter.Get()) FChanged = true;
  FFilter = std::move(filter);
  if (!FFilter) return;
  if (elapsed != FElapsed) FChanged = true;
  FElapsed = elapsed;
  FFilter->SetElapsed(elapsed);
}

bool TRootItem::IsChanged() const {
  return FChanged || std::any_of(FLayers.begin(), FLayers.end(), [](const Ref<TDrawItem>& layer) { return layer->IsChanged(); });
}

void TRootItem::Notify(int message) {
  for (const Ref<TDrawItem>& layer : FLayers) layer->Notify(message);
  if (FFilter) FFilter->Notify(message);
  if (message == kFrameDone) FChanged = false;
}

// Sharpening of the slides is the draw manager's pass over the whole frame (its unsharp
// amount), the overlay included: the draw manager has no pass that ends before the overlay.
void TRootItem::Draw(TDeviceDrawer& drawer) {
  try {
    const size_t slide_count = FLayers.size() - (FHasOverlay ? 1 : 0);
    size_t next = 0;
    if (FFilter && slide_count >= 2) {
      drawer.DrawTransition(FLayers[0].Get(), FLayers[1].Get(), FFilter.Get());
      next = 2;
    }
    for (; next < slide_count; ++next) FLayers[next]->Draw(drawer);
    if (FHasOverlay) {
      FLayers.back()->Draw(drawer);
    } else {
      DrawBorderFill(drawer);
    }
  } catch (const std::exception&) {
    // The frame stays incomplete; the next one tries again.
  }
}

// Four bands outside the frame grown by a pixel: the slides' antialiased edges blend into
// the border rather than into whatever the surface held.
void TRootItem::DrawBorderFill(TDeviceDrawer& drawer) const {
  if (FFrame.IsEmpty()) return;
  const TRect screen = drawer.GetScreenRect();
  const TRect inner{FFrame.Left - 1, FFrame.Top - 1, FFrame.Right + 1, FFrame.Bottom + 1};
  const TRect bands[] = {
      {screen.Left, screen.Top, screen.Right, inner.Top},
      {screen.Left, inner.Bottom, screen.Right, screen.Bottom},
      {screen.Left, inner.Top, inner.Left, inner.Bottom},
      {inner.Right, inner.Top, screen.Right, inner.Bottom},
  };
  TBoxDrawParams params;
  params.Color1 = params.Color2 = FBorderColor | 0xFF000000u;
  for (const TRect& band : bands) {
    if (band.IsEmpty()) continue;
    drawer.DrawBox(FrameOf(TRectF{float(band.Left), float(band.Top), float(band.Right), float(band.Bottom)}), params);
  }
}

}  // namespace orv
