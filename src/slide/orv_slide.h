// The root of a slide's object tree: the slide's place on the show timeline, its frame on
// the screen, its background, and the mouse handling of its objects.
#pragma once

#include <string>

#include "slide/orv_objects.h"
#include "slide/slide_background.h"
#include "slide/slide_host.h"

namespace orv {

// The project lists a slide is loaded from.
struct TSlideLists {
  Ref<TIniSection> Main;
  Ref<TIniSection> Slide;
  Ref<TIniSection> Times;  // may be missing (dialogs, custom transitions)
  Ref<TIniSection> Tracks; // the clip records of video objects; may be missing
};

// Private copies of the lists, for a slide built on another thread than the one that may
// change the project.
TSlideLists CopySlideLists(const TSlideLists& lists);

// Where a slide lies on the show timeline, in ms.
struct TSlidePlace {
  double Offset = 0;     // the slide's start
  double NextStart = 0;  // the next slide's start
  double EffectIn = 0;   // the transition into the slide
  double EffectNext = 0; // the transition out of it
  int Index = -1;        // the slide's place in the show, from 0; −1 when it has none
  int Count = 0;         // the show's slides
};

// The start of slide `index` (0-based) and of the next one, from the "opt_synchpos" keys of
// the "Times" section; the transition durations are left 0.
TSlidePlace SlidePlaceInTimes(const TIniSection* times, int index);

// Mouse events as the engine reports them.
enum class TMouseEventKind : int { Move = 0, Down = 1, Up = 2 };
constexpr int kLeftButtonMask = 16;  // in the button state
constexpr int kLeftButton = 1;       // the button of a down or up event

class TOrvSlide : public TOrvObject {
public:
  explicit TOrvSlide(Ref<TOrvSlideHost> host);

  // A number no other slide of the process was given, so that what one slide's objects
  // share (video decoders) is not shared with a later slide showing the same clip.
  uint64_t Identity() const noexcept { return FIdentity; }

  // Builds the tree of the slide section's "Container" block of class "Root" and the
  // background. False (nothing built) when the section has no such block. An object block
  // without "GUID" raises the assertion of the props loader.
  bool LoadSlide(const TSlideLists& lists, const TSlidePlace& place, bool copy_lists);
  // A slide without objects showing `background` over `times` from `offset` on.
  void LoadEmpty(const TSlideBackground& background, double offset, const TKeyTimes& times);

  // ---- geometry: the slide's design size fills its frame, centred on `centre`
  void SetGeometry(TPointF centre, TSizeF design_size, TSizeF frame_size);
  TPointF Centre() const noexcept { return FCentre; }
  // Percent, per axis.
  TSizeF Scale() const noexcept { return FScale; }
  // The slide's size on the screen.
  TSizeF ScreenSize() const;
  // How far depth shows: the camera's distance scaled to the slide's height.
  double DepthFactor() const noexcept { return FDepthFactor; }

  // ---- time
  double SlideOffset() const noexcept { return FSlideOffset; }
  double EffectIn() const noexcept { return FPlace.EffectIn; }
  double EffectNext() const noexcept { return FPlace.EffectNext; }
  const TSlidePlace& Place() const noexcept { return FPlace; }
  double GetAnchorTime(TKeyOrigin kind) const override;

  TOrvSlideHost& GetHost() const override { return *FHost; }
  const Ref<TOrvSlideHost>& Host() const noexcept { return FHost; }
  float GetOpacity() const override { return GetOpacityBase(); }
  virtual float GetOpacityBase() const { return 100; }
  TSizeF GetParentSize() const override { return FSize; }
  const TObjectFrame& GetParentFrame() const override { return FBaseFrame; }
  const TMatrix3& GetParentMatrix() const override;

  // ---- what the slide draws besides its objects
  const TSlideBackground& Background() const noexcept { return FBackground; }
  const TSlideLists& Lists() const noexcept { return FLists; }
  // The slides whose objects are drawn over the first and the second background layer
  // (custom transitions).
  void SetNeighbours(Ref<TOrvSlide> previous, Ref<TOrvSlide> next);
  const Ref<TOrvSlide>& PreviousNeighbour() const noexcept { return FPrevious; }
  const Ref<TOrvSlide>& NextNeighbour() const noexcept { return FNext; }
  // Replaces the slide's own background (a custom transition taking a shown slide's).
  void SetBackground(const TSlideBackground& background);
  // Whether the backgrounds are drawn at all (a transparent custom transition's are not).
  void SetBackgroundShown(bool shown) { FBackgroundShown = shown; }
  // A background layer drawn over the slide's own at alpha 255 − (1 − blend) × 255.
  void SetSecondBackground(const TSlideBackground& background, double blend);
  const TSlideBackground* SecondBackground() const { return FHasSecond ? &FSecond : nullptr; }
  double SecondBlend() const noexcept { return FSecondBlend; }
  // The reduced background pictures the slide tiles with.
  const TBackgroundCopies& BackgroundCopies() const noexcept { return FBackgroundCopies; }

