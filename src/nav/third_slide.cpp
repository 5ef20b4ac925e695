#include "nav/third_slide.h"

#include <algorithm>
#include <cmath>

#include "base/log.h"
#include "nav/logo.h"

namespace orv {
namespace {

constexpr double kOpacityTolerance = 0.001;

TMouseEventKind DialogMouseKind(TMouseEvent kind) {
  // A double click hit-tests like a move: the press before it did the clicking.
  return kind == TMouseEvent::DoubleClick ? TMouseEventKind::Move : TMouseEventKind(kind);
}

}  // namespace

TThirdSlide::TThirdSlide(TFileAccessor& accessor, const TShowOptions& options, TRootItem& root,
                         const TOverlayGeometry& geometry, TTickSource ticks, TOverlayShowLink show)
    : FTicks(std::move(ticks)), FFrameRect(geometry.FrameRect), FRoot(root), FDetector(FTicks) {
  if (geometry.FrameWidth > 0) FPixelFactor = double(FFrameRect.Width()) / geometry.FrameWidth;
  if (options.HasLogo()) BuildLogo(accessor, options);
  if (options.ShowPanel) BuildPanel(accessor, options, geometry, std::move(show));
}

TThirdSlide::~TThirdSlide() = default;

void TThirdSlide::BuildLogo(TFileAccessor& accessor, const TShowOptions& options) {
  const Ref<TImage> picture = LoadLogo(accessor, options, FFrameRect.Height());
  if (!picture) {
    Log().Write("Logo not loaded: " + Utf16ToUtf8(options.LogoFileName));
    return;
  }
  // The rectangle follows the file's own size; the kept picture is drawn stretched onto it.
  const TRect rect = LogoRect({picture->Width(), picture->Height()}, FFrameRect, options, FPixelFactor);
  TOverlayPicture entry{picture, {}, rect};
  entry.Params.Opacity = float(options.LogoOpacity);
  FLogoIndex = FPictures.size();
  FPictures.push_back(std::move(entry));
  ParamsChanged = true;
}

void TThirdSlide::BuildPanel(TFileAccessor& accessor, const TShowOptions& options, const TOverlayGeometry& geometry,
                             TOverlayShowLink show) {
  FDetector.SetIdleInterval(int64_t(options.NavHideInterval) * 1000);
  FDetector.MakeIdle();
  if (options.HideNavBar) {
    FAutoHide = std::make_unique<TPanelAutoHide>(FDetector, FTicks, options.NavFadeIn, options.NavHideFadeOut);
    FPanelOpacity = 0;
  }
  std::vector<std::string> requested;
  for (const WideString& name : options.NavButtons) requested.push_back(Utf16ToUtf8(name));
  TNavPanelCallbacks callbacks{show.SetVolume, show.GoToTime, show.IsPlaying,
                               [this](bool second, Ref<TImage> picture, const TRect& rect) {
                                 SetPanelPicture(second, std::move(picture), rect);
                               }};
  FPanel = MakeRef<TNavPanel>(accessor, std::move(requested), options.NavShowBackground, options.NavHue,
                              std::move(callbacks));
  const TRect area = options.NavWindowArea ? TRect{0, 0, geometry.ScreenSize.First, geometry.ScreenSize.Second}
                                           : FFrameRect;
  FPanel->SetGeometry(PlacementOf(int32_t(options.PanelPosition), options.NavOffset), area, options.NavViewScale);
  FPanel->LoadBar(options.NavIniFile,
                  {options.NavUseVideoScale, options.NavVideoExit, show.Volume, show.Duration, geometry.DpiScale});
}

void TThirdSlide::SetPanelPicture(bool second, Ref<TImage> picture, const TRect& rect) {
  std::optional<size_t>& index = second ? FSecondIndex : FPanelIndex;
  if (!index) {
    index = FPictures.size();
    TOverlayPicture entry{nullptr, {}, rect};
    entry.Params.Opacity = float(FPanelOpacity);
    FPictures.push_back(std::move(entry));
  }
  // The draw parameters (the fade's opacity) stay with the entry.
  FPictures[*index].Picture = std::move(picture);
  FPictures[*index].Rect = rect;
  ParamsChanged = true;
}

bool TThirdSlide::IsPanelEntry(size_t index) const { return index == FPanelIndex || index == FSecondIndex; }

TPanelPointer TThirdSlide::PointerState() const {
  if (!FPanel) return TPanelPointer::Idle;
  if (FPanel->Over()) return TPanelPointer::OverPanel;
  return FDetector.Idle() ? TPanelPointer::Idle : TPanelPointer::Moving;
}

void TThirdSlide::UpdateAutoHide() {
  const std::optional<double> opacity = FAutoHide->Update(FPanel->Over());
  if (!opacity) return;
  FPanelOpacity = *opacity;
  for (const std::optional<size_t>& index : {FPanelIndex, FSecondIndex}) {
    if (!index) continue;
    float& entry_opacity = FPictures[*index].Params.Opacity;
    if (std::abs(entry_opacity - FPanelOpacity) <= kOpacityTolerance) continue;
    entry_opacity = float(FPanelOpacity);
    StateChanged = true;
  }
}

// ---- dialogs

void TThirdSlide::OpenDialog(Ref<TOrvDialog> dialog) {
  if (!dialog || FClosing) return;
  for (size_t i = 0; i < FDialogs.size(); ++i) {
    if (FDialogs[i].Dialog->DialogName() != dialog->DialogName()) continue;
    StartFade(i, true);
    return;
  }
  // Invisible until its fade in starts with its first drawing.
  dialog->SetOpacity(0);
  FDialogs.push_back({std::move(dialog), false});
  ParamsChanged = true;
  StartFade(FDialogs.size() - 1, false);
}

void TThirdSlide::CloseDialog(int index) {
  if (FClosing || FDialogs.empty()) return;
  const bool valid = index >= 0 && size_t(index) < FDialogs.size();
  StartFade(valid ? size_t(index) : FDialogs.size() - 1, true);
}

void TThirdSlide::StartFade(size_t index, bool closing) {
  FClosing = closing;
  FFadeRestart = true;
  FFadingIndex = index;
}

void TThirdSlide::RemoveDialog(size_t index) {
  FDialogs.erase(FDialogs.begin() + ptrdiff_t(index));
  ParamsChanged = true;
  FClosing = false;
}

void TThirdSlide::CloseHoldingDialogs() {
  std::vector<size_t> holding;
  for (size_t i = 0; i < FDialogs.size(); ++i)
    if (FDialogs[i].Dialog->DialogPause()) holding.push_back(i);
  if (holding.empty()) return;
  const TOrvDialog* topmost = FDialogs[holding.back()].Dialog.Get();
  for (size_t i = holding.size() - 1; i-- > 0;) RemoveDialog(holding[i]);
  // Removing the others moved the topmost down; a fade under way may point past the end.
  const auto top = std::find_if(FDialogs.begin(), FDialogs.end(),
                                [topmost](const TOpenDialog& open) { return open.Dialog.Get() == topmost; });
  FClosing = false;
  StartFade(size_t(top - FDialogs.begin()), true);
}

bool TThirdSlide::HoldsShow() const {
  return std::any_of(FDialogs.begin(), FDialogs.end(), [](const TOpenDialog& open) { return open.Dialog->DialogPause(); });
}

TOrvDialog* TThirdSlide::TopDialog() const { return FDialogs.empty() ? nullptr : FDialogs.back().Dialog.Get(); }

void TThirdSlide::Update(double show_time) {
  UpdateDialogFade();
  if (!FPanel) return;
  FPanel->Update(show_time);
  if (FAutoHide) UpdateAutoHide();
}

void TThirdSlide::UpdateDialogFade() {
  if (FFadingIndex >= FDialogs.size()) return;
  TOpenDialog& open = FDialogs[FFadingIndex];
  TOrvDialog& dialog = *open.Dialog;
  // A dialog closed before it became visible has nothing to fade.
  if (FClosing && dialog.GetOpacityBase() < 1) {
    RemoveDialog(FFadingIndex);
    return;
  }
  if (!open.Drawn) return;
  const int64_t now = FTicks();
  if (FFadeRestart) {
    FFadeRestart = false;
    FFadeStart = now;
    FFadeEnd = now + kDialogFadeMs;
  }
  const double progress =
      now >= FFadeEnd ? 100 : std::clamp(double(now - FFadeStart) / double(FFadeEnd - FFadeStart) * 100, 0.0, 100.0);
  const double opacity = FClosing ? 100 - progress : progress;
  if (std::abs(opacity - dialog.GetOpacityBase()) > kOpacityTolerance) {
    dialog.SetOpacity(float(opacity));
    StateChanged = true;
  }
  if (FClosing && dialog.GetOpacityBase() < 1) RemoveDialog(FFadingIndex);
}

// ---- mouse

TOverlayMouseResult TThirdSlide::MouseEvent(const TOverlayMouse& mouse) {
  TOverlayMouseResult result;
  if (mouse.X == kPointerOutside) {
    // The pointer left the window: the bar lets go of its hovered button.
    if (FPanel) PanelMouse(mouse);
    return result;
  }
  const TPointF point{float(mouse.X), float(mouse.Y)};
  for (auto it = FDialogs.rbegin(); it != FDialogs.rend(); ++it) {
    TOrvDialog& dialog = *it->Dialog;
    WideString action;
    TOrvObject* hit = dialog.MouseEvent(mouse.Buttons, point, true, DialogMouseKind(mouse.Kind), mouse.Button, action);
    if (dialog.IsChanged()) StateChanged = true;
    if (!hit) continue;
    result.Hit = hit;
    result.HitAction = std::move(action);
    break;
  }
  FDetector.Sample(mouse.X, mouse.Y);
  if (FPanel) result.PanelAction = PanelMouse(mouse);
  if (result.PanelAction.Kind != TOrvActionInfo::kNone) {
    result.Hit = nullptr;
    result.HitAction.clear();
  }
  result.Taken = result.Hit || (FPanel && FPanel->Over()) || result.PanelAction.Kind != TOrvActionInfo::kNone;
  return result;
}

TOrvActionInfo TThirdSlide::PanelMouse(const TOverlayMouse& mouse) {
  const auto button = TMouseButton(mouse.Button);
  switch (mouse.Kind) {
    case TMouseEvent::Move:
      return FPanel->MouseMove(mouse.X, mouse.Y, mouse.Buttons);
    case TMouseEvent::Down:
      return FPanel->MouseDown(mouse.X, mouse.Y, button, mouse.Buttons);
    case TMouseEvent::Up:
      return FPanel->MouseUp(mouse.X, mouse.Y, button, mouse.Buttons);
    case TMouseEvent::DoubleClick:
      break;
  }
  return {};
}

// ---- drawing

bool TThirdSlide::IsChanged() const {
  return TDrawItem::IsChanged() ||
         std::any_of(FDialogs.begin(), FDialogs.end(), [](const TOpenDialog& open) { return open.Dialog->IsChanged(); });
}

void TThirdSlide::Notify(int message) {
  for (const TOpenDialog& open : FDialogs) open.Dialog->Notify(message);
}

void TThirdSlide::Draw(TDeviceDrawer& drawer) {
  for (TOpenDialog& open : FDialogs) {
    open.Dialog->Draw(drawer);
    open.Drawn = true;
  }
  // The border goes under the first panel picture drawn, so that a panel lying outside the
  // slide frame stays visible; otherwise over everything, hiding what overhangs the frame.
  bool border_drawn = false;
  for (size_t i = 0; i < FPictures.size(); ++i) {
    const TOverlayPicture& entry = FPictures[i];
    const bool panel = IsPanelEntry(i);
    if (!entry.Picture || (panel && FCapturing)) continue;
    if (panel && !border_drawn) {
      FRoot.DrawBorderFill(drawer);
      border_drawn = true;
    }
    DrawPicture(drawer, entry);
  }
  if (!border_drawn) FRoot.DrawBorderFill(drawer);
  if (FWindowDialog.Picture) DrawPicture(drawer, FWindowDialog);
  ParamsChanged = false;
  StateChanged = false;
}

void TThirdSlide::SetWindowDialog(Ref<TImage> picture, const TRect& place) {
  FWindowDialog.Picture = std::move(picture);
  FWindowDialog.Rect = place;
  ParamsChanged = true;
}

void TThirdSlide::DrawPicture(TDeviceDrawer& drawer, const TOverlayPicture& entry) const {
  const TRect& r = entry.Rect;
  const TRectF window{0, 0, float(entry.Picture->Width()), float(entry.Picture->Height())};
  drawer.DrawImage(*entry.Picture, FrameOf(TRectF{float(r.Left), float(r.Top), float(r.Right), float(r.Bottom)}),
                   window, entry.Params);
}

}  // namespace orv
