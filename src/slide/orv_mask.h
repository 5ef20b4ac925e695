// Mask containers: a viewport shows its content subtree through its stencil subtree.
#pragma once

#include "slide/orv_objects.h"

namespace orv {

class TOrvMaskStencil;
class TOrvMaskContent;

class TOrvViewPort : public TOrvObject {
public:
  using TOrvObject::TOrvObject;

  void LoadParams(const TIniObject& block, bool reuse) override;
  // The last stencil and the last content child; none when missing.
  TOrvMaskStencil* Stencil() const;
  TOrvMaskContent* Content() const;
  // The viewport's opacity is applied once, when the drawer composes the mask.
  float OpacityForChildren() const override { return 100; }

protected:
  TSizeF GetSourceSize() const override { return FViewSize; }
  // Instead of its children, the drawer gets content through stencil.
  void DrawContent(TDeviceDrawer& drawer, bool shown) override;

private:
  TSizeF FViewSize;
};

// The two parts of a viewport take its size and let clicks through unless told otherwise.
class TOrvMaskPart : public TOrvObject {
public:
  using TOrvObject::TOrvObject;

protected:
  TObjectSettings DefaultSettings() const override;
  TSizeF GetSourceSize() const override { return GetParentSize(); }
};

class TOrvMaskStencil : public TOrvMaskPart {
public:
  using TOrvMaskPart::TOrvMaskPart;
};

class TOrvMaskContent : public TOrvMaskPart {
public:
  using TOrvMaskPart::TOrvMaskPart;
};

}  // namespace orv
