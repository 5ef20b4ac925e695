// The overlay drawn over every frame, above the slides and the transition: the dialogs a
// show opens (help and its own dialogs) and the logo. It routes the engine's mouse events
// to the dialogs before the slides see them and fades dialogs in and out.
//
// Everything here runs on the engine thread.
#pragma once

#include <optional>
#include <vector>

#include "base/input_codes.h"
#include "base/tick_count.h"
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
};

struct TOverlayGeometry {
  TRect FrameRect;     // the slide frame on the drawing surface
  int FrameWidth = 0;  // the frame width the slides are designed for; 0: the frame rectangle's
};

class TThirdSlide : public TDrawItem {
public:
  // How long a dialog takes to fade in or out.
  static constexpr int64_t kDialogFadeMs = 200;

  // Builds the logo from the options when they ask for one. `root` draws the border fill
  // at the place the overlay chooses and outlives the overlay.
  TThirdSlide(TFileAccessor& accessor, const TShowOptions& options, TRootItem& root, const TOverlayGeometry& geometry,
              TTickSource ticks = TickCount);

  // Once per engine step: the dialog fade.
  void Update();
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

  bool IsChanged() const override;
  void Notify(int message) override;
  void Draw(TDeviceDrawer& drawer) override;

private:
  struct TOpenDialog {
    Ref<TOrvDialog> Dialog;
    bool Drawn = false;
  };

  void BuildLogo(TFileAccessor& accessor, const TShowOptions& options);
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
  TOverlayPicture FWindowDialog;
};

}  // namespace orv
