// The screen layer: one drawing target with its renderer, camera and viewport, the
// device objects made on it, and what keeps them alive across device loss.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/rect.h"
#include "base/ref_object.h"
#include "render/device.h"
#include "render/draw_device.h"

namespace orv {

class T3DScreen;
class TCustomTexture;

// What textures keep of their screen: the screen may go first.
class TScreenLink : public TRefObject {
public:
  std::mutex Lock;
  T3DScreen* Screen = nullptr;
  std::vector<TCustomTexture*> Textures;  // in creation order
};

enum class TTextureKind : std::uint8_t {
  Managed = 0,            // a picture's pixels, uploaded from its content
  RenderTarget = 1,       // drawn into, without alpha
  RenderTargetAlpha = 2,  // drawn into, with alpha
  Dynamic = 3,            // refilled often (video planes)
};

// A texture that survives device loss: the device texture is made on demand, and made and
// filled again after the device was lost or the texture released to make room.
class TCustomTexture : public TRefObject {
public:
  TCustomTexture(T3DScreen& screen, TTextureKind kind, int width, int height,
                 TTextureFormat format = TTextureFormat::BGRA8);

  TTextureKind Kind() const { return FKind; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool IsRenderTarget() const { return FKind == TTextureKind::RenderTarget || FKind == TTextureKind::RenderTargetAlpha; }

  // The device texture, made and filled when needed; null when it cannot be made now
  // (logged). Call with the drawing lock held.
  T3DTexture* DeviceTexture();
  // The render-target surface (render-target kinds only); null like above.
  T3DSurface* Surface();
  bool HasDeviceTexture() const { return FTexture || FSurface; }
  // Frees the device texture; it is made again on next use.
  void ReleaseDeviceTexture();
  // The content changed: it is uploaded again on next use.
  void Reload() { FContentValid = false; }

protected:
  // Fills a plain or dynamic texture from the content it stands for.
  virtual void UploadContent(T3DTexture&) {}
  void Dispose() override;

private:
  friend class T3DScreen;
  bool Realize();

  Ref<TScreenLink> FLink;
  TTextureKind FKind;
  int FWidth;
  int FHeight;
  TTextureFormat FFormat;
  Ref<T3DTexture> FTexture;
  Ref<T3DSurface> FSurface;
  unsigned FGeneration = 0;
  bool FContentValid = false;
};

// Vertices collected for one draw call.
class TVertexBuffer {
public:
  void Add(const T3DVertex& v) { FVertices.push_back(v); }
  // Two triangles over the quad a b c d (in order round it).
  void AddQuad(const T3DVertex& a, const T3DVertex& b, const T3DVertex& c, const T3DVertex& d);
  const T3DVertex* Data() const { return FVertices.data(); }
  int Count() const { return int(FVertices.size()); }
  void Clear() { FVertices.clear(); }

private:
  std::vector<T3DVertex> FVertices;
};

// Relays what happens to the window device to its screen.
class TDeviceKilledMessenger : public TDrawDeviceListener {
public:
  explicit TDeviceKilledMessenger(T3DScreen* screen) : FScreen(screen) {}
  void DeviceKilled(TDrawDevice& device) override;
  void DeviceLost(TDrawDevice& device) override;
  void Detach() { FScreen = nullptr; }

private:
  T3DScreen* FScreen;
};

class T3DScreen : public TRefObject {
public:
  explicit T3DScreen(Ref<T3DEngine> engine);

  T3DEngine& Engine() const { return *FEngine; }
  // Binds the screen to a window device and makes the renderer. On another thread than
  // the main one the creation is posted to the main thread.
  void Attach(Ref<TDrawDevice> device);
  // Frees the renderer and every device object made on it.
  void Close();
  bool IsUsable();
  // Start of a frame, drawing lock held: follows window changes, makes sure a renderer
  // exists, and sets the back buffer as target with the camera and the full viewport.
  // False when nothing can be drawn now.
  bool BeginScene();
  void Present();

