// What the navigation panel sees of a bar: the bar draws its buttons into a picture of its
// own, takes mouse events in that picture's pixels and the show time, and tells the panel
// through callbacks when its picture changed or a button was clicked. The classic bar and
// the video-style bar both plug in here; the last four slots serve the video-style bar only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/input_codes.h"
#include "base/rect.h"
#include "base/text.h"
#include "image/bitmap.h"
#include "project/ini_file.h"

namespace orv {

class TCustomNavBar;

// Set by the panel before the bar is loaded; a callback left empty is not connected.
struct TNavBarCallbacks {
  // The bar's picture was redrawn within the rectangle.
  std::function<void(TCustomNavBar& bar, const TRect& dirty)> OnImageChanged;
  // The video-style bar's second picture (its exit button) changed.
  std::function<void(TCustomNavBar& bar, const TRect& dirty)> OnSecondImageChanged;
  // A button was clicked: its position among the shown buttons, or −1 play/pause and −2
  // exit on the video-style bar.
  std::function<void(TCustomNavBar& bar, int index)> OnClick;
  // A texture file as a 32-bit "A8R8G8B8" bitmap; a missing file gives the placeholder.
  std::function<Ref<TBitmap>(WideView name)> LoadTexture;
  // The show is not paused.
  std::function<bool()> IsPlaying;
  std::function<double()> GetDuration;           // the show's duration, ms
  std::function<void(double ms)> SetTime;        // go to a show time
  std::function<void(float level)> SetVolume;    // the music volume, 0..1
  std::function<bool()> IsUpperHalf;             // the event is meant for the second picture
};

class TCustomNavBar : public TRefObject {
public:
  // `tree` is the skin; texture names are relative to `folder`.
  virtual void Load(Ref<TIniFile> tree, WideView folder) = 0;
  // The buttons to show, as indexes into Declared(), in order.
  virtual void SetButtons(const std::vector<int>& indexes) = 0;
  // (x, y) in the picture's pixels; `state` holds the modifier bits of the event.
  virtual void MouseEvent(TMouseButton button, int state, TMouseEvent event, int y, int x) = 0;
  virtual void Tick(double time) = 0;
  virtual void SetVolumeLevel(float) {}
  virtual void SetAreaWidth(int) {}
  virtual void SetBarHeight(int) {}
  virtual void SetDpiScale(float) {}

  // The button names the skin offers, in the order the indexes of SetButtons count.
  const std::vector<std::string>& Declared() const noexcept { return FDeclared; }
  // The buttons shown, as indexes into Declared(), in order.
  const std::vector<int>& Shown() const noexcept { return FShown; }
  // The bar's picture and the video-style bar's second one; none until there are buttons.
  const Ref<TBitmap>& Picture() const noexcept { return FPicture; }
  const Ref<TBitmap>& SecondPicture() const noexcept { return FSecondPicture; }
  // The picture's size as the panel scales it (the classic bar's grid, even before it drew).
  virtual int Width() const { return FPicture ? FPicture->Width() : 0; }
  virtual int Height() const { return FPicture ? FPicture->Height() : 0; }

  TNavBarCallbacks Callbacks;
  bool ShowBackground = false;  // draw the background cells
  int Hue = 0;                  // degrees the colours are turned by

protected:
  std::vector<std::string> FDeclared;
  std::vector<int> FShown;
  Ref<TBitmap> FPicture;
  Ref<TBitmap> FSecondPicture;
};

}  // namespace orv
