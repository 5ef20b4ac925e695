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
                         const TOverlayGeometry& geometry, TTickSource ticks)
    : FTicks(std::move(ticks)), FFrameRect(geometry.FrameRect), FRoot(root) {
  if (geometry.FrameWidth > 0) FPixelFactor = double(FFrameRect.Width()) / geometry.FrameWidth;
  if (options.HasLogo()) BuildLogo(accessor, options);
}

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

void TThirdSlide::Update() { UpdateDialogFade(); }

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
  if (mouse.X == kPointerOutside) return result;
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
  result.Taken = result.Hit != nullptr;
  return result;
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
  for (const TOverlayPicture& entry : FPictures)
    if (entry.Picture) DrawPicture(drawer, entry);
  FRoot.DrawBorderFill(drawer);
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