  // The back buffer's rectangle (0, 0, width, height).
  TRect Rect() const { return FRect; }
  T3DRenderer& Renderer() const { return *FRenderer; }
  bool HasRenderer() const { return bool(FRenderer); }
  // Counts the renderers made so far: device objects of an older one are gone.
  unsigned Generation() const { return FGeneration; }
  // A named shader of the current renderer, made on first use; null when it does not build.
  T3DShader* Shader(const std::string& name);

  // Told when the device was lost.
  void SetLostHandler(std::function<void()> handler) { FOnLost = std::move(handler); }

  // Makes the context current on this thread for the span of a drawing-lock scope; with
  // `keep` the thread keeps it afterwards (see drawing_lock.h).
  void BeginUse(bool keep);
  void EndUse();

  // Draw into `target` (null = back buffer) over `area` with the screen's camera, held
  // within `clip` (target pixels; empty: the whole area).
  void PushTarget(T3DSurface* target, const TRect& area, const TRect& clip = {});
  // Draw into the current target as before, but moved by `offset` pixels and held within
  // `clip` (target pixels).
  void PushMovedView(TPoint offset, const TRect& clip);
  void PopTarget();
  // The area of the target drawn into now; the camera shows it as (0, 0, width, height).
  TRect TargetArea() const { return FTargets.empty() ? FRect : FTargets.back().Area; }

  // Device textures for TCustomTexture; render targets go through memory recovery.
  Ref<T3DTexture> CreateTexture(int width, int height, TTextureFormat format);
  Ref<T3DSurface> CreateRenderTarget(TCustomTexture& owner);

  const Ref<TScreenLink>& Link() const { return FLink; }

  // From the window device's listener.
  void DeviceLost();
  void DeviceKilled();

protected:
  void Dispose() override;

private:
  struct TTarget {
    Ref<T3DSurface> Surface;
    TRect Area;
    TRect Clip;
  };
  void CreateRenderer();
  void RequestRenderer();
  void ReleaseRenderer();
  void FollowWindow();
  void TakeContext();
  void ApplyTarget(const TTarget& target);
  std::vector<Ref<TCustomTexture>> ReleasableTextures(const TCustomTexture& except);
  Ref<T3DSurface> CreateWithRecovery(TCustomTexture& owner);

  Ref<T3DEngine> FEngine;
  Ref<TDrawDevice> FDevice;
  Ref<TDeviceKilledMessenger> FMessenger;
  Ref<T3DRenderer> FRenderer;
  Ref<TScreenLink> FLink;
  std::map<std::string, Ref<T3DShader>> FShaders;
  std::vector<TTarget> FTargets;
  std::function<void()> FOnLost;
  TRect FRect;
  TRect FWindowRect;
  int FMonitor = -1;
  bool FFullScreen = false;
  unsigned FGeneration = 0;
  bool FCreationPosted = false;
  std::thread::id FUser;
  int FUseDepth = 0;
  bool FKeep = false;
  // Another thread keeps the context: nothing is drawn in this scope.
  bool FBusy = false;
  bool FHandoverWanted = false;
};

// Draws into a render target for the span of a scope, then returns to the previous one.
class TRenderTargetWrapper {
public:
  TRenderTargetWrapper(T3DScreen& screen, T3DSurface* target, const TRect& area, const TRect& clip = {})
      : FScreen(screen) {
    FScreen.PushTarget(target, area, clip);
  }
  ~TRenderTargetWrapper() { FScreen.PopTarget(); }
  TRenderTargetWrapper(const TRenderTargetWrapper&) = delete;
  TRenderTargetWrapper& operator=(const TRenderTargetWrapper&) = delete;

private:
  T3DScreen& FScreen;
};

// Draws moved and clipped for the span of a scope (see T3DScreen::PushMovedView).
class TMovedView {
public:
  TMovedView(T3DScreen& screen, TPoint offset, const TRect& clip) : FScreen(screen) {
    FScreen.PushMovedView(offset, clip);
  }
  ~TMovedView() { FScreen.PopTarget(); }
  TMovedView(const TMovedView&) = delete;
  TMovedView& operator=(const TMovedView&) = delete;

private:
  T3DScreen& FScreen;
};

}  // namespace orv
