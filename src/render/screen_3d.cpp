#include "render/screen_3d.h"

#include "base/assertions.h"
#include "base/log.h"
#include "platform/main_thread.h"
#include "platform/platform_window.h"
#include "render/drawing_lock.h"
#include "render/render_errors.h"

namespace orv {

namespace {

std::string RectText(const TRect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom);
}

const char* OkText(bool ok) { return ok ? "True" : "False"; }

}  // namespace

// ---- TCustomTexture ----

TCustomTexture::TCustomTexture(T3DScreen& screen, TTextureKind kind, int width, int height, TTextureFormat format)
    : FLink(screen.Link()), FKind(kind), FWidth(width), FHeight(height), FFormat(format) {
  std::lock_guard lock(FLink->Lock);
  FLink->Textures.push_back(this);
}

void TCustomTexture::Dispose() {
  {
    std::lock_guard lock(FLink->Lock);
    std::erase(FLink->Textures, this);
  }
  ReleaseDeviceTexture();
  TRefObject::Dispose();
}

void TCustomTexture::ReleaseDeviceTexture() {
  FTexture.Reset();
  FSurface.Reset();
  FContentValid = false;
}

bool TCustomTexture::Realize() {
  T3DScreen* screen = FLink->Screen;
  if (!screen || !screen->HasRenderer()) return false;
  if (FGeneration != screen->Generation()) ReleaseDeviceTexture();
  try {
    if (!HasDeviceTexture()) {
      if (IsRenderTarget())
        FSurface = screen->CreateRenderTarget(*this);
      else
        FTexture = screen->CreateTexture(FWidth, FHeight, FFormat);
      FGeneration = screen->Generation();
    }
    if (FTexture && !FContentValid) {
      UploadContent(*FTexture);
      FContentValid = true;
    }
  } catch (const Exception& e) {
    Log().Write(e.what());
    ReleaseDeviceTexture();
  }
  return HasDeviceTexture();
}

T3DTexture* TCustomTexture::DeviceTexture() {
  if (!Realize()) return nullptr;
  return FTexture ? FTexture.Get() : &FSurface->Texture();
}

T3DSurface* TCustomTexture::Surface() { return Realize() ? FSurface.Get() : nullptr; }

// ---- TVertexBuffer ----

void TVertexBuffer::AddQuad(const T3DVertex& a, const T3DVertex& b, const T3DVertex& c, const T3DVertex& d) {
  FVertices.insert(FVertices.end(), {a, b, c, a, c, d});
}

// ---- TDeviceKilledMessenger ----

void TDeviceKilledMessenger::DeviceKilled(TDrawDevice&) {
  if (FScreen) FScreen->DeviceKilled();
}

void TDeviceKilledMessenger::DeviceLost(TDrawDevice&) {
  if (FScreen) FScreen->DeviceLost();
}

// ---- T3DScreen ----

T3DScreen::T3DScreen(Ref<T3DEngine> engine) : FEngine(std::move(engine)), FLink(MakeRef<TScreenLink>()) {
  FLink->Screen = this;
}

void T3DScreen::Dispose() {
  Close();
  {
    std::lock_guard lock(FLink->Lock);
    FLink->Screen = nullptr;
  }
  TRefObject::Dispose();
}

void T3DScreen::Attach(Ref<TDrawDevice> device) {
  ORV_ASSERT(device, "DrawDevice=nil");
  TDrawingLock lock(this);
  Close();
  FDevice = std::move(device);
  FMessenger = MakeRef<TDeviceKilledMessenger>(this);
  FDevice->AddListener(FMessenger);
  FollowWindow();
  RequestRenderer();
}

void T3DScreen::Close() {
  TDrawingLock lock(this);
  ReleaseRenderer();
  if (FMessenger) FMessenger->Detach();
  if (FDevice && FMessenger) FDevice->RemoveListener(FMessenger.Get());
  FMessenger.Reset();
  FDevice.Reset();
}

