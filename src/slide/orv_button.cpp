#include "slide/orv_button.h"

namespace orv {

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

void TOrvButton::LoadParams(const TIniObject& block, bool reuse) {
  TButtonSettings button;
  button.BtnMinWidth = FButton.BtnMinWidth;  // the theme's minimum stays unless the key sets one
  ReadButtonSettings(block, button);
  TTextSettings text;
  ReadTextSettings(block, text);
  Assign(FButton, std::move(button));
  Assign(FText, std::move(text));
  TOrvImage::LoadParams(block, reuse);
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

}  // namespace orv
