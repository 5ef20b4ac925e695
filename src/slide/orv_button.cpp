#include "slide/orv_button.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "slide/object_drawing.h"
#include "slide/slide_host.h"

namespace orv {
namespace {

// Whole pixels; a term that is not a number counts for nothing, and no term can overflow.
int64_t RoundedTerm(double value) { return std::isfinite(value) ? std::llround(std::clamp(value, -1e12, 1e12)) : 0; }

TButtonState StateOf(TMouseState state) {
  static_assert(int(TMouseState::Hover) == int(TButtonState::Hover) && int(TMouseState::Click) == int(TButtonState::Click));
  return TButtonState(state);
}

}  // namespace

void ReadButtonSettings(const TIniObject& block, TButtonSettings& s) {
  const auto key = [&block](std::string_view name) { return block.FindKey(name); };
  s.Theme = ReadObjectText(key("Theme"));
  s.BtnOpacity = float(ReadFloat(key("BtnOpacity"), s.BtnOpacity));
  s.TxtOpacity = float(ReadFloat(key("TxtOpacity"), s.TxtOpacity));
  s.Hue = ReadInteger(key("Hue"), s.Hue);
  s.Saturation = ReadInteger(key("Saturation"), s.Saturation);
  s.Lightness = ReadInteger(key("Lightness"), s.Lightness);
  s.BtnMinWidth = float(ReadFloat(key("BtnMinWidth"), s.BtnMinWidth));
  s.BtnOffsetX = float(ReadFloat(key("BtnOffsetX"), s.BtnOffsetX));
}

int ButtonWidth(const TButtonWidthInputs& in) {
  const double height = in.DesignHeight;
  const int64_t caption_margin = RoundedTerm((100 - in.CaptionScale) * height / 100);
  const int64_t width = std::max({int64_t(in.DesignHeight), RoundedTerm(height * in.MinWidth / 100),
                                  RoundedTerm((height - double(caption_margin)) * in.CaptionAspect + height * in.OffsetX / 100)});
  return int(std::min<int64_t>(width, INT_MAX));
}

void TOrvButton::LoadParams(const TIniObject& block, bool reuse) {
  FProducer = GetHost().ButtonProducers().Producer(ReadObjectText(block.FindKey("Theme")));
  TButtonSettings button;
  // The theme's minimum width holds unless the key sets one.
  button.BtnMinWidth = FProducer ? FProducer->BtnMinWidth() : FButton.BtnMinWidth;
  ReadButtonSettings(block, button);
  TTextSettings text;
  ReadTextSettings(block, text);
  Assign(FButton, std::move(button));
  Assign(FText, std::move(text));
  TOrvImage::LoadParams(block, reuse);
  AcquireStatePictures();
}

void TOrvButton::AdjustImageSettings(TImageSettings& settings) const {
  settings.MipLodBias = 0;
  if (FProducer) settings.Filtering = FProducer->Filtering();
}

TOrvText* TOrvButton::Caption() const {
  for (const Ref<TOrvObject>& child : Children())
    if (auto* text = dynamic_cast<TOrvText*>(child.Get())) return text;
  return nullptr;
}

void TOrvButton::SetMouseState(TMouseState state) {
  TOrvImage::SetMouseState(state);
  if (TOrvText* caption = Caption()) caption->SetMouseState(state);
}

TButtonState TOrvButton::ShownState() const { return StateOf(MouseState()); }

TIniColor TOrvButton::CaptionColor() const { return FProducer ? FProducer->CaptionColor() : TIniColor{0, 0, 0, 255}; }

std::optional<double> TOrvButton::CaptionScale() const {
  const TOrvText* caption = Caption();
  if (!FProducer || !caption || caption->Props().KeyCount() != 1) return std::nullopt;
  return 100.0 - FProducer->BtnOffset();
}

int TOrvButton::WantedWidth() const {
  if (!FProducer) return 0;
  TButtonWidthInputs inputs{FProducer->DesignHeight(), FButton.BtnMinWidth, 0, 100, FButton.BtnOffsetX};
  if (const TOrvText* caption = Caption()) {
    // Until the caption has a text box it takes no room.
    if (const TSizeF box = caption->TextBox(); box.Height > 0) inputs.CaptionAspect = double(box.Width) / box.Height;
    inputs.CaptionScale = CaptionScale().value_or(caption->Field(kFieldScaleY));
  }
  return FProducer->ClampWidth(ButtonWidth(inputs));
}

TButtonPictureName TOrvButton::PictureName(TButtonState state) const {
  return {FProducer->Theme(), state, WantedWidth(), {FButton.Hue, FButton.Saturation, FButton.Lightness}};
}

void TOrvButton::AcquireStatePictures() {
  const WideString name = FProducer ? FormatButtonPictureName(PictureName(TButtonState::Normal)) : WideString();
  if (name == FPicturesName) return;
  FPicturesName = name;
  FWidth = FProducer ? WantedWidth() : 0;
  for (int state = 0; state < kButtonStateCount; ++state)
    FStatePictures[size_t(state)] =
        FProducer ? GetHost().GetPicture(FormatButtonPictureName(PictureName(TButtonState(state)))) : nullptr;
  ParamsChanged = true;
}

TSizeF TOrvButton::GetSourceSize() const {
  if (!FProducer || FWidth <= 0) return TOrvImage::GetSourceSize();
  return {float(FWidth), float(FProducer->DesignHeight())};
}

double TOrvButton::FitFactorFor(TSizeF parent_size) const {
  if (!FProducer) return TOrvImage::FitFactorFor(parent_size);
  const double factor = double(parent_size.Height) / FProducer->DesignHeight();
  return std::isfinite(factor) ? factor : 0;
}

void TOrvButton::PreparePlacement() {
  TOrvImage::PreparePlacement();
  if (FProducer && WantedWidth() != FWidth) ParamsChanged = true;
}

void TOrvButton::PrepareResources(TDeviceDrawer& drawer) {
  AcquireStatePictures();
  const TImageDrawParams params = ButtonDrawParams();
  for (int state = 0; state < kButtonStateCount; ++state)
    FPrepared[size_t(state)].Prepare(drawer, FStatePictures[size_t(state)], params);
  PrepareShadow(drawer);
  // The children; the image's own picture is not a button's.
  TOrvObject::PrepareResources(drawer);
}

void TOrvButton::ReleaseResources() {
  for (TPreparedPicture& prepared : FPrepared) prepared.Release();
  FShadow.Release();
  TOrvImage::ReleaseResources();
}

void TOrvButton::PrepareShadow(TDeviceDrawer& drawer) {
  const Ref<TImage>& normal = StatePicture(TButtonState::Normal);
  if (!normal) return;
  const TShadowSettings& shadow = Settings().Shadow;
  const double blur = HeightShadowBlurSize(shadow.Size, normal->Height(), 0);
  FShadow.Prepare(drawer, GetHost(), shadow, PictureShadowParams(*normal, 0, blur, shadow), 3 * FSize.Height);
}

TImageDrawParams TOrvButton::ButtonDrawParams() {
  TImageDrawParams params = DrawParams();
  params.Level = 0;
  params.Columns = params.Rows = 1;
  params.Opacity *= FButton.BtnOpacity / 100;
  return params;
}

void TOrvButton::DrawSelf(TDeviceDrawer& drawer) {
  const Ref<TImage>& picture = FStatePictures[size_t(ShownState())];
  if (!picture) return;
  const TRectF whole{0, 0, float(picture->Width()), float(picture->Height())};
  const TQuadFrame quad = QuadOf(Placement().Frame, LocalRect());
  const TImageDrawParams params = ButtonDrawParams();
  // Drawn again after its textures were handed back: the shadow is made anew.
  if (Settings().Shadow.Enable && !FShadow.Picture()) PrepareShadow(drawer);
  FShadow.Draw(drawer, quad, FSize, Settings().Shadow, params.Opacity);
  drawer.DrawImage(*picture, quad, whole, params);
}

}  // namespace orv
