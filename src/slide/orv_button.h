// Buttons: a picture made from a theme's parts, with a caption text drawn over it.
#pragma once

#include <array>
#include <optional>

#include "slide/button_producer.h"
#include "slide/orv_image.h"
#include "slide/shadow.h"

namespace orv {

struct TButtonSettings {
  WideString Theme;
  float BtnOpacity = 100;
  float TxtOpacity = 100;
  int Hue = 0;
  int Saturation = 0;
  int Lightness = 0;
  float BtnMinWidth = 0;
  float BtnOffsetX = 100;
  friend bool operator==(const TButtonSettings&, const TButtonSettings&) = default;
};

void ReadButtonSettings(const TIniObject& block, TButtonSettings& settings);

// What a button's width follows: the theme's height, the keys, and the caption's text box.
struct TButtonWidthInputs {
  int DesignHeight = 0;
  double MinWidth = 0;       // percent of the height ("BtnMinWidth")
  double CaptionAspect = 0;  // width / height of the caption's text box; 0 without one
  double CaptionScale = 100;  // percent
  double OffsetX = 100;      // room beside the caption, percent of the height ("BtnOffsetX")
};

// The largest of the height, the minimum width and the room the caption needs; terms that
// are not numbers count for nothing.
int ButtonWidth(const TButtonWidthInputs& inputs);

class TOrvButton : public TOrvImage {
public:
  using TOrvImage::TOrvImage;

  void LoadParams(const TIniObject& block, bool reuse) override;
  const TButtonSettings& ButtonSettings() const noexcept { return FButton; }
  const TTextSettings& TextSettings() const noexcept { return FText; }
  bool TakesMouseStates() const override { return true; }
  // A button's picture is its theme's, never the slide's main picture.
  bool AnswerMainPicture(TMainPicture&) const override { return false; }
  // The button and its caption change their look together.
  void SetMouseState(TMouseState state) override;
  // The first child text object, or none.
  TOrvText* Caption() const;

  // The theme in use ("aqua" when the button's own cannot be read); none without either.
  const Ref<TButtonProducer>& Producer() const noexcept { return FProducer; }
  // The colour the caption shows in every state.
  TIniColor CaptionColor() const;
  // The scale the caption is drawn at, percent: the theme's "BtnOffset" taken off 100 for a
  // caption with one key point; none otherwise (the caption's own keys then hold).
  std::optional<double> CaptionScale() const;
  // The width the pictures are made at, from the caption as it is now.
  int WantedWidth() const;
  // The picture of each state, made when the slide is built; none without a theme.
  const Ref<TImage>& StatePicture(TButtonState state) const { return FStatePictures[size_t(state)]; }
  // The state whose picture is drawn now.
  TButtonState ShownState() const;

  void PrepareResources(TDeviceDrawer& drawer) override;
  void ReleaseResources() override;
  void DrawSelf(TDeviceDrawer& drawer) override;

protected:
  void AdjustImageSettings(TImageSettings& settings) const override;
  // The theme's height by the width of the pictures; the image's size without a theme.
  TSizeF GetSourceSize() const override;
  // Both scales are relative to the parent's height.
  double FitFactorFor(TSizeF parent_size) const override;
  // The caption may have changed the width since the pictures were made.
  void PreparePlacement() override;

private:
  TButtonPictureName PictureName(TButtonState state) const;
  // The image's parameters for a whole picture at full size, at the button's opacity.
  TImageDrawParams ButtonDrawParams();
  // Makes the three state pictures at the wanted width when they are not made at it yet.
  void AcquireStatePictures();
  void PrepareShadow(TDeviceDrawer& drawer);

  TButtonSettings FButton;
  TTextSettings FText;
  Ref<TButtonProducer> FProducer;
  int FWidth = 0;  // of the state pictures
  std::array<Ref<TImage>, kButtonStateCount> FStatePictures;
  WideString FPicturesName;  // of the normal state's picture, to tell when they are stale
  std::array<TPreparedPicture, kButtonStateCount> FPrepared;
  TShadow FShadow;  // cast by the normal state's outline, the same in every state
};

}  // namespace orv
