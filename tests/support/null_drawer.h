// A drawer that draws nothing: items walk their drawing logic through it (placing,
// choosing what to draw) without any device. Tests and benchmarks derive from it to
// record or count the calls they care about.
#pragma once

#include "render/device_drawer.h"
#include "render/video_surface.h"

namespace orv::test {

class TNullDrawer : public TDeviceDrawer {
public:
  explicit TNullDrawer(TRect screen) : FScreen(screen) {}

  bool IsUsable() override { return true; }
  void SetFrameRect(const TRect&) override {}
  TRect GetScreenRect() override { return FScreen; }
  int ShaderLevel() override { return 2; }
  void PrepareImage(TImage&, const TImageDrawParams&) override {}
  void ReleaseImage(TImage&) override {}
  void Clear(TColor32) override {}
  void SetViewport(const TRect&) override {}
  bool DrawRoot(TDrawItem& root) override {
    root.Draw(*this);
    return true;
  }
  void DrawTransition(TDrawItem*, TDrawItem*, TFilterParams*) override {}
  Ref<TImage> CaptureImage(TDrawItem&, TCaptureArea) override { return nullptr; }
  void DrawImage(TImage&, const TQuadFrame&, const TRectF&, const TImageDrawParams&) override {}
  void DrawBox(const TQuadFrame&, const TBoxDrawParams&) override {}
  void DrawBorder(const TQuadFrame&, float, float, TColor32, float, bool) override {}
  void DrawVideo(T3DYUV&, const TQuadFrame&, const TVideoDrawParams&) override {}
  void ComposeMask(TDrawItem&, TDrawItem&, float) override {}
  Ref<T3DYUV> CreateVideoSurface(int, int, bool) override { return nullptr; }

private:
  TRect FScreen;
};

}  // namespace orv::test
