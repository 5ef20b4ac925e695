// Buttons: a picture made from a theme's parts, with a caption text drawn over it.
#pragma once

#include "slide/orv_image.h"

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

class TOrvButton : public TOrvImage {
public:
  using TOrvImage::TOrvImage;

  void LoadParams(const TIniObject& block, bool reuse) override;
  const TButtonSettings& ButtonSettings() const noexcept { return FButton; }
  const TTextSettings& TextSettings() const noexcept { return FText; }
  bool TakesMouseStates() const override { return true; }
  // The button and its caption change their look together.
  void SetMouseState(TMouseState state) override;
  // The first child text object, or none.
  TOrvText* Caption() const;

protected:
  void AdjustImageSettings(TImageSettings& settings) const override { settings.MipLodBias = 0; }

private:
  TButtonSettings FButton;
  TTextSettings FText;
};

}  // namespace orv
