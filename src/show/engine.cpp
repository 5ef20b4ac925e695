#include "show/engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>

#include "base/assertions.h"
#include "base/input_codes.h"
#include "base/log.h"
#include "package/load_pacing.h"
#include "platform/main_thread.h"
#include "render/device.h"
#include "render/render_errors.h"
#include "show/action_text.h"
#include "slide/orv_button.h"
#include "video/orv_video.h"

namespace orv {
namespace {

constexpr int kCacheSlides = 3;
constexpr int kMinScreenSide = 10;
// The pace of the steps while the show does not play (paused, or waiting for its slides).
constexpr int kStillStepMs = 10;
constexpr double kReportStep = 20;  // ms of movement between position reports

double TickMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::string Ms(double time) { return std::to_string(std::llround(time)); }
std::string Flag(bool value) { return value ? "True" : "False"; }

// A double click hit-tests like a move: the press before it did the clicking.
TMouseEventKind SlideMouseKind(std::uint8_t kind) {
  return TMouseEvent(kind) == TMouseEvent::DoubleClick ? TMouseEventKind::Move : TMouseEventKind(kind);
}

TColor32 ToColor32(const TIniColor& color) {
  return 0xFF000000u | (TColor32(color.Red) << 16) | (TColor32(color.Green) << 8) | TColor32(color.Blue);
}

}  // namespace

// ---- channel

void TEngineChannel::Close() {
  FClosed = true;
  OnFirstFrame = nullptr;
  OnPosition = nullptr;
  OnEvent = nullptr;
}

void TEngineChannel::Deliver(TOrvEventData& data) {
  if (FClosed) return;
  switch (data.Code) {
    case engine_notification::kFirstFrame:
      if (OnFirstFrame) OnFirstFrame();
      break;
    case engine_notification::kPosition:
      if (data.Integers.size() == 4 && data.Integers[0] == LatestRequest && OnPosition)
        OnPosition(data.Integers[1], data.Integers[3] != 0, data.Integers[2]);
      break;
    default:
      if (OnEvent) OnEvent(data);
  }
}

TCustomOrvEngine::TCustomOrvEngine(Ref<TEngineChannel> channel)
    : TOrvThread("engine"), FChannel(std::move(channel)) {
  ORV_ASSERT(FChannel, "Engine without a channel");
}

void TCustomOrvEngine::Notify(int code, std::vector<int> integers, Ref<TRefObject> object) {
  Ref<TOrvEventData> data = MakeRef<TOrvEventData>(code, std::move(integers), std::move(object));
  PostToMainThread([channel = FChannel, data] { channel->Deliver(*data); });
}

// ---- engine

TOrvEngine::TOrvEngine(Ref<TEngineChannel> channel, Ref<TOrvDrawController> controller, TOrvEngineSettings settings)
    : TCustomOrvEngine(std::move(channel)),
      FSettings(std::move(settings)),
      FClock(FSettings.Clock ? FSettings.Clock : Ref<TShowClock>(MakeRef<TSystemClock>())),
      FDrawController(controller ? std::move(controller) : MakeRef<TOrvDrawController>(nullptr, nullptr)) {
  ORV_ASSERT(!FSettings.Sink || dynamic_cast<TFrameClock*>(FClock.Get()),
             "Off-screen rendering needs a frame clock");
  RegisterVideoObjects();
}

TOrvEngine::~TOrvEngine() {
  Stop();
  StopLoader();
  StopMusicPlayer();
  FRoot->Clear();
  FSlides.clear();
  FLoader.reset();
}

void TOrvEngine::BeforeLoop() { FLastStepTick = TickMs(); }

void TOrvEngine::AfterLoop() {
  SetLoadPacingMode(TLoadPacingMode::Off);
  if (FSettings.Sink && !FOffscreenDone) FinishOffscreen("The rendering was stopped before its last frame");
}

// ---- open and restart

void TOrvEngine::Open(Ref<TFileAccessor> accessor, Ref<TIniFile> project, double position) {
  ORV_ASSERT(project, "TOrvEngine.Open without a project");
  Ref<TOrvSource> source = MakeRef<TOrvSource>(std::move(project));
  // The old source lives until the new one has taken over (a playing music player keeps
  // its own reference until it is replaced).
  const Ref<TOrvSource> old = FSource;
  Restart(std::move(source), std::move(accessor), false, position);
  FHasSource = true;
  if (!FPaused && old && FMusicPlayer) FMusicPlayer->MarkedForReplacement = true;
}

void TOrvEngine::Restart(Ref<TOrvSource> source, Ref<TFileAccessor> accessor, bool reopen, double time) {
  FEndReported = false;
  Log().Write((reopen ? "Reopen from new position>>>>>>>> " : "Open from new position>>>>>>>> ") + Ms(time));
  if (FPaused) SetActive(false);
  StopLoader();
  if (FPaused) StopMusicPlayer();
  FRoot->Clear();
  FSlides.clear();
  FLoader.reset();
  FOverlay.Reset();

  FSource = std::move(source);
  FAccessor = std::move(accessor);
  CreateLoader(ScreenSize());
  if (FPaused) CreateMusicPlayer();
  if (!reopen) {
    Notify(engine_notification::kWindowMode,
           {FLoader->ScreenSize.First, FLoader->ScreenSize.Second, FLoader->WindowMode()});
    FDrawController->Init();
  }
  const TRect client = FDrawController->ClientRect();
  if (!client.IsEmpty())
    FLoader->ScreenSize = {std::max(client.Width(), kMinScreenSide), std::max(client.Height(), kMinScreenSide)};
  FLoader->SetScreen(FSettings.Cover);
  BuildOverlay();
  if (FPaused) {
    FTimeBase = time;
    FLoader->Timing().SetCurrent(time);
    FLastReportedTime = kNotReported;
    RecomputeMarks(time);
    FStoppedAtBarrier = false;
  }
  Log().Write("Loader Inited To Time : " + Ms(time));
}

// The overlay lies over the slide frame the loader has just fixed.
void TOrvEngine::BuildOverlay() {
  const TOverlayGeometry geometry{FLoader->GetFrameRect(), 0, FLoader->ScreenSize};
  TOverlayShowLink show;
  show.Volume = FVolume;
  show.Duration = FSource->TotalDuration();
  show.SetVolume = [this](float level) { SetVolume(level); };
  show.GoToTime = [this](double ms) { PerformAction({TOrvActionInfo::kGoToTime, int32_t(ms), {}}); };
  show.IsPlaying = [this] { return !FPaused; };
  try {
    FOverlay = MakeRef<TThirdSlide>(*FAccessor, FSource->Options(), *FRoot, geometry, TickCount, std::move(show));
    // Frames rendered off screen are captures from the first to the last: no panel.
    if (FSettings.Sink) FOverlay->SetCapturing(true);
    if (FWindowDialog) FOverlay->SetWindowDialog(FWindowDialog->Picture, FWindowDialog->Place);
  } catch (const std::exception& e) {
    // A logo or a panel that cannot be built must not keep the show from opening.
    Log().Write(std::string("TOrvEngine: overlay not built: ") + e.what());
  }
}

TIntPair TOrvEngine::ScreenSize() const {
  const TRect client = FDrawController->ClientRect();
  if (client.IsEmpty()) return {640, 480};
  return {std::max(client.Width(), kMinScreenSide), std::max(client.Height(), kMinScreenSide)};
}

void TOrvEngine::CreateLoader(TIntPair screen) {
  TSlideLoaderSettings settings;
  settings.Capacity = kCacheSlides;
  settings.Screen = screen;
  settings.Destination = &Events();
  settings.EventCode = engine_event::kSlideList;
  // The loader's geometry is set before its thread starts and not changed while it runs.
  settings.HostCallbacks.EffectBufferSize = [this] { return FLoader->Producer().GetFrameSize(); };
  settings.HostCallbacks.RendersExactly = [this] { return FClock->IsExact(); };
  settings.HostCallbacks.CameraPosition = [this] {
    const TIntPair size = FLoader->Producer().GetScreenSize();
    return TPoint3F{float(size.First) / 2, float(size.Second) / 2, -CameraDistance(size.Second)};
  };
  FLoader = std::make_unique<TOrvSlideLoader>(FSource, FAccessor, std::move(settings));
}

// The loader may be waiting for this very thread to take a list: keep taking them.
void TOrvEngine::StopLoader() {
  if (!FLoader) return;
  FLoader->Terminate();
  const auto handler = [this](const TThreadEvent& event) { HandleEvent(event); };
  while (FLoader->Running()) {
    Events().Process(handler);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  FLoader->Stop();
}

void TOrvEngine::CreateMusicPlayer() {
  TMusicPlayerSettings settings;
  settings.Accessor = FAccessor;
  settings.Clock = FClock;
  FMusicPlayer = std::make_unique<TOrvMusicPlayer>(FSource, std::move(settings));
  FMusicPlayer->SetVolume(FVolume);
  FMusicPlayer->Start();
  FMusicPlayer->SetPlaying(false);
}

void TOrvEngine::StopMusicPlayer() {
  if (!FMusicPlayer) return;
  FMusicPlayer->Stop();
  FMusicPlayer.reset();
}

// ---- events

void TOrvEngine::HandleEvent(const TThreadEvent& event) {
  switch (event.code) {
    case engine_event::kMouse:
      HandleMouse(static_cast<const TMouseData&>(*event.data));
      break;
    case engine_event::kCapture:
      HandleCapture();
      break;
    case engine_event::kWindowDialog:
      HandleWindowDialog(Ref<TWindowDialogData>::Share(static_cast<TWindowDialogData*>(event.data.Get())));
      break;
    case engine_event::kCloseDialog:
      if (FOverlay) FOverlay->CloseDialog(-1);
      break;
    case engine_event::kHelp:
      OpenDialog(u"help");
      break;
    case engine_event::kSlideList:
      HandleSlideList(static_cast<const TSlideData&>(*event.data));
      break;
    case engine_event::kOpen:
      HandleOpenRequest(static_cast<TOpenParams&>(*event.data));
      break;
    case engine_event::kMode:
      HandleModeRequest(static_cast<const TModeData&>(*event.data).Paused);
      break;
    default:
      ORV_ASSERT(false, "TOrvEngine: unknown event " + std::to_string(event.code));
  }
}

void TOrvEngine::HandleMouse(const TMouseData& mouse) {
  FLastMouse.Kind = mouse.Kind;
  FLastMouse.X = mouse.X;
  FLastMouse.Y = mouse.Y;
  const TOverlayTake take = OverlayTakesMouse(mouse);
  FPointerOverPanel = FOverlay && FOverlay->PointerState() == TPanelPointer::OverPanel;
  const bool taken = take == TOverlayTake::Acted || (take == TOverlayTake::Free && HitTestSlides(mouse, SlideMouseKind(mouse.Kind)));
  if (!taken && mouse.Action) PerformAction(*mouse.Action);
}

// The overlay's dialogs and panel lie over the slides: what they take the slides do not
// see. A pointer over the panel that no button acted on hides the slides too, but leaves
// the window's own action of the event (a right click's) standing.
TOrvEngine::TOverlayTake TOrvEngine::OverlayTakesMouse(const TMouseData& mouse) {
  if (!FOverlay) return TOverlayTake::Free;
  const TOverlayMouseResult result = FOverlay->MouseEvent(
      TOverlayMouse{TMouseEvent(mouse.Kind), mouse.X, mouse.Y, mouse.Buttons, mouse.Extra});
  if (result.PanelAction.Kind != TOrvActionInfo::kNone) {
    if (result.PanelAction.Kind != TOrvActionInfo::kTakenByPanel) PerformAction(result.PanelAction);
    return TOverlayTake::Acted;
  }
  if (result.Hit) {
    PerformAction(ParseAction(result.HitAction));
    return TOverlayTake::Acted;
  }
  return result.Taken ? TOverlayTake::OverPanel : TOverlayTake::Free;
}

void TOrvEngine::OpenDialog(WideView name) {
  if (!FOverlay || !FLoader) return;
  Ref<TOrvDialog> dialog = FLoader->Producer().BuildDialog(name);
  if (!dialog) {
    Log().Write("TOrvEngine: no dialog " + Utf16ToUtf8(name));
    return;
  }
  FOverlay->OpenDialog(std::move(dialog));
}

// The slides on screen from the newest down; the first whose object under the pointer
// completes a click with an action it names takes the event and performs the action. The
// topmost object with an action under the pointer is remembered for the cursor's shape.
bool TOrvEngine::HitTestSlides(const TMouseData& mouse, TMouseEventKind kind) {
  bool over_action = false;
  const bool taken = HitTestSlidesFor(mouse, kind, over_action);
  FPointerOverAction = over_action;
  return taken;
}

bool TOrvEngine::HitTestSlidesFor(const TMouseData& mouse, TMouseEventKind kind, bool& over_action) {
  if (mouse.X == TMouseData::kOutside || !FLoader) return false;
  const double t = FLoader->Timing().Current();
  const double hit_time = t == 0 ? 0.1 : t;
  for (auto it = FSlides.rbegin(); it != FSlides.rend(); ++it) {
    const TDrawContainer& container = **it;
    if (!container.Slide || !(container.Times.StartTime < hit_time && hit_time <= container.Times.VisibleUntil))
      continue;
    WideString text;
    const TOrvObject* hit = container.Slide->MouseEvent(mouse.Buttons, TPointF{float(mouse.X), float(mouse.Y)}, true,
                                                        kind, mouse.Extra, text);
    // Buttons show their own hover look; other objects with an action get the hand.
    if (!over_action && hit && !hit->Settings().Action.empty() && !dynamic_cast<const TOrvButton*>(hit))
      over_action = true;
    const TOrvActionInfo action = ParseAction(text);
    if (action.Kind == TOrvActionInfo::kNone) continue;
    PerformAction(action);
    return true;
  }
  return false;
}

void TOrvEngine::HandleCapture() {
  Ref<TImage> image;
  T3DDrawer* drawer = FDrawController->Drawer();
  if (drawer && SelectFrame()) {
    try {
      if (FOverlay) FOverlay->SetCapturing(true);
      image = drawer->CaptureImage(*FRoot, TCaptureArea::SlideFrame);
    } catch (const std::exception& e) {
      Log().Write(std::string("TOrvEngine: capture failed: ") + e.what());
    }
    if (FOverlay) FOverlay->SetCapturing(false);
  }
  Log().Write(image ? "********************* Image " + Utf16ToUtf8(image->Name())
                    : std::string("********************* Image not Assigned"));
  Notify(engine_notification::kImage, {}, Ref<TRefObject>(image));
}

void TOrvEngine::HandleWindowDialog(Ref<TWindowDialogData> dialog) {
  if (FOverlay) FOverlay->SetWindowDialog(dialog->Picture, dialog->Place);
  FWindowDialog = dialog->Picture ? std::move(dialog) : nullptr;
}

void TOrvEngine::HandleSlideList(const TSlideData& data) {
  const std::vector<Ref<TDrawContainer>> previous = std::move(FSlides);
  FSlides = data.Containers;
  // Device resources are given back on the thread that draws, before the loader frees
  // the slides it let go of.
  for (const Ref<TDrawContainer>& container : previous) {
    const bool kept = std::find(FSlides.begin(), FSlides.end(), container) != FSlides.end();
    if (!kept) container->ForEachSlide([](TOrvSlide& slide) { slide.ReleaseResources(); });
  }
  std::string line = ">>>>>>>>>>>>> slide list synched : ";
  for (size_t i = 0; i < FSlides.size(); ++i) {
    if (i > 0) line += "  ";
    line += Ms(FSlides[i]->Times.StartTime) + "-" + Ms(FSlides[i]->Times.VisibleUntil);
  }
  Log().Write(line);
  if (FActive) PrepareSlides(0);
}

void TOrvEngine::HandleOpenRequest(TOpenParams& request) {
  const bool pause_state = FPendingOpen ? FPendingOpen->Paused : FPaused;
  if (request.IsOpen()) {
    Log().Write("TOrvEngine: OpenShow Async");
    FPendingOpen = MakeRef<TOpenParams>();
    FPendingOpen->MoveFrom(request);
  } else {
    Log().Write("TOrvEngine: SetPosition Async");
    if (FPendingOpen) {
      FPendingOpen->Position = request.Position;
      FPendingOpen->RequestId = request.RequestId;
    } else {
      FPendingOpen = MakeRef<TOpenParams>();
      FPendingOpen->MoveFrom(request);
    }
  }
  FPendingOpen->Paused = pause_state;
  Log().Write("TOrvEngine: Current Pause Status: " + Flag(FPaused));
  Log().Write("TOrvEngine: Async Pause Status: " + Flag(pause_state));
}

void TOrvEngine::HandleModeRequest(bool paused) {
  TOpenParams* request = FPendingOpen ? FPendingOpen.Get() : FProcessingOpen.Get();
  if (request) {
    request->Paused = paused;
    Log().Write("TOrvEngine: SetPauseEvent Async: " + Flag(paused));
    return;
  }
  Log().Write("TOrvEngine: Before Pause Status: " + Flag(FPaused));
  FPaused = paused;
  Log().Write("TOrvEngine: SetPauseEvent Direct: " + Flag(paused));
}

void TOrvEngine::ProcessPendingRequest() {
  if (!FPendingOpen) return;
  Log().Write("TOrvEngine: Begin ProcessAsyncOpen");
  FProcessingOpen = std::move(FPendingOpen);
  TOpenParams& request = *FProcessingOpen;
  if (request.IsOpen()) {
    Log().Write("TOrvEngine: Process AsyncEvent Open");
    Open(std::move(request.Accessor), std::move(request.Project), request.Position);
  } else {
    Log().Write("TOrvEngine: Process AsyncEvent SetPosition");
    SetActive(false);
    ApplyPosition(request.Position);
  }
  FRequestId = request.RequestId;
  FFrameAfterRequestPending = true;
  Log().Write("TOrvEngine: Process AsyncEvent Curren Pause Status: " + Flag(FPaused));
  FPaused = request.Paused;
  Log().Write("TOrvEngine: Process AsyncEvent New Pause Status: " + Flag(FPaused));
  FProcessingOpen.Reset();
}

void TOrvEngine::ApplyPosition(double position) {
  FTimeBase = position;
  if (FLoader) FLoader->Timing().SetCurrent(position);
  FLastReportedTime = kNotReported;
  RecomputeMarks(position);
  FStoppedAtBarrier = false;
}

// ---- playback state

void TOrvEngine::SetActive(bool active) {
  if (active == FActive) return;
  if (active) {
    if (FDrawController->Drawer()) PrepareSlides(0);
    if (FMusicPlayer) {
      if (FMusicPlayer->Limit() != FMarks.BarrierTime) FMusicPlayer->SetLimit(FMarks.BarrierTime);
      FMusicPlayer->SetPlaying(true);
    }
    FActive = true;
    const double music = FMusicPlayer ? FMusicPlayer->Time() : 0;
    const double show_time = FTimeBase;
    FTimeBase = music - show_time;
    FInterpolator->Smooth(show_time);  // still holding: passes the time through
    SetLoadPacingMode(TLoadPacingMode::Playing);
    FInterpolator->SetHold(false);
    return;
  }
  FInterpolator->SetHold(true);
  FActive = false;
  if (FMusicPlayer) FMusicPlayer->SetPlaying(false);
  if (FLoader) FTimeBase = FLoader->Timing().Current();
  SetLoadPacingMode(TLoadPacingMode::Off);
  if (FMusicPlayer && FMusicPlayer->MarkedForReplacement && FSource) {
    StopMusicPlayer();
    CreateMusicPlayer();
  }
}

double TOrvEngine::GetShowTime() {
  if (!FActive) return FTimeBase;
  const double show_time = (FMusicPlayer ? FMusicPlayer->Time() : 0) - FTimeBase;
  return FClock->IsExact() ? show_time : FInterpolator->Smooth(show_time);
}

void TOrvEngine::SetVolume(float volume) {
  FVolume = volume;
  if (FMusicPlayer) FMusicPlayer->SetVolume(volume);
}

bool TOrvEngine::IsMusicReady() {
  if (!FMusicPlayer) return false;
  if (!FActive && FLoader) {
    const double current = FLoader->Timing().Current();
    if (FMusicPlayer->Time() != current || FMusicPlayer->Limit() != FMarks.BarrierTime)
      FMusicPlayer->Reposition(FMarks.BarrierTime, current);
  }
  const bool ready = FMusicPlayer->Ready();
  if (FActive && !ready) Log().Write("TOrvEngine.IsMusicReady: False");
  return ready;
}

// Every place the window needs is filled: three slides, or fewer at the end of a show
// that does not repeat (its window stops at the last slide; asking for three there
// would never let a short show start).
bool TOrvEngine::SlidesReadyToStart() const {
  if (FActive) return true;
  if (FSlides.empty() || !FLoader) return false;
  const bool at_show_end = FSource->RepeatMode() != TRepeatMode::Repeat &&
                           FSlides.back()->SlideIndex >= FSource->SlideCount() - 1;
  if (int(FSlides.size()) < kCacheSlides && !at_show_end) return false;
  const double current = FLoader->Timing().Current();
  const TSlideTimes& first = FSlides.front()->Times;
  return first.StartTime + first.EffectIn <= current && current <= FSlides.back()->Times.VisibleUntil;
}

// While stopped, a frame is drawn once the slides it shows are loaded. (Asking of a
// two-slide list that both be on screen would keep a paused show inside the first of them
// from being drawn at all.)
bool TOrvEngine::SlidesReadyToDraw() const {
  if (FActive) return true;
  return !FSlides.empty() && FLoader && FrameSlidesLoaded();
}

// ---- the step

void TOrvEngine::Step() {
  if (FMusicPlayer && FMusicPlayer->Volume() != FVolume) FMusicPlayer->SetVolume(FVolume);
  if (Events().Closed()) return;
  ProcessPendingRequest();
  if (FLoader && !FLoader->Running() && !FLoader->Terminated()) FLoader->Start();
  const int state = FDrawController->GetState();
  // At the end of the show playback stays stopped until a request moves it back (it
  // would otherwise start again only to stop at the next step).
  const bool want = WantsPlaying(state) && !ShowEnded();
  if (!want) {
    if (FActive) {
      Log().Write("TOrvEngine.MainLoop: SetActive(False) - Stop by not NewActive");
      FForceRedraw = true;
    }
    SetActive(false);
  }
  const bool reset = (state & TOrvDrawController::kLost) && (state & TOrvDrawController::kUsable);
  if (reset) HandleDeviceReset();
  if (want && !reset && !FActive) {
    Log().Write("TOrvEngine.MainLoop: SetActive(True) - Start by NewActive");
    SetActive(true);
  }
  if (!Terminated()) {
    if (FSettings.Sink) {
      RenderOffscreen();
    } else {
      PlayStep(state);
    }
  }
  FDialogShown = FOverlay && FOverlay->TopDialog();
  ++FSteps;
}

void TOrvEngine::PlayStep(int state) {
  AdvanceClock();
  CheckEndOfShow();
  CheckRunApp();
  const bool force = FForceRedraw || (state & (TOrvDrawController::kRedraw | TOrvDrawController::kLost));
  FForceRedraw = false;
  if (FOverlay) FOverlay->Update(FLoader ? FLoader->Timing().Current() : 0);
  if (!FSlides.empty() && SlidesReadyToDraw()) DrawFrame(force);
  Pace();
  ReportPosition();
}

bool TOrvEngine::WantsPlaying(int state) {
  if (!FSource) return false;
  if (FSettings.Sink) return IsMusicReady();
  if (FPaused || FStoppedAtBarrier) return false;
  if (FOverlay && FOverlay->HoldsShow()) return false;
  if (!(SlidesReadyToStart() && IsMusicReady())) return false;
  return !(FSource->PauseWhenInactive() && !(state & TOrvDrawController::kWindowActive));
}

void TOrvEngine::HandleDeviceReset() {
  FFirstFrameShown = false;
  if (FActive) Log().Write("TOrvEngine.MainLoop: SetActive(False) - Stop by Reinited");
  SetActive(false);
  ReleaseSlides();
  const TIntPair screen = ScreenSize();
  if (FLoader && FSource &&
      (screen.First != FLoader->ScreenSize.First || screen.Second != FLoader->ScreenSize.Second)) {
    Log().Write("OpenInt on diff size: " + std::to_string(screen.First) + "x" + std::to_string(screen.Second));
    Restart(FSource, FAccessor, true, GetShowTime());
  }
  PrepareSlides(1);
  Log().Write("DrawDevice Reinited (Slides:" + std::to_string(FSlides.size()) + ")");
}

void TOrvEngine::AdvanceClock() {
  if (!FLoader) return;
  TTiming& timing = FLoader->Timing();
  double requested = GetShowTime();
  timing.SetRequested(requested);
  if (!(FActive && FMarks.HasBarrier && requested >= FMarks.BarrierTime)) {
    timing.SetCurrent(requested);
    return;
  }
  Log().Write("TOrvEngine.MainLoop: SetActive(False) - Stop by Barrier");
  SetActive(false);
  double current;
  if (FMarks.LoopLength > 0) {
    while (requested >= FMarks.BarrierTime) requested -= FMarks.LoopLength;
    timing.SetRequested(requested);
    current = requested;
  } else {
    FStoppedAtBarrier = true;
    current = FMarks.BarrierTime;
    RecomputeMarks(current);
  }
  timing.SetCurrent(current);
  FTimeBase = current;
  if (FMusicPlayer) FMusicPlayer->Reposition(FMarks.BarrierTime, current);
}

// A show that does not repeat ends at its total duration. The music clock stops exactly
// there (its limit), so reaching the end counts as well as passing it.
bool TOrvEngine::ShowEnded() const {
  return FLoader && FSource && FSource->RepeatMode() != TRepeatMode::Repeat &&
         FLoader->Timing().Current() >= FSource->TotalDuration();
}

void TOrvEngine::CheckEndOfShow() {
  if (!ShowEnded()) return;
  const double total = FSource->TotalDuration();
  FLoader->Timing().SetCurrent(total);
  if (FEndReported) return;
  FEndReported = true;
  const int rounded = int(std::lround(total));
  Notify(engine_notification::kPosition, {FRequestId, rounded, rounded, 1});
}

void TOrvEngine::CheckRunApp() {
  if (!FActive || !FLoader || FLoader->Timing().Current() < FMarks.RunAppTime) return;
  const WideString file = FMarks.RunAppFile;
  RecomputeRunApp(FMarks.RunAppTime);
  if (!file.empty()) PerformAction(TOrvActionInfo{TOrvActionInfo::kRunApp, 0, file});
}

void TOrvEngine::Pace() {
  const double tick = TickMs();
  const double elapsed = tick - FLastStepTick;
  // A show standing still steps only for fades and the panel's clock; events end the wait
  // at once, so input is not slowed by it.
  const int wait_ms = !FActive ? kStillStepMs : (elapsed < 17 ? 3 : 1);
  WaitForEvents(std::chrono::milliseconds(wait_ms));
  FLastStepTick = tick;
}

void TOrvEngine::ReportPosition() {
  if (!FLoader || !FSource) return;
  const double current = FLoader->Timing().Current();
  if (std::abs(current - FLastReportedTime) <= kReportStep) return;
  FLastReportedTime = int(std::lround(current));
  Notify(engine_notification::kPosition,
         {FRequestId, FLastReportedTime, int(std::lround(FSource->TotalDuration())), 0});
}

void TOrvEngine::PerformAction(const TOrvActionInfo& action) {
  switch (action.Kind) {
    case TOrvActionInfo::kNone:
      return;
    case TOrvActionInfo::kHelp:
      OpenDialog(u"help");
      return;
    case TOrvActionInfo::kOpenDialog:
      OpenDialog(action.Text);
      return;
    case TOrvActionInfo::kCloseDialog:
      // With no dialog open it goes on to the main window, which ends the program with it.
      if (FOverlay && FOverlay->TopDialog()) {
        FOverlay->CloseDialog(-1);
        return;
      }
      break;
    case TOrvActionInfo::kPrevSlide:
    case TOrvActionInfo::kNextSlide:
    case TOrvActionInfo::kGoToSlide:
    case TOrvActionInfo::kRunPresentation:
      if (FOverlay) FOverlay->CloseHoldingDialogs();
      break;
  }
  Ref<TRefObject> text;
  if (!action.Text.empty()) text = MakeRef<TStrValue>(action.Text);
  Notify(engine_notification::kAction, {action.Kind, action.Number}, std::move(text));
}

// ---- marks

void TOrvEngine::RecomputeMarks(double time) {
  RecomputeRunApp(time);
  RecomputeBarrier(time);
}

int TOrvEngine::LastCandidate() const {
  return FSource->RepeatMode() == TRepeatMode::Repeat ? kNoSlide : FSource->SlideCount() - 1;
}

void TOrvEngine::RecomputeRunApp(double time) {
  const TMarks old = FMarks;
  FMarks.RunAppSlide = kNoSlide;
  FMarks.RunAppTime = kNoTime;
  FMarks.RunAppFile.clear();
  if (!FEndActionsEnabled.load() || !FSource || FSource->SlideCount() == 0) return;
  const int count = FSource->SlideCount();
  const int first = time == old.RunAppTime ? old.RunAppSlide + 1 : FSource->FindSlideAt(time);
  const int last = LastCandidate();
  for (int index = first, tried = 0; index <= last && tried < count; ++index, ++tried) {
    WideString file;
    if (!FSource->GetRunApp(index, file)) continue;
    TSlideTimes times;
    FSource->GetSlideTimes(index, times);
    if (time < times.StartTime + 1) {
      FMarks.RunAppSlide = index;
      FMarks.RunAppTime = times.StartTime + 1;
      FMarks.RunAppFile = std::move(file);
      return;
    }
  }
}

void TOrvEngine::RecomputeBarrier(double time) {
  const TMarks old = FMarks;
  const bool ends = FSource && FSource->RepeatMode() != TRepeatMode::Repeat;
  FMarks.HasBarrier = false;
  FMarks.BarrierSlide = ends ? FSource->SlideCount() - 1 : kNoSlide;
  FMarks.BarrierTime = ends ? FSource->TotalDuration() : kNoTime;
  FMarks.LoopLength = 0;
  if (!FEndActionsEnabled.load() || !FSource || FSource->SlideCount() == 0) return;
  const int count = FSource->SlideCount();
  const int first = time == old.BarrierTime ? old.BarrierSlide : FSource->FindSlideAt(time);
  const int last = FMarks.BarrierSlide;
  for (int index = first, tried = 0; index <= last && tried < count; ++index, ++tried) {
    TSlideTimes times;
    FSource->GetSlideTimes(index, times);
    if (times.EndTime <= time) continue;
    double loop_length = 0;
    if (!FSource->GetEndAction(index, loop_length)) continue;
    FMarks.HasBarrier = true;
    FMarks.BarrierSlide = index;
    FMarks.BarrierTime = times.EndTime;
    FMarks.LoopLength = loop_length;
    return;
  }
}

// ---- drawing

std::vector<TRootSlide> TOrvEngine::RootSlides() const {
  std::vector<TRootSlide> slides;
  slides.reserve(FSlides.size());
  for (const Ref<TDrawContainer>& container : FSlides)
    slides.push_back(TRootSlide{container->Slide, container->Times.StartTime, container->Times.VisibleUntil,
                                container->PassOffset, container->Filter});
  return slides;
}

bool TOrvEngine::SelectFrame() {
  if (!FLoader || !FSource) return false;
  const std::vector<TRootSlide> slides = RootSlides();
  if (!FRoot->Select(slides, FLoader->Timing().Current(), FOverlay)) return false;
  const TRect frame = FLoader->GetFrameRect();
  FRoot->SetFrame(frame, ToColor32(FSource->BorderColor()));
  if (T3DDrawer* drawer = FDrawController->Drawer()) {
    drawer->SetFrameRect(frame);
    drawer->SetUnsharpAmount(float(FSource->UnsharpAmount()));
  }
  return true;
}

bool TOrvEngine::DrawFrame(bool force) {
  if (!SelectFrame()) return false;
  if (!force && !FRoot->IsChanged()) return false;
  HitTestSlides(FLastMouse, TMouseEventKind::Move);  // hover looks follow the moving slides
  T3DDrawer* drawer = FDrawController->Drawer();
  if (!drawer) return false;
  bool drawn = false;
  try {
    drawn = drawer->DrawRoot(*FRoot);
  } catch (const std::exception& e) {
    Log().Write(std::string("TOrvEngine: frame not drawn: ") + e.what());
  }
  if (!drawn) return false;
  FFrameDrawn = true;
  ++FFramesDrawn;
  if (FFrameAfterRequestPending) {
    FFrameAfterRequestPending = false;
    Log().Write("First frame after request " + std::to_string(FRequestId));
  }
  if (!FFirstFrameShown) {
    FFirstFrameShown = true;
    Log().Write("First frame presented");
    Notify(engine_notification::kFirstFrame, {});
  }
  return true;
}

void TOrvEngine::PrepareSlides(size_t first) {
  T3DDrawer* drawer = FDrawController->Drawer();
  if (!drawer) return;
  for (size_t i = first; i < FSlides.size(); ++i) {
    if (!FSlides[i]->Slide) continue;
    Log().Write("PreloadEx Time: " + Ms(FTimeBase - FSlides[i]->Times.StartTime));
    FSlides[i]->ForEachSlide([drawer](TOrvSlide& slide) { slide.PrepareResources(*drawer); });
  }
}

void TOrvEngine::ReleaseSlides() {
  for (const Ref<TDrawContainer>& container : FSlides)
    container->ForEachSlide([](TOrvSlide& slide) { slide.ReleaseResources(); });
}

// ---- off-screen rendering

void TOrvEngine::RenderOffscreen() {
  if (FOffscreenDone || !FLoader) {
    WaitForEvents(std::chrono::milliseconds(20));
    return;
  }
  if (!FFrameTime) {
    try {
      FFrameTime = FSettings.Sink->NextFrameTime();
    } catch (const std::exception& e) {
      FinishOffscreen(e.what());
      return;
    }
    if (!FFrameTime) {
      FinishOffscreen("");
      return;
    }
  }
  MoveShowTimeTo(*FFrameTime);
  AdvanceClock();
  CheckEndOfShow();
  // The readiness rule of a paused player wants both of two loaded slides on screen; an
  // off-screen frame only needs the slides it shows.
  if (!FrameSlidesLoaded()) {
    WaitForEvents(std::chrono::milliseconds(1));
    return;
  }
  T3DDrawer* drawer = FDrawController->Drawer();
  if (!drawer) {
    FinishOffscreen("No renderer for the frames");
    return;
  }
  // A slide that could not be built leaves its time empty; the show goes on after it.
  SelectFrame();
  try {
    // The frame the sink asked for, letterboxed in the show's border colour.
    Ref<TImage> frame = drawer->CaptureImage(*FRoot, TCaptureArea::WholeScreen);
    if (!frame) throw ERenderError("The frame at " + Ms(*FFrameTime) + " ms could not be rendered");
    FSettings.Sink->PutFrame(*frame);
  } catch (const std::exception& e) {
    FinishOffscreen(e.what());
    return;
  }
  FFrameTime.reset();
}

// The frame clock moves forward by whole frames; going back is a new position.
void TOrvEngine::MoveShowTimeTo(double time) {
  if (!FActive) {
    FTimeBase = time;
    return;
  }
  auto& clock = static_cast<TFrameClock&>(*FClock);
  const int64_t frames = std::llround((time - GetShowTime()) / clock.FrameMs());
  if (frames >= 0) {
    clock.SetFrame(clock.Frame() + frames);
    return;
  }
  SetActive(false);
  FTimeBase = time;
}

// The slide on top at `time`: the newest one started by then. At a slide boundary that is
// the slide beginning there (the time table gives the one ending there), and slides of no
// length that begin there too are passed over as the root item passes them.
int TOrvEngine::TopSlideAt(double time) const {
  const bool repeating = FSource->RepeatMode() == TRepeatMode::Repeat && FSource->TotalDuration() > 0;
  const int last = repeating ? TSlideTimeline::kLastIndex : FSource->SlideCount() - 1;
  int index = FSource->FindSlideAt(time);
  TSlideTimes next;
  for (int step = 0; step < kCacheSlides && index < last; ++step, ++index) {
    FSource->GetSlideTimes(index + 1, next);
    if (next.StartTime > time) break;
  }
  return index;
}

// The slide the frame shows and, during its incoming transition, the one before it.
bool TOrvEngine::FrameSlidesLoaded() const {
  const double current = FLoader->Timing().Current();
  const int index = TopSlideAt(current);
  const auto find = [this](int wanted) -> const TDrawContainer* {
    for (const Ref<TDrawContainer>& container : FSlides)
      if (container->SlideIndex == wanted) return container.Get();
    return nullptr;
  };
  const TDrawContainer* top = find(index);
  if (!top) return false;
  const bool in_transition = top->Filter && current < top->Times.StartTime + top->Times.EffectIn;
  return !in_transition || find(index - 1) != nullptr;
}

void TOrvEngine::FinishOffscreen(const std::string& error) {
  FOffscreenDone = true;
  std::string reason = error;
  try {
    FSettings.Sink->Finish(error);
  } catch (const std::exception& e) {
    if (reason.empty()) reason = e.what();
  }
  if (!reason.empty()) Log().Write("Off-screen rendering ended: " + reason);
  Notify(engine_notification::kOffscreenEnded, {reason.empty() ? 0 : 1});
}

}  // namespace orv
