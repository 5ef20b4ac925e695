// Filled rectangles: boxes and frames share their keys and their drawing.
#pragma once

#include "slide/orv_objects.h"
#include "slide/shadow.h"

namespace orv {

struct TBoxSettings {
  TSizeF Size;  // slide units
  int FillCode = kFillSolid;
  TIniColor Color1{0, 0, 0, 255};
  TIniColor Color2{0, 0, 0, 255};
  int Alpha1 = 255;
  int Alpha2 = 255;
  bool Antialiased = false;
  friend bool operator==(const TBoxSettings&, const TBoxSettings&) = default;
};

void ReadBoxSettings(const TIniObject& block, TBoxSettings& settings);

// "Size": two integers, width and height; missing, malformed or negative sides are 0.
TSizeF ReadObjectSize(const TIniObject& block);

class TOrvBox : public TOrvObject {
public:
  using TOrvObject::TOrvObject;

  void LoadParams(const TIniObject& block, bool reuse) override;
  const TBoxSettings& BoxSettings() const noexcept { return FBox; }
  void DrawSelf(TDeviceDrawer& drawer) override;
  void PrepareResources(TDeviceDrawer& drawer) override;
  void ReleaseResources() override;
  // The fill at the current opacity.
  TBoxDrawParams DrawParams() const;

protected:
  TSizeF GetSourceSize() const override { return FBox.Size; }

private:
  void PrepareShadow(TDeviceDrawer& drawer);

  TBoxSettings FBox;
  TShadow FShadow;
};

class TOrvFrame : public TOrvBox {
public:
  using TOrvBox::TOrvBox;
};

}  // namespace orv
