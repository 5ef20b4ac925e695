// Building slides for the show: the slide of a virtual index with its transition, the lead-in
// slide, dialogs, and the slides of custom transitions; and the slide frame on the screen
// they are built for.
#pragma once

#include <mutex>
#include <string_view>

#include "base/rect.h"
#include "base/ref_object.h"
#include "project/show_options.h"
#include "show/frame_geometry.h"
#include "show/orv_source.h"
#include "show/timing.h"
#include "slide/orv_slide.h"
#include "transitions/orv_filter.h"

namespace orv {

// One built slide of the show.
class TDrawContainer : public TRefObject {
public:
  Ref<TTiming> Timing;
  Ref<TOrvSlide> Slide;  // none when the slide could not be built
  TSlideTimes Times;     // of its virtual index, shifted to its pass
  double PassOffset = 0; // pass × the show's duration for indexes past the last slide
  Ref<TOrvFilter> Filter;  // the transition into the slide; none: it cuts in
  int SlideIndex = 0;    // virtual: −1 is the lead-in, past the last slide a later pass

  // Calls `visit` with every slide drawn for the container: its own and the one its custom
  // transition plays.
  template <class TVisit>
  void ForEachSlide(TVisit&& visit) const {
    if (Slide) visit(*Slide);
    if (Filter && Filter->EffectSlide()) visit(*Filter->EffectSlide());
  }
};

// The slides a time needs: virtual indexes First … Last.
struct TSlideWindow {
  int First = -1;
  int Last = -1;
  bool Holds(int index) const noexcept { return First <= index && index <= Last; }
};

class TSlideProducer : public TRefObject {
public:
  TSlideProducer(Ref<TOrvSource> source, Ref<TOrvSlideHost> host);

  void SetTiming(Ref<TTiming> timing) { FTiming = std::move(timing); }

  // ---- the frame
  void SetGeometry(TIntPair screen_size, bool cover, double scale_x = 100, double scale_y = 100);
  void SetProjectSize(TIntPair project_size);
  TRect GetFrameRect() const;
  TIntPair GetFrameSize() const;
  TIntPair GetScreenSize() const;

  // ---- building
  // The slides needed at `time`: from the oldest still visible on, `capacity` of them (the
  // last slide ends the window unless the show repeats).
  TSlideWindow NeededWindow(double time, int capacity);
  // The container of a virtual index with its slide and transition (assertion without a
  // timing).
  Ref<TDrawContainer> BuildContainer(int index);
  // The slide of a virtual index of the first pass (−1: the lead-in); none when it cannot
  // be built.
  Ref<TOrvSlide> BuildSlide(int index);
  // "help", or a dialog by its name; none when the project has no such dialog.
  Ref<TOrvDialog> BuildDialog(WideView name);
  // A custom transition's slide from its section (copied by the transition catalogue);
  // takes the frame size and cover mode of the section.
  Ref<TOrvSlide> BuildEffectSlide(Ref<TIniSection> section);
  // The project's section of that name, without regard to case.
  TIniSection* FindSection(std::string_view name) const;

  TOrvSource& Source() const noexcept { return *FSource; }
  TOrvSlideHost& Host() const noexcept { return *FHost; }

private:
  struct TGeometry {
    TIntPair Screen{640, 480};
    TIntPair Project;
    bool Cover = false;
    double ScaleX = 100;
    double ScaleY = 100;
    TIntPair Frame{640, 480};
  };

  void RecomputeFrame();
  Ref<TOrvSlide> NewSlide() const;
  void SizeSlide(TOrvSlide& slide) const;
  Ref<TOrvSlide> BuildShowSlide(int index);
  Ref<TOrvSlide> BuildLeadIn();
  // The transition into a virtual index, lasting at most `effect_in` (the time table's
  // share of the slide); none when it cuts in.
  Ref<TOrvFilter> BuildTransition(int index, double effect_in);
  // The slide a custom transition plays; none (logged) when it has none.
  Ref<TOrvSlide> BuildCustomSlide(const TOrvEffect& effect);
  TIniSection* DialogSection(WideView name) const;
  // Loads and sizes a slide; false when it cannot be built (logged).
  bool LoadInto(TOrvSlide& slide, const TSlideLists& lists, const TSlidePlace& place) const;
  int VisibleUntil(int index) const;
  int LastWindowIndex(int capacity) const;

  Ref<TOrvSource> FSource;
  Ref<TOrvSlideHost> FHost;
  Ref<TTiming> FTiming;
  TShowOptions FOptions;
  Ref<TIniSection> FMain;
  Ref<TIniSection> FTimes;
  Ref<TIniSection> FTracks;
  mutable std::mutex FGeometryLock;
  TGeometry FGeometry;
  int FSlideHint = -1;
  // Builds the slides of custom transitions at their own frame sizes; made on first use.
  Ref<TSlideProducer> FEffectProducer;
};

}  // namespace orv
