// The overlay drawn over every frame, above the slides and the transition: the dialogs a
// show opens (help and its own dialogs), the logo and the navigation panel. It routes the
// engine's mouse events to the dialogs and the panel before the slides see them, fades
// dialogs in and out, and hides the panel while the mouse rests.
//
// Everything here runs on the engine thread.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <memory>

#include "base/input_codes.h"
#include "base/mouse_move_detector.h"
#include "base/tick_count.h"
#include "nav/nav_panel.h"
#include "nav/panel_auto_hide.h"
#include "nav/root_item.h"
#include "package/file_accessor.h"
#include "project/show_options.h"
#include "slide/orv_slide.h"

namespace orv {

// One picture of the overlay and where it lies on the drawing surface.
struct TOverlayPicture {
  Ref<TImage> Picture;  // none: the entry is skipped
  TImageDrawParams Params;
  TRect Rect;
};

// A mouse event as the engine hands it on; `Buttons` is the button state, `Button` the
// button of a press or release.
struct TOverlayMouse {
  TMouseEvent Kind = TMouseEvent::Move;
  int X = kPointerOutside;
  int Y = kPointerOutside;
  int Buttons = 0;
  int Button = 0;
};

struct TOverlayMouseResult {
  // The slides below are not asked.
  bool Taken = false;
  // The object of a dialog under the pointer, and the action text of a click completed on it.
  TOrvObject* Hit = nullptr;
  WideString HitAction;
  // What a click on the navigation panel asks for (kind "taken by the panel" when the
  // pointer is over the panel and no button acted); kind none otherwise.
  TOrvActionInfo PanelAction;
};

struct TOverlayGeometry {
  TRect FrameRect;     // the slide frame on the drawing surface
  int FrameWidth = 0;  // the frame width the slides are designed for; 0: the frame rectangle's
  TIntPair ScreenSize;  // the drawing surface: the panel's area when it is placed in the window
  float DpiScale = 1;   // the screen's pixels per inch / 96
};

// What the navigation panel needs of the show it drives.
struct TOverlayShowLink {
  float Volume = 1;     // the music volume at start
  double Duration = 0;  // the show's duration, ms
  std::function<void(float level)> SetVolume;
  std::function<void(double ms)> GoToTime;
  std::function<bool()> IsPlaying;
};

// Where the pointer stands as far as the cursor is concerned.
enum class TPanelPointer { Idle = 0, Moving = 1, OverPanel = 2 };

class TThirdSlide : public TDrawItem {
public:
  // How long a dialog takes to fade in or out.
  static constexpr int64_t kDialogFadeMs = 200;

  // Builds the logo and the navigation panel when the options ask for them. `root` draws
  // the border fill at the place the overlay chooses and outlives the overlay.
  TThirdSlide(TFileAccessor& accessor, const TShowOptions& options, TRootItem& root, const TOverlayGeometry& geometry,
              TTickSource ticks = TickCount, TOverlayShowLink show = {});
  ~TThirdSlide() override;

  // Once per engine step, with the show time in ms: the dialog fade, the bar's clock and
  // the panel's auto-hide.
  void Update(double show_time = 0);
  TOverlayMouseResult MouseEvent(const TOverlayMouse& mouse);

  // ---- the dialog stack, bottom to top
  // A dialog of the same name already open starts closing instead (a second request closes
  // it); requests while a dialog closes are dropped.
  void OpenDialog(Ref<TOrvDialog> dialog);
  // Starts closing dialog `index`, or the top one when the index is −1 or out of range.
  void CloseDialog(int index);
  // Before the show moves on: every dialog that holds the show but the topmost goes at
  // once, the topmost starts closing.
  void CloseHoldingDialogs();
  bool HoldsShow() const;
  TOrvDialog* TopDialog() const;
  size_t DialogCount() const noexcept { return FDialogs.size(); }

  // A dialog of the main window (the print dialog) as a picture over everything, the
  // border included, at `place` on the drawing surface; none takes it away.
  void SetWindowDialog(Ref<TImage> picture, const TRect& place);
  const TOverlayPicture& WindowDialog() const noexcept { return FWindowDialog; }

  const TRect& FrameRect() const noexcept { return FFrameRect; }
  double PixelFactor() const noexcept { return FPixelFactor; }
  const std::vector<TOverlayPicture>& Pictures() const noexcept { return FPictures; }
  std::optional<size_t> LogoIndex() const noexcept { return FLogoIndex; }
  std::optional<size_t> PanelIndex() const noexcept { return FPanelIndex; }
  TNavPanel* Panel() const noexcept { return FPanel.Get(); }
  TPanelPointer PointerState() const;
  // Set by the engine around a frame capture: the captured frame leaves the panel out.
  void SetCapturing(bool capturing) noexcept { FCapturing = capturing; }

  bool IsChanged() const override;
  void Notify(int message) override;
  void Draw(TDeviceDrawer& drawer) override;

private:
  struct TOpenDialog {
    Ref<TOrvDialog> Dialog;
    bool Drawn = false;
  };

  void BuildLogo(TFileAccessor& accessor, const TShowOptions& options);
  void BuildPanel(TFileAccessor& accessor, const TShowOptions& options, const TOverlayGeometry& geometry,
                  TOverlayShowLink show);
  void SetPanelPicture(bool second, Ref<TImage> picture, const TRect& rect);
  void UpdateAutoHide();
  TOrvActionInfo PanelMouse(const TOverlayMouse& mouse);
  bool IsPanelEntry(size_t index) const;
  void UpdateDialogFade();
  void RemoveDialog(size_t index);
  void StartFade(size_t index, bool closing);
  void DrawPicture(TDeviceDrawer& drawer, const TOverlayPicture& entry) const;

  TTickSource FTicks;
  TRect FFrameRect;
  double FPixelFactor = 1;
  TRootItem& FRoot;

  std::vector<TOpenDialog> FDialogs;
  bool FClosing = false;
  bool FFadeRestart = false;
  size_t FFadingIndex = 0;
  int64_t FFadeStart = 0;
  int64_t FFadeEnd = 0;

  std::vector<TOverlayPicture> FPictures;
  std::optional<size_t> FLogoIndex;

  Ref<TNavPanel> FPanel;
  std::optional<size_t> FPanelIndex;
  std::optional<size_t> FSecondIndex;
  TMouseMoveDetector FDetector;
  // With auto-hide only.
  std::unique_ptr<TPanelAutoHide> FAutoHide;
  double FPanelOpacity = 100;
  bool FCapturing = false;
  TOverlayPicture FWindowDialog;
};

}  // namespace orv
