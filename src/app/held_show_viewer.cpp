#include "app/held_show_viewer.h"

#include "base/log.h"
#include "platform/main_thread.h"
#include "platform/screen.h"
#include "project/show_options.h"
#include "render/gl/gl_engine.h"

namespace orv {

void THeldShowViewer::Open(Ref<TFileAccessor> accessor, Ref<TIniFile> project, double position) {
  if (FClosed) return;
  FAccessor = std::move(accessor);
  FProject = std::move(project);
  FPosition = position;
  if (FFramePending || FRenderer) return;
  FFramePending = true;
  PostToMainThread([self = Ref<THeldShowViewer>::Share(this)] { self->PresentFirstFrame(); });
}

void THeldShowViewer::SetPosition(double position) {
  if (position >= 0) FPosition = position;
}

void THeldShowViewer::PresentFirstFrame() {
  FFramePending = false;
  if (FClosed || !FProject) return;
  const TShowOptions options = TShowOptions::Read(*FProject);
  if (options.ScreenFull == 1) {
    FHost.PlaceWindow(0, 0, 0);
  } else {
    FHost.PlaceWindow(options.WindowSize.First, options.WindowSize.Second, options.WithoutBorder ? 2 : 1);
  }
  try {
    FDevice = MakeRef<TDrawDevice>(&FHost.Window());
    FEngine = CreateEngineGL();
    FRenderer = FEngine->CreateRenderer(*FDevice);
    PaintBlack();
    Log().Write("First frame presented");
  } catch (const Exception& e) {
    // The window still shows; only its painting is lost.
    Log().Write(std::string("The window cannot be drawn: ") + e.what());
    ReleaseDevice();
  }
  FHost.ShowWindow();
}

// Only the main thread draws with this renderer, so its context is always free here.
void THeldShowViewer::PaintBlack() {
  if (!FRenderer) return;
  FRenderer->BeginUse();
  int width = 0, height = 0;
  FRenderer->BackBufferSize(width, height);
  FRenderer->SetRenderTarget(nullptr);
  FRenderer->SetViewport(RectOfSize(width, height));
  FRenderer->Clear(MakeColor(0, 0, 0));
  FRenderer->Present();
  FRenderer->EndUse();
}

void THeldShowViewer::Refresh() {
  if (FDevice) FDevice->Refresh();
  PaintBlack();
}

void THeldShowViewer::ReleaseDevice() {
  FRenderer.Reset();
  FEngine.Reset();
  if (FDevice) FDevice->Kill();
  FDevice.Reset();
}

void THeldShowViewer::Close() {
  FClosed = true;
  ReleaseDevice();
  FAccessor.Reset();
  FProject.Reset();
}

void THeldShowViewer::Dispose() {
  Close();
  TOrvShowViewer::Dispose();
}

}  // namespace orv
