// The engine's hold on the render device: the draw manager made on first use over the
// window device, and what the device tells about itself (lost, to be repainted, resized).
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

#include "render/draw_device.h"
#include "render/draw_manager.h"

namespace orv {

class TOrvDrawController : public TRefObject {
public:
  // Bit flags of GetState.
  static constexpr int kUsable = 1;
  static constexpr int kLost = 2;
  static constexpr int kRedraw = 4;
  static constexpr int kWindowActive = 8;

  // Without a device nothing is ever drawn (the engine still keeps time).
  TOrvDrawController(Ref<TDrawDevice> device, Ref<T3DEngine> engine);

  // Makes the draw manager and binds it to the device; again after that it does nothing.
  // On the main thread the renderer is made at once, elsewhere it is posted there.
  void Init();
  void RndLost();
  void DeviceRefresh();
  int GetState();

  // Null before Init or without a device.
  T3DDrawer* Drawer() const noexcept { return FDrawer.Get(); }
  // The device's client rectangle; empty without a device.
  TRect ClientRect() const;
  // Whether the window has the user's attention; unset counts as always.
  std::function<bool()> WindowActive;

protected:
  void Dispose() override;

private:
  class TDeviceKilledMessenger2;

  mutable std::mutex FLock;  // the device reference: the main thread may drop it
  Ref<TDrawDevice> FDevice;
  Ref<T3DEngine> FEngine;
  Ref<T3DDrawer> FDrawer;
  Ref<TDeviceKilledMessenger2> FMessenger;
  std::atomic<bool> FLost{false};
  std::atomic<bool> FRefreshRequested{false};
};

}  // namespace orv
