#include "show/engine_viewer.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "base/assertions.h"
#include "base/log.h"
#include "project/show_options.h"
#include "render/gl/gl_engine.h"
#include "show/engine.h"

namespace orv {
namespace {

constexpr int kMinSide = 10;

TOrvActionInfo ActionOf(const TOrvEventData& data) {
  TOrvActionInfo action{std::uint8_t(data.Integers[0]), data.Integers[1], {}};
  if (const auto* text = dynamic_cast<const TStrValue*>(data.Object.Get())) action.Text = text->Value;
  return action;
}

// The viewer of the engine. Every call comes on the main thread; the engine answers
// through the channel, also on the main thread.
class TEngineShowViewer : public TOrvShowViewer {
public:
  TEngineShowViewer(TViewerHost& host, TShowViewerSettings settings, Ref<TFrameClock> clock, Ref<TFrameSink> sink,
                    TIntPair size)
      : FHost(host), FSettings(settings), FClock(std::move(clock)), FSink(std::move(sink)), FSize(size) {}

  void Open(Ref<TFileAccessor> accessor, Ref<TIniFile> project, double position) override;
  bool Paused() const override { return FPaused; }
  void SetPaused(bool paused) override;
  void SetPosition(double position) override;
  double Position() const override { return FPosition; }
  void Refresh() override;
  void SetWindowActive(bool active) override { FWindowActive->store(active); }
  void Close() override;
  void MouseEvent(TMouseEvent event, int x, int y, std::uint8_t buttons, TMouseButton button,
                  std::optional<TOrvActionInfo> action) override;
  bool PointerOverAction() const override { return FEngine && FEngine->PointerOverAction(); }
  bool PointerOverPanel() const override { return FEngine && FEngine->PointerOverPanel(); }
  void ShowHelp() override { PostToRunningEngine(engine_event::kHelp); }
  void CaptureFrame() override { PostToRunningEngine(engine_event::kCapture); }
  void ShowWindowDialog(Ref<TImage> picture, const TRect& place) override {
    PostToRunningEngine(engine_event::kWindowDialog, MakeRef<TWindowDialogData>(std::move(picture), place));
  }
  void CloseDialog() override { PostToRunningEngine(engine_event::kCloseDialog); }
  bool DialogShown() const override { return FEngine && FEngine->DialogShown(); }
  bool StoppedAtBarrier() const override { return FEngine && FEngine->StoppedAtBarrier(); }
  void ReleaseBarrier() override {
    if (FEngine) FEngine->ReleaseBarrier();
  }

protected:
  void Dispose() override {
    Close();
    TOrvShowViewer::Dispose();
  }

private:
  bool Offscreen() const noexcept { return bool(FSink); }
  void CreateEngine(const TShowOptions& options);
  Ref<TOrvDrawController> CreateController();
  void PlaceWindow(const TShowOptions& options);
  void ConnectChannel();
  void HandleEvent(TOrvEventData& data);
  void HandlePosition(int time, bool ended);
  void PostToRunningEngine(int code, Ref<TRefObject> data = {});

