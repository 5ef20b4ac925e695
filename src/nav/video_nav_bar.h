// The video-style navigation bar: a strip across the panel's area with a play/pause button,
// optional backward and forward buttons, a time track with a draggable thumb, the elapsed
// and total time, a sound button and a volume track; an exit button may sit apart in a
// small second picture. Unlike the classic bar it acts on the press, and it drives the show
// directly: dragging the thumb seeks, the volume track sets the music volume.
#pragma once

#include <array>

#include "nav/custom_nav_bar.h"
#include "nav/nine_patch.h"
#include "nav/video_bar_layout.h"

namespace orv {

class TVideoNavBar : public TCustomNavBar {
public:
  enum TState : uint8_t { kNormal = 0, kHover = 1, kPressed = 2 };
  // Elements to redraw.
  enum TElement { kPlayPause = 1, kExtras = 2, kTime = 4, kSound = 8, kVolume = 16, kExit = 32 };

  void Load(Ref<TIniFile> tree, WideView folder) override;
  void SetButtons(const std::vector<int>& indexes) override;
  void MouseEvent(TMouseButton button, int state, TMouseEvent event, int y, int x) override;
  void Tick(double time) override;
  void SetVolumeLevel(float level) override;
  void SetAreaWidth(int width) override { FBarWidth = width; }
  void SetBarHeight(int height) override;
  void SetDpiScale(float factor) override;

  // The bar does not fit its width: it has no picture and takes no events.
  bool Disabled() const noexcept { return FDisabled; }
  const TVideoBarLayout& Layout() const noexcept { return FLayout; }
  double Scale() const noexcept { return FScale; }
  double Position() const noexcept { return FPosition; }
  double Volume() const noexcept { return FVolume; }
  bool PausedShown() const noexcept { return FPausedShown; }
  // 0 play/pause, 1 sound, 2 exit, 3 + i the i-th extra button.
  TState State(size_t element) const { return TState(FStates.at(element)); }

private:
  void Fit(double scale);
  void Relayout();
  void Draw(int elements);
  void RestoreBackground(int from, int to);
  void DrawIcon(TBitmap& target, int icon, uint8_t state, int x, int y) const;
  void DrawTrack();
  void DrawDigits();
  void DrawVolume();
  void MakeGlyphs();
  // All elements back to normal; the flags of those that changed.
  int ResetStates(bool pressed_only);
  bool InButtonBand(int y) const;
  bool InTrackBand(int y) const;
  bool UpperHalf() const { return Callbacks.IsUpperHalf && Callbacks.IsUpperHalf(); }
  void PressAt(int x, int y);
  void MoveTo(int x, int y);
  void ReleaseAt(int x, int y);
  int Hover(int x, int y);
  void SetVolumeFromX(int x);

  TVideoBarDesign FDesign;
  WideString FFolder;
  TNinePatch FBackground;
  TNinePatch FLine;
  TNinePatch FThumb;
  std::array<std::array<TNinePatch, 7>, 3> FIcons;  // normal, hover, pressed
  std::array<Ref<TBitmap>, 12> FGlyphs;             // "0" … "9", ":", " / "
  Ref<TBitmap> FBackgroundCache;
  Ref<TBitmap> FTrackCache;

  int FBarWidth = 0;
  double FScale = 1;
  bool FDisabled = true;
  TVideoBarLayout FLayout;
  double FPosition = -1;
  double FDuration = 0;
  bool FShowHours = false;
  double FVolume = -1;
  double FSavedVolume = 0;
  bool FPausedShown = false;
  bool FDraggingTime = false;
  bool FPausedBeforeDrag = false;
  int FTimeGrab = 0;
  bool FDraggingVolume = false;
  int FVolumeGrab = 0;
  std::vector<uint8_t> FStates;
  int FLastThumbX = -1;
  long long FLastSeconds = -1;
};

}  // namespace orv
