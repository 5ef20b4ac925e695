#include "slide/orv_mask.h"

#include "slide/orv_box.h"

namespace orv {
namespace {

template <class T>
T* LastChildOf(const TOrvObject& parent) {
  const auto children = parent.Children();
  for (auto child = children.rbegin(); child != children.rend(); ++child)
    if (auto* found = dynamic_cast<T*>(child->Get())) return found;
  return nullptr;
}

}  // namespace

void TOrvViewPort::LoadParams(const TIniObject& block, bool reuse) {
  TOrvObject::LoadParams(block, reuse);
  Assign(FViewSize, ReadObjectSize(block));
}

TOrvMaskStencil* TOrvViewPort::Stencil() const { return LastChildOf<TOrvMaskStencil>(*this); }
TOrvMaskContent* TOrvViewPort::Content() const { return LastChildOf<TOrvMaskContent>(*this); }

void TOrvViewPort::DrawContent(TDeviceDrawer& drawer, bool shown) {
  // Children that are not composed are not on screen, so nothing of them can change there.
  for (const Ref<TOrvObject>& child : Children()) child->CommitState(true);
  TOrvMaskStencil* stencil = Stencil();
  TOrvMaskContent* content = Content();
  if (shown && stencil && content) drawer.ComposeMask(*stencil, *content, GetOpacity());
}

TObjectSettings TOrvMaskPart::DefaultSettings() const {
  TObjectSettings settings;
  settings.TranspForClick = true;
  return settings;
}

}  // namespace orv