  // ---- drawing: the backgrounds first, then the objects
  void PrepareResources(TDeviceDrawer& drawer) override;
  void ReleaseResources() override;
  void DrawContent(TDeviceDrawer& drawer, bool shown) override;

  // A slide of a custom transition: its "ReplaceWithEffectBuffer" pictures are the
  // transition's buffers rather than the engine's effect resources.
  bool IsEffectSlide() const noexcept { return FEffectSlide; }
  void SetEffectSlide(bool effect_slide) { FEffectSlide = effect_slide; }

  // ---- mouse
  // Resets every hover and click look, hit-tests the objects that take clicks and applies
  // the event to the object hit; its action goes to `action` when a click completes on it.
  // Buttons held other than the left one hit nothing.
  TOrvObject* MouseEvent(int buttons, TPointF point, bool hit_enabled, TMouseEventKind kind, int button,
                         WideString& action);

  // ---- resolution estimate
  // The largest on-screen size of every object over all key times, and from it the size
  // each picture is needed at; then the tree at `show_time`.
  void PrepareSizes(double show_time);
  // Decodes every picture at the level it will be drawn from (after PrepareSizes), so that
  // the thread that draws only uploads it: a photo decoded there would stall the show.
  // True when a picture the budget could not hold gave way to a placeholder, whose size
  // asks for PrepareSizes again.
  bool DecodePictures();

  // The first object (depth first) that marks itself as the main picture, with its loaded size.
  bool FindMainPicture(TMainPicture& picture) const;

protected:
  TSizeF GetSourceSize() const override { return FDesignSize; }
  double OwnScaleX() const override { return FScale.Width * Field(kFieldScaleX) / 100; }
  double OwnScaleY() const override { return FScale.Height * Field(kFieldScaleY) / 100; }
  void PreparePlacement() override;

private:
  // The picture of a picture background, asked of the host once per file name.
  struct TLayerPicture {
    WideString Name;
    Ref<TImage> Picture;
  };

  Ref<TImage> LayerPicture(const TSlideBackground& background, TLayerPicture& layer) const;
  TBackgroundTarget BackgroundTarget(int alpha) const;
  void DrawBackgrounds(TDeviceDrawer& drawer);
  void ApplyMouse(TOrvObject& hit, int buttons, TMouseEventKind kind, int button, WideString& action);
  std::vector<double> DistinctKeyTimes();

  Ref<TOrvSlideHost> FHost;
  const uint64_t FIdentity;
  TSlideLists FLists;
  TSlidePlace FPlace;
  TKeyTimes FKeyTimes;
  double FSlideOffset = 0;
  TPointF FCentre;
  TSizeF FDesignSize{1, 1};
  TSizeF FScale{100, 100};
  TObjectFrame FBaseFrame;
  double FDepthFactor = 0;
  TSlideBackground FBackground;
  Ref<TOrvSlide> FPrevious;
  Ref<TOrvSlide> FNext;
  TSlideBackground FSecond;
  double FSecondBlend = 0;
  bool FHasSecond = false;
  TLayerPicture FOwnPicture;
  TLayerPicture FSecondPicture;
  TBackgroundCopies FBackgroundCopies;
  bool FEffectSlide = false;
  bool FBackgroundShown = true;
};

// A slide shown over the show by the overlay: the help and the custom dialogs.
class TOrvDialog : public TOrvSlide {
public:
  TOrvDialog(Ref<TOrvSlideHost> host, WideString name, bool dialog_pause)
      : TOrvSlide(std::move(host)), FDialogName(std::move(name)), FDialogPause(dialog_pause) {}

  const WideString& DialogName() const noexcept { return FDialogName; }
  // The show holds while the dialog is open.
  bool DialogPause() const noexcept { return FDialogPause; }
  // The overlay fades the dialog in and out (percent; its objects inherit it).
  float GetOpacityBase() const override { return FOpacity; }
  void SetOpacity(float opacity) { FOpacity = opacity; }

private:
  WideString FDialogName;
  bool FDialogPause;
  float FOpacity = 100;
};

}  // namespace orv
