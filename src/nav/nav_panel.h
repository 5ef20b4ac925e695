// The navigation panel: it places the bar's picture in its area, turns the overlay's mouse
// events into events in the bar's pixels, and the bar's clicks into actions for the engine.
//
// Runs on the engine thread, like the overlay that owns it.
#pragma once

#include <functional>
#include <vector>

#include "base/action_info.h"
#include "image/image.h"
#include "nav/custom_nav_bar.h"
#include "nav/nav_placement.h"
#include "package/file_accessor.h"

namespace orv {

struct TNavPanelCallbacks {
  std::function<void(float level)> SetVolume;  // the music volume, 0..1
  std::function<void(double ms)> GoToTime;
  std::function<bool()> IsPlaying;  // the show is not paused
  // A picture of the panel changed: the bar's (`second` false) or the video-style bar's
  // exit picture, and where it lies in overlay coordinates.
  std::function<void(bool second, Ref<TImage> picture, const TRect& rect)> PictureChanged;
};

struct TNavBarSettings {
  bool UseVideoScale = false;  // the bar's height follows the view scale, not the screen's dpi
  bool VideoExit = false;      // the video-style bar shows its exit button in the area's corner
  float Volume = 1;            // the music volume at start
  double Duration = 0;         // the show's duration, ms
  float DpiScale = 1;          // the screen's pixels per inch / 96
};

class TNavPanel : public TRefObject {
public:
  // `requested`: the names of the buttons to show, in order.
  TNavPanel(TFileAccessor& accessor, std::vector<std::string> requested, bool show_background, int hue,
            TNavPanelCallbacks callbacks);
  ~TNavPanel() override;

  // `view_scale`: the classic bar's height in percent of the area's height.
  void SetGeometry(const TNavPlacement& placement, const TRect& area, double view_scale);
  // Reads the skin file and builds the bar it describes. A skin that is missing or that the
  // bar refuses is logged and leaves the panel without a bar: the show plays on without it.
  void LoadBar(WideView skin_file, const TNavBarSettings& settings);
  // The part of LoadBar after the skin is read: connects `bar`, loads it and shows the
  // requested buttons.
  void AttachBar(Ref<TCustomNavBar> bar, Ref<TIniFile> skin, WideView folder, const TNavBarSettings& settings,
                 bool video_style);

  // Once per engine step, with the show time in ms.
  void Update(double time);
  // Overlay coordinates; the action the event produced (kind "taken by the panel" when the
  // pointer is over the panel and no button acted).
  TOrvActionInfo MouseMove(int x, int y, int state);
  TOrvActionInfo MouseDown(int x, int y, TMouseButton button, int state);
  TOrvActionInfo MouseUp(int x, int y, TMouseButton button, int state);
  bool IsOver(int x, int y) const;

  // The pointer was over the panel at the last event.
  bool Over() const noexcept { return FOver; }
  TCustomNavBar* Bar() const noexcept { return FBar.Get(); }
  const TRect& MainRect() const noexcept { return FMain.Rect; }
  const TRect& SecondRect() const noexcept { return FSecond.Rect; }

private:
  struct TPlacedPicture {
    TRect Rect;
    bool Placed = false;
  };

  void ConnectBar(TCustomNavBar& bar, bool second_picture);
  void PlaceMainPicture();
  void PlaceSecondPicture();
  void Click(int index);
  // Hands the event to the bar in its own pixels; `when` decides whether it is passed.
  TOrvActionInfo Pass(int x, int y, TMouseButton button, int state, TMouseEvent event, bool when);
  bool InSecondHalf(int y) const;

  TFileAccessor& FAccessor;
  std::vector<std::string> FRequested;
  bool FShowBackground;
  int FHue;
  TNavPanelCallbacks FCallbacks;

  Ref<TCustomNavBar> FBar;
  bool FVideoStyle = false;
  bool FHasSecond = false;
  double FDuration = 0;

  TNavPlacement FPlacement;
  TRect FArea;
  double FViewScale = 10;
  bool FGeometrySet = false;
  TPlacedPicture FMain;
  TPlacedPicture FSecond;

  bool FOver = false;
  bool FPressedInside = false;
  bool FUpperHalf = false;  // the event being passed is meant for the second picture
  TOrvActionInfo FResult;
};

}  // namespace orv