  TViewerHost& FHost;
  TShowViewerSettings FSettings;
  Ref<TFrameClock> FClock;
  Ref<TFrameSink> FSink;
  TIntPair FSize;
  Ref<TEngineChannel> FChannel = MakeRef<TEngineChannel>();
  Ref<TDrawDevice> FDevice;
  std::unique_ptr<TOrvEngine> FEngine;
  bool FPaused = true;
  double FPosition = 0;
  int FTotal = 0;
  bool FClosed = false;
  // Read by the engine thread through its draw controller.
  std::shared_ptr<std::atomic<bool>> FWindowActive = std::make_shared<std::atomic<bool>>(true);
};

void TEngineShowViewer::Open(Ref<TFileAccessor> accessor, Ref<TIniFile> project, double position) {
  if (FClosed) return;
  // The engine works on its own copies: the window keeps its project and may change it.
  accessor = accessor->Clone();
  if (Ref<TIniFile> copy = CopyOf(*project)) project = std::move(copy);
  const TShowOptions options = TShowOptions::Read(*project);
  if (!FEngine) CreateEngine(options);
  FPosition = position;
  if (FEngine->Running()) {
    Ref<TOpenParams> request = MakeRef<TOpenParams>();
    request->RequestId = FEngine->NewRequestId();
    request->Accessor = std::move(accessor);
    request->Project = std::move(project);
    request->Position = int(std::lround(position));
    FEngine->Events().Post(engine_event::kOpen, std::move(request));
    return;
  }
  FEngine->Open(std::move(accessor), std::move(project), position);
  FEngine->Start();
}

void TEngineShowViewer::CreateEngine(const TShowOptions& options) {
  PlaceWindow(options);
  TOrvEngineSettings settings;
  settings.Cover = FSettings.Cover;
  settings.Clock = FClock;
  settings.Sink = FSink;
  Ref<TOrvDrawController> controller = CreateController();
  controller->WindowActive = [active = FWindowActive] { return active->load(); };
  FEngine = std::make_unique<TOrvEngine>(FChannel, std::move(controller), std::move(settings));
  FEngine->SetInitialPaused(FPaused);
  FEngine->EnableEndActions(true);
  ConnectChannel();
}

// A window that cannot be drawn in still shows (black); an off-screen run ends with the
// reason once it finds no renderer.
Ref<TOrvDrawController> TEngineShowViewer::CreateController() {
  try {
    FDevice = MakeRef<TDrawDevice>(&FHost.Window());
    FDevice->Refresh();
    Ref<TOrvDrawController> controller = MakeRef<TOrvDrawController>(FDevice, CreateEngineGL());
    controller->Init();
    return controller;
  } catch (const Exception& e) {
    Log().Write(std::string("The window cannot be drawn: ") + e.what());
    if (FDevice) FDevice->Kill();
    FDevice.Reset();
    if (!Offscreen()) FHost.ShowWindow();
    return MakeRef<TOrvDrawController>(nullptr, nullptr);
  }
}

// At once, as the engine would ask when it opens: the device must have its size before
// the first slides are built for it.
void TEngineShowViewer::PlaceWindow(const TShowOptions& options) {
  if (Offscreen()) {
    FHost.PlaceWindow(std::max(FSize.First, kMinSide), std::max(FSize.Second, kMinSide), 2);
  } else if (options.ScreenFull == 1) {
    FHost.PlaceWindow(0, 0, 0);
  } else {
    FHost.PlaceWindow(options.WindowSize.First, options.WindowSize.Second, options.WithoutBorder ? 2 : 1);
  }
}

void TEngineShowViewer::ConnectChannel() {
  FChannel->OnFirstFrame = [this] {
    if (!Offscreen()) FHost.ShowWindow();
  };
  FChannel->OnPosition = [this](int time, bool ended, int total) {
    FTotal = total;
    HandlePosition(time, ended);
  };
  FChannel->OnEvent = [this](TOrvEventData& data) { HandleEvent(data); };
}

void TEngineShowViewer::HandlePosition(int time, bool ended) {
  FPosition = time;
  if (!Offscreen()) FHost.OnPosition(time, ended);
}

void TEngineShowViewer::HandleEvent(TOrvEventData& data) {
  switch (data.Code) {
    case engine_notification::kWindowMode:
      if (Offscreen() || data.Integers.size() != 3) return;
      FHost.PlaceWindow(data.Integers[0], data.Integers[1], data.Integers[2]);
      if (FDevice) FDevice->Refresh();
      break;
    case engine_notification::kOffscreenEnded:
      FHost.EndProgram(data.Integers.empty() || data.Integers[0] == 0 ? kOffscreenDone : kOffscreenFailed);
      break;
    case engine_notification::kAction:
      if (data.Integers.size() == 2) FHost.OnAction(ActionOf(data));
      break;
    case engine_notification::kImage:
      if (!Offscreen()) FHost.OnImage(Ref<TImage>::Share(dynamic_cast<TImage*>(data.Object.Get())));
      break;
    default:
      break;
  }
}

void TEngineShowViewer::SetPaused(bool paused) {
  if (paused == FPaused) return;
  FPaused = paused;
  if (FEngine) FEngine->Events().Post(engine_event::kMode, MakeRef<TModeData>(paused));
}

void TEngineShowViewer::SetPosition(double position) {
  if (position < 0) return;
  FPosition = position;
  if (!FEngine) return;
  Ref<TOpenParams> request = MakeRef<TOpenParams>();
  request->RequestId = FEngine->NewRequestId();
  request->Position = int(std::lround(position));
  FEngine->Events().Post(engine_event::kOpen, std::move(request));
}

void TEngineShowViewer::PostToRunningEngine(int code, Ref<TRefObject> data) {
  if (FEngine && FEngine->Running()) FEngine->Events().Post(code, std::move(data));
}

void TEngineShowViewer::MouseEvent(TMouseEvent event, int x, int y, std::uint8_t buttons, TMouseButton button,
                                   std::optional<TOrvActionInfo> action) {
  Ref<TMouseData> mouse = MakeRef<TMouseData>();
  mouse->Kind = std::uint8_t(event);
  mouse->X = x;
  mouse->Y = y;
  mouse->Buttons = buttons;
  mouse->Extra = int(button);
  mouse->Action = std::move(action);
  PostToRunningEngine(engine_event::kMouse, std::move(mouse));
}

void TEngineShowViewer::Refresh() {
  if (!FDevice) return;
  FDevice->Refresh();
  FDevice->NotifyRefresh();
}

void TEngineShowViewer::Close() {
  if (FClosed) return;
  FClosed = true;
  FChannel->Close();
  FEngine.reset();
  if (FDevice) FDevice->Kill();
  FDevice.Reset();
}

}  // namespace

Ref<TOrvShowViewer> CreateShowViewer(TViewerHost& host, TShowViewerSettings settings) {
  return MakeRef<TEngineShowViewer>(host, settings, nullptr, nullptr, TIntPair{});
}

Ref<TOrvShowViewer> CreateOffscreenViewer(TViewerHost& host, Ref<TFrameClock> clock, Ref<TFrameSink> sink,
                                          TIntPair size, TShowViewerSettings settings) {
  ORV_ASSERT(clock && sink, "An off-screen viewer needs a frame clock and a sink");
  return MakeRef<TEngineShowViewer>(host, settings, std::move(clock), std::move(sink), size);
}

}  // namespace orv
