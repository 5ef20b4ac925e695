#include "show/draw_controller.h"

#include "base/log.h"

namespace orv {

class TOrvDrawController::TDeviceKilledMessenger2 : public TDrawDeviceListener {
public:
  explicit TDeviceKilledMessenger2(TOrvDrawController* controller) : FController(controller) {}
  void DeviceKilled(TDrawDevice&) override {
    if (!FController) return;
    std::lock_guard lock(FController->FLock);
    FController->FDevice.Reset();
  }
  void DeviceRefresh(TDrawDevice&) override {
    if (FController) FController->DeviceRefresh();
  }
  void Detach() { FController = nullptr; }

private:
  TOrvDrawController* FController;
};

TOrvDrawController::TOrvDrawController(Ref<TDrawDevice> device, Ref<T3DEngine> engine)
    : FDevice(std::move(device)), FEngine(std::move(engine)) {
  if (!FDevice) return;
  FMessenger = MakeRef<TDeviceKilledMessenger2>(this);
  FDevice->AddListener(FMessenger);
}

void TOrvDrawController::Init() {
  Ref<TDrawDevice> device;
  {
    std::lock_guard lock(FLock);
    device = FDevice;
  }
  if (FDrawer || !device || !FEngine) return;
  FDrawer = MakeRef<T3DDrawer>(FEngine);
  FDrawer->SetLostHandler([this] { RndLost(); });
  FDrawer->Attach(std::move(device));
}

void TOrvDrawController::RndLost() {
  FLost.store(true);
  Log().Write("TOrvDrawController.RndLost");
}

void TOrvDrawController::DeviceRefresh() {
  FRefreshRequested.store(true);
  Log().Write("TOrvDrawController.DeviceRefresh: DrawDevice Refresh!");
}

TRect TOrvDrawController::ClientRect() const {
  std::lock_guard lock(FLock);
  return FDevice ? FDevice->Rect() : TRect{};
}

int TOrvDrawController::GetState() {
  int state = 0;
  if (!WindowActive || WindowActive()) state |= kWindowActive;
  if (FRefreshRequested.exchange(false)) state |= kRedraw;
  if (FDrawer) {
    const TRect client = ClientRect();
    const TRect screen = FDrawer->GetScreenRect();
    if (client != screen && !(client.IsEmpty() && screen.IsEmpty())) state |= kRedraw;
  }
  if (FLost.load()) state |= kLost;
  if (FDrawer && FDrawer->IsUsable()) {
    state |= kUsable;
    if (FLost.exchange(false)) Log().Write("TOrvDrawController.GetState: Inited, not Reinited");
  }
  return state;
}

void TOrvDrawController::Dispose() {
  Ref<TDrawDevice> device;
  {
    std::lock_guard lock(FLock);
    device = std::move(FDevice);
  }
  if (FMessenger) {
    FMessenger->Detach();
    if (device) device->RemoveListener(FMessenger.Get());
  }
  if (FDrawer) FDrawer->Close();
  FDrawer.Reset();
  TRefObject::Dispose();
}

}  // namespace orv
