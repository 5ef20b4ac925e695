// The window surface that a renderer draws into, and the listeners that hear about it.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "base/rect.h"
#include "base/ref_object.h"

namespace orv {

class TDrawDevice;
class TPlatformWindow;
class TGLContext;

// Hears what happens to a window device. Called on the main thread.
class TDrawDeviceListener : public TRefObject {
public:
  // The window device is going away: drop every reference to it.
  virtual void DeviceKilled(TDrawDevice&) {}
  // The window's drawing surface was replaced: everything made on the old one is gone.
  virtual void DeviceLost(TDrawDevice&) {}
  // The window must be painted again.
  virtual void DeviceRefresh(TDrawDevice&) {}
};

// A window to draw into: its client rectangle, full-screen flag and monitor, as last
// reported by the main thread. The platform window belongs to whoever made it (the main
// form); it must outlive this device or call Kill first.
class TDrawDevice : public TRefObject {
public:
  explicit TDrawDevice(TPlatformWindow* window);

  // Reads the window's rectangle, full-screen state and monitor again (main thread).
  void Refresh();
  TRect Rect() const;
  bool IsFullScreen() const;
  int Monitor() const;
  bool HasWindow() const;

  // A new GL context on the window, current on the calling thread (main thread). Raises
  // ERenderError when the window has none to give.
  std::unique_ptr<TGLContext> CreateContext();

  void AddListener(Ref<TDrawDeviceListener> listener);
  void RemoveListener(TDrawDeviceListener* listener);
  // The window was re-created or its context lost: tell every listener.
  void NotifyLost();
  void NotifyRefresh();
  // The window goes away: tell every listener, then forget the window.
  void Kill();

protected:
  void Dispose() override;

private:
  std::vector<Ref<TDrawDeviceListener>> ListenersCopy() const;

  mutable std::mutex FLock;
  TPlatformWindow* FWindow;
  TRect FRect;
  bool FFullScreen = false;
  int FMonitor = 0;
  std::vector<Ref<TDrawDeviceListener>> FListeners;
};

}  // namespace orv