bool T3DScreen::IsUsable() {
  TDrawingLock lock;
  return FRenderer && FRenderer->IsUsable();
}

void T3DScreen::RequestRenderer() {
  if (FRenderer || !FDevice) return;
  if (!EngineSettings().MainThreadDevices || IsMainThread()) {
    CreateRenderer();
    return;
  }
  if (FCreationPosted) return;
  FCreationPosted = true;
  PostToMainThread([screen = Ref<T3DScreen>::Share(this)] {
    TDrawingLock lock(screen.Get());
    screen->FCreationPosted = false;
    screen->RequestRenderer();
  });
}

void T3DScreen::CreateRenderer() {
  try {
    FRenderer = FEngine->CreateRenderer(*FDevice);
  } catch (const ERenderError& e) {
    Log().Write(e.what());
    return;
  }
  ++FGeneration;
  // The new context is current here; inside a drawing-lock scope of this thread it stays
  // so for the scope (and after it when the scope keeps it).
  if (FUser == std::this_thread::get_id() && FUseDepth > 0) {
    FBusy = false;
    return;
  }
  FRenderer->EndUse();
}

void T3DScreen::ReleaseRenderer() {
  if (!FRenderer) return;
  {
    std::lock_guard lock(FLink->Lock);
    for (TCustomTexture* texture : FLink->Textures) texture->ReleaseDeviceTexture();
  }
  FShaders.clear();
  FTargets.clear();
  FRenderer.Reset();
}

void T3DScreen::BeginUse(bool keep) {
  ORV_ASSERT(TDrawingLock::IsHeld(), "T3DScreen.BeginUse without the drawing lock");
  if (FUseDepth > 0 && FUser == std::this_thread::get_id()) {
    ++FUseDepth;
    return;
  }
  FUser = std::this_thread::get_id();
  FUseDepth = 1;
  FKeep = keep;
  FBusy = false;
  if (FRenderer) {
    TakeContext();
  } else {
    // The renderer this thread drew with may have been released by another thread.
    LetGoOfDeletedContext();
  }
}

void T3DScreen::TakeContext() {
  if (FRenderer->BeginUse()) return;
  Log().Write("T3DScreen: the context is kept by another thread, frame skipped");
  FBusy = true;
  FHandoverWanted = true;
}

void T3DScreen::EndUse() {
  if (--FUseDepth > 0) return;
  if (FRenderer && !FBusy && (!FKeep || FHandoverWanted)) {
    FRenderer->EndUse();
    FHandoverWanted = false;
  }
  FUser = {};
}

void T3DScreen::FollowWindow() {
  const TRect rect = FDevice->Rect();
  const int monitor = FDevice->Monitor();
  const bool full = FDevice->IsFullScreen();
  if (rect != FWindowRect || monitor != FMonitor || full != FFullScreen) {
    // A GL context lives on across size, monitor and mode changes: only the back buffer
    // follows, so textures stay where they are.
    if (FMonitor >= 0) Log().Write("T3DScreen.BeginScene, R= " + RectText(rect));
    FWindowRect = rect;
    FMonitor = monitor;
    FFullScreen = full;
  }
}

bool T3DScreen::BeginScene() {
  if (!FDevice) return false;
  FollowWindow();
  RequestRenderer();
  if (!FRenderer || FBusy) return false;
  if (!FRenderer->IsUsable()) {
    DeviceLost();
    return false;
  }
  int width = 0, height = 0;
  FRenderer->BackBufferSize(width, height);
  FRect = RectOfSize(width, height);
  FTargets.clear();
  PushTarget(nullptr, FRect);
  return true;
}

void T3DScreen::Present() {
  if (FRenderer) FRenderer->Present();
}

T3DShader* T3DScreen::Shader(const std::string& name) {
  if (!FRenderer) return nullptr;
  auto [it, added] = FShaders.try_emplace(name);
  if (added) {
    try {
      it->second = FRenderer->CreateShader(name);
    } catch (const ERenderError& e) {
      Log().Write(e.what());
    }
  }
  return it->second.Get();
}

