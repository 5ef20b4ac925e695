#include "render/draw_device.h"

#include <algorithm>

#include "platform/platform_window.h"
#include "render/render_errors.h"

namespace orv {

TDrawDevice::TDrawDevice(TPlatformWindow* window) : FWindow(window) { Refresh(); }

void TDrawDevice::Refresh() {
  std::lock_guard lock(FLock);
  if (!FWindow) return;
  FRect = FWindow->ClientRect();
  FFullScreen = FWindow->Mode() == TWindowMode::FullScreen;
  FMonitor = FWindow->DisplayIndex();
}

TRect TDrawDevice::Rect() const {
  std::lock_guard lock(FLock);
  return FRect;
}

bool TDrawDevice::IsFullScreen() const {
  std::lock_guard lock(FLock);
  return FFullScreen;
}

int TDrawDevice::Monitor() const {
  std::lock_guard lock(FLock);
  return FMonitor;
}

bool TDrawDevice::HasWindow() const {
  std::lock_guard lock(FLock);
  return FWindow != nullptr;
}

std::unique_ptr<TGLContext> TDrawDevice::CreateContext() {
  std::lock_guard lock(FLock);
  if (!FWindow) throw ERenderError("No window to draw");
  // The window refusing a context is the renderer failing: callers try again later.
  try {
    return FWindow->CreateGLContext();
  } catch (const EPlatformError& e) {
    throw ERenderError(e.what());
  }
}

void TDrawDevice::AddListener(Ref<TDrawDeviceListener> listener) {
  std::lock_guard lock(FLock);
  FListeners.push_back(std::move(listener));
}

void TDrawDevice::RemoveListener(TDrawDeviceListener* listener) {
  std::lock_guard lock(FLock);
  std::erase_if(FListeners, [listener](const Ref<TDrawDeviceListener>& l) { return l.Get() == listener; });
}

std::vector<Ref<TDrawDeviceListener>> TDrawDevice::ListenersCopy() const {
  std::lock_guard lock(FLock);
  return FListeners;
}

void TDrawDevice::NotifyLost() {
  for (const auto& listener : ListenersCopy()) listener->DeviceLost(*this);
}

void TDrawDevice::NotifyRefresh() {
  for (const auto& listener : ListenersCopy()) listener->DeviceRefresh(*this);
}

void TDrawDevice::Kill() {
  for (const auto& listener : ListenersCopy()) listener->DeviceKilled(*this);
  std::lock_guard lock(FLock);
  FListeners.clear();
  FWindow = nullptr;
}

void TDrawDevice::Dispose() {
  Kill();
  TRefObject::Dispose();
}

}  // namespace orv
