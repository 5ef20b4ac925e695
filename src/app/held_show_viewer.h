// A viewer that holds the opened show and keeps the window black: enough to open a show,
// keep it and close the window, before a playback engine draws the slides.
#pragma once

#include "render/device.h"
#include "render/draw_device.h"
#include "show/orv_show_viewer.h"

namespace orv {

class THeldShowViewer : public TOrvShowViewer {
 public:
  explicit THeldShowViewer(TViewerHost& host) : FHost(host) {}

  void Open(Ref<TFileAccessor> accessor, Ref<TIniFile> project, double position) override;
  bool Paused() const override { return FPaused; }
  void SetPaused(bool paused) override { FPaused = paused; }
  void SetPosition(double position) override;
  double Position() const override { return FPosition; }
  void Refresh() override;
  void Close() override;

  const Ref<TIniFile>& Project() const noexcept { return FProject; }

 protected:
  void Dispose() override;

 private:
  // Places the window as the show asks, makes the render device on it and presents the
  // first (black) frame. Runs from the main thread's loop, after the show has opened.
  void PresentFirstFrame();
  void PaintBlack();
  void ReleaseDevice();

  TViewerHost& FHost;
  Ref<TFileAccessor> FAccessor;
  Ref<TIniFile> FProject;
  double FPosition = 0;
  bool FPaused = true;
  bool FClosed = false;
  bool FFramePending = false;
  Ref<TDrawDevice> FDevice;
  Ref<T3DEngine> FEngine;
  Ref<T3DRenderer> FRenderer;
};

}  // namespace orv