void T3DScreen::ApplyTarget(const TTarget& target) {
  FRenderer->SetRenderTarget(target.Surface.Get());
  FRenderer->SetViewport(target.Area);
  FRenderer->SetCamera(target.Area.Width(), target.Area.Height());
  FRenderer->SetClip(target.Clip);
}

void T3DScreen::PushTarget(T3DSurface* target, const TRect& area, const TRect& clip) {
  FTargets.push_back({Ref<T3DSurface>::Share(target), area, clip});
  ApplyTarget(FTargets.back());
}

void T3DScreen::PushMovedView(TPoint offset, const TRect& clip) {
  ORV_ASSERT(!FTargets.empty(), "T3DScreen.PushMovedView outside a frame");
  const TTarget& current = FTargets.back();
  PushTarget(current.Surface.Get(), OffsetRect(current.Area, offset.X, offset.Y), clip);
}

void T3DScreen::PopTarget() {
  ORV_ASSERT(FTargets.size() > 1, "T3DScreen.PopTarget without a target");
  FTargets.pop_back();
  ApplyTarget(FTargets.back());
}

Ref<T3DTexture> T3DScreen::CreateTexture(int width, int height, TTextureFormat format) {
  ORV_ASSERT(FRenderer, "T3DScreen.CreateTexture without a device");
  return FRenderer->CreateTexture(width, height, format);
}

Ref<T3DSurface> T3DScreen::CreateRenderTarget(TCustomTexture& owner) {
  ORV_ASSERT(FRenderer, "T3DScreen.CreateRenderTarget without a device");
  return CreateWithRecovery(owner);
}

Ref<T3DSurface> T3DScreen::CreateWithRecovery(TCustomTexture& owner) {
  const bool alpha = owner.Kind() == TTextureKind::RenderTargetAlpha;
  const auto attempt = [&]() -> Ref<T3DSurface> {
    try {
      return FRenderer->CreateRenderTarget(owner.Width(), owner.Height(), alpha);
    } catch (const EOutOfVideoMemory&) {
      return nullptr;
    }
  };
  Ref<T3DSurface> surface = attempt();
  Log().Write(std::string("Rt Create First Attempt Ok= ") + OkText(bool(surface)));
  if (surface) return surface;

  // Make room: release the newer half of the other plain and dynamic textures, then a
  // quarter, and so on; they are made again when next drawn.
  std::lock_guard lock(FLink->Lock);
  std::vector<TCustomTexture*> others;
  for (TCustomTexture* t : FLink->Textures)
    if (t != &owner && !t->IsRenderTarget() && t->HasDeviceTexture()) others.push_back(t);
  const int count = int(others.size());
  Log().Write("tmpTexListcount= " + std::to_string(count));
  for (int pass = 1; pass < 31 && (1 << (pass - 1)) < count && !surface; ++pass) {
    const int from = (count >> (pass - 1)) - 1;
    const int to = count >> pass;
    for (int i = from; i >= to; --i) others[i]->ReleaseDeviceTexture();
    surface = attempt();
    Log().Write("Released Managed Texs from " + std::to_string(from) + " to " + std::to_string(to) + " pass " +
                std::to_string(pass) + " Ok= " + OkText(bool(surface)));
  }
  if (!surface) throw EOutOfVideoMemory("Out of video memory for a render target");
  return surface;
}

void T3DScreen::DeviceLost() {
  TDrawingLock lock(this);
  Log().Write("T3DRenderer9: DEVICE LOST!");
  ReleaseRenderer();
  if (FOnLost) FOnLost();
}

void T3DScreen::DeviceKilled() {
  TDrawingLock lock(this);
  ReleaseRenderer();
  if (FMessenger) FMessenger->Detach();
  FMessenger.Reset();
  FDevice.Reset();
}

}  // namespace orv
