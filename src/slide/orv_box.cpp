#include "slide/orv_box.h"

#include <algorithm>
#include <cmath>

#include "slide/object_drawing.h"

namespace orv {

TSizeF ReadObjectSize(const TIniObject& block) {
  const TIntPair size = ReadIntPair(block.FindKey("Size"), {0, 0});
  return {float(std::max(0, size.First)), float(std::max(0, size.Second))};
}

void ReadBoxSettings(const TIniObject& block, TBoxSettings& s) {
  static constexpr int kFillCodes[] = {kFillSolid, kFillHGradient, kFillVGradient, kFillTLBRGradient, kFillTRBLGradient};
  const int fill = ReadChoice(block.FindKey("FillMode"), {"Solid", "HGradient", "VGradient", "TLBRGradient", "TRBLGradient"}, 0, true);
  s.Size = ReadObjectSize(block);
  s.FillCode = kFillCodes[fill];
  s.Color1 = ReadColor(block.FindKey("Color1"), s.Color1);
  s.Color2 = ReadColor(block.FindKey("Color2"), s.Color2);
  s.Alpha1 = std::clamp(ReadInteger(block.FindKey("Alpha1"), s.Alpha1), 0, 255);
  s.Alpha2 = std::clamp(ReadInteger(block.FindKey("Alpha2"), s.Alpha2), 0, 255);
  s.Antialiased = ReadBool(block.FindKey("Antialiased"), s.Antialiased);
}

void TOrvBox::LoadParams(const TIniObject& block, bool reuse) {
  TOrvObject::LoadParams(block, reuse);
  TBoxSettings box;
  ReadBoxSettings(block, box);
  Assign(FBox, box);
}

TBoxDrawParams TOrvBox::DrawParams() const {
  TBoxDrawParams params;
  params.Antialias.fill(FBox.Antialiased);
  params.FillCode = FBox.FillCode;
  params.Color1 = ColorOf(FBox.Color1, FBox.Alpha1);
  params.Color2 = FBox.FillCode == kFillSolid ? params.Color1 : ColorOf(FBox.Color2, FBox.Alpha2);
  params.Opacity = GetOpacity();
  return params;
}

void TOrvBox::PrepareResources(TDeviceDrawer& drawer) {
  PrepareShadow(drawer);
  TOrvObject::PrepareResources(drawer);
}

void TOrvBox::ReleaseResources() {
  FShadow.Release();
  TOrvObject::ReleaseResources();
}

void TOrvBox::PrepareShadow(TDeviceDrawer& drawer) {
  const TShadowSettings& shadow = Settings().Shadow;
  const TShadowParams params = RectangleShadowParams(FBox.Size, FBox.FillCode, FBox.Alpha1, FBox.Alpha2, shadow);
  FShadow.Prepare(drawer, GetHost(), shadow, params, std::sqrt(FBox.Size.Width * FBox.Size.Height));
}

void TOrvBox::DrawSelf(TDeviceDrawer& drawer) {
  if (!(FSize.Width > 0 && FSize.Height > 0)) return;
  const TQuadFrame quad = QuadOf(Placement().Frame, LocalRect());
  // The shadow lies below the box; it is made here when the box was not prepared.
  if (Settings().Shadow.Enable && !FShadow.Picture()) PrepareShadow(drawer);
  FShadow.Draw(drawer, quad, FSize, Settings().Shadow, GetOpacity());
  drawer.DrawBox(quad, DrawParams());
}

}  // namespace orv
