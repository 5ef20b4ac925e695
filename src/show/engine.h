// The engine: plays an opened show on a thread of its own. It keeps the show clock (the
// music player's, smoothed), decides when playback may run, stops at slide end actions,
// fires run-app actions, notices the end of the show and draws the frames. The main
// window reaches it only through the viewer, which posts requests to its queue; the
// engine answers with notifications delivered on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "base/action_info.h"
#include "base/orv_thread.h"
#include "nav/root_item.h"
#include "nav/third_slide.h"
#include "show/draw_controller.h"
#include "show/engine_events.h"
#include "show/frame_interpolator.h"
#include "show/frame_sink.h"
#include "show/music_player.h"
#include "show/slide_loader.h"

namespace orv {

// Where notifications go. Everything here is used on the main thread only; the engine
// thread only posts.
class TEngineChannel : public TRefObject {
public:
  std::function<void()> OnFirstFrame;
  std::function<void(int time, bool ended, int total)> OnPosition;
  std::function<void(TOrvEventData&)> OnEvent;
  // The latest request id issued: position reports of older requests are dropped.
  int LatestRequest = 0;
  // After Close nothing is delivered any more.
  void Close();
  void Deliver(TOrvEventData& data);

private:
  bool FClosed = false;
};

class TCustomOrvEngine : public TOrvThread {
public:
  explicit TCustomOrvEngine(Ref<TEngineChannel> channel);
  TEngineChannel& Channel() const noexcept { return *FChannel; }
  // Main thread: the id of a new request.
  int NewRequestId() { return ++FChannel->LatestRequest; }

protected:
  // Any thread: delivered on the main thread, in order.
  void Notify(int code, std::vector<int> integers, Ref<TRefObject> object = {});

private:
  Ref<TEngineChannel> FChannel;
};

struct TOrvEngineSettings {
  // The clock the music player keeps time with; none: the system's millisecond timer.
  Ref<TShowClock> Clock;
  // Off-screen rendering of the frames this sink asks for; the clock must be a TFrameClock.
  Ref<TFrameSink> Sink;
  // Slides cover the screen rather than fit into it.
  bool Cover = false;
};

class TOrvEngine : public TCustomOrvEngine {
public:
  // The marks when none lie ahead.
  static constexpr int kNoSlide = 2147483646;
  static constexpr double kNoTime = 3.4e38;
  static constexpr int kNotReported = -2147483647;

  struct TMarks {
    bool HasBarrier = false;
    int BarrierSlide = kNoSlide;
    double BarrierTime = kNoTime;
    double LoopLength = 0;
    int RunAppSlide = kNoSlide;
    double RunAppTime = kNoTime;
    WideString RunAppFile;
  };

  TOrvEngine(Ref<TEngineChannel> channel, Ref<TOrvDrawController> controller, TOrvEngineSettings settings = {});
  ~TOrvEngine() override;

  // ---- engine thread (or any thread before Start)
  void Open(Ref<TFileAccessor> accessor, Ref<TIniFile> project, double position);
  void Restart(Ref<TOrvSource> source, Ref<TFileAccessor> accessor, bool reopen, double time);
  void SetActive(bool active);
  double GetShowTime();
  void SetVolume(float volume);
  void PerformAction(const TOrvActionInfo& action);
  bool IsMusicReady();
  bool SlidesReadyToStart() const;
  bool SlidesReadyToDraw() const;

  // Slide end actions and run-app actions are honoured (off in off-screen rendering).
  void EnableEndActions(bool enable) { FEndActionsEnabled.store(enable && !FSettings.Sink); }
  // Before Start: the pause state the engine begins in.
  void SetInitialPaused(bool paused) { FPaused = paused; }

  // ---- state: Active and StoppedAtBarrier may be read on any thread, the rest on the
  // engine thread or before it starts
  bool Paused() const noexcept { return FPaused; }
  bool Active() const noexcept { return FActive.load(); }
  bool StoppedAtBarrier() const noexcept { return FStoppedAtBarrier.load(); }
  // A dialog is open in the overlay (any thread).
  bool DialogShown() const noexcept { return FDialogShown.load(); }
  // Main thread: lets a show that stands at a "pause" end action go on.
  void ReleaseBarrier() noexcept { FStoppedAtBarrier = false; }
  // Whether the last hit test found an object with an action under the pointer that is
  // no button (any thread).
  bool PointerOverAction() const noexcept { return FPointerOverAction.load(); }
  // Whether the last mouse event found the pointer over the navigation panel (any thread).
  bool PointerOverPanel() const noexcept { return FPointerOverPanel.load(); }
  const TMarks& Marks() const noexcept { return FMarks; }
  TOrvSource* Source() const noexcept { return FSource.Get(); }
  TOrvSlideLoader* Loader() const noexcept { return FLoader.get(); }
  TOrvMusicPlayer* MusicPlayer() const noexcept { return FMusicPlayer.get(); }
  // Steps taken so far: whoever waits for the engine to come round (any thread).
  uint64_t Steps() const noexcept { return FSteps.load(); }
  // Frames drawn to the screen so far (any thread): an idle show draws none.
  uint64_t FramesDrawn() const noexcept { return FFramesDrawn.load(); }
  // The overlay of the open show; none before the first open (engine thread).
  TThirdSlide* Overlay() const noexcept { return FOverlay.Get(); }

protected:
  void BeforeLoop() override;
  void Step() override;
  void AfterLoop() override;
  void HandleEvent(const TThreadEvent& event) override;

private:
  // ---- events and requests
  void HandleMouse(const TMouseData& mouse);
  enum class TOverlayTake { Free, Acted, OverPanel };
  TOverlayTake OverlayTakesMouse(const TMouseData& mouse);
  void BuildOverlay();
  void OpenDialog(WideView name);
  bool HitTestSlides(const TMouseData& mouse, TMouseEventKind kind);
  bool HitTestSlidesFor(const TMouseData& mouse, TMouseEventKind kind, bool& over_action);
  void HandleCapture();
  void HandleWindowDialog(Ref<TWindowDialogData> dialog);
  void HandleSlideList(const TSlideData& data);
  void HandleOpenRequest(TOpenParams& request);
  void HandleModeRequest(bool paused);
  void ProcessPendingRequest();
  void ApplyPosition(double position);

  // ---- the step
  // Clock, end actions, drawing and the position report of a step in real time.
  void PlayStep(int state);
  bool WantsPlaying(int state);
  void HandleDeviceReset();
  void AdvanceClock();
  bool ShowEnded() const;
  void CheckEndOfShow();
  void CheckRunApp();
  void ReportPosition();
  void Pace();

  // ---- marks
  void RecomputeMarks(double time);
  void RecomputeRunApp(double time);
  void RecomputeBarrier(double time);
  int LastCandidate() const;

  // ---- loader and music
  void CreateLoader(TIntPair screen);
  void StopLoader();
  void CreateMusicPlayer();
  void StopMusicPlayer();
  TIntPair ScreenSize() const;

  // ---- drawing
  std::vector<TRootSlide> RootSlides() const;
  bool SelectFrame();
  bool DrawFrame(bool force);
  void PrepareSlides(size_t first);
  void ReleaseSlides();

  // ---- off-screen rendering
  void RenderOffscreen();
  void MoveShowTimeTo(double time);
  int TopSlideAt(double time) const;
  bool FrameSlidesLoaded() const;
  void FinishOffscreen(const std::string& error);

  TOrvEngineSettings FSettings;
  Ref<TShowClock> FClock;
  Ref<TOrvDrawController> FDrawController;
  Ref<TRootItem> FRoot = MakeRef<TRootItem>();
  Ref<TFrameInterpolator> FInterpolator = MakeRef<TFrameInterpolator>();

  Ref<TOrvSource> FSource;
  Ref<TFileAccessor> FAccessor;
  bool FHasSource = false;
  std::unique_ptr<TOrvSlideLoader> FLoader;
  std::unique_ptr<TOrvMusicPlayer> FMusicPlayer;
  // Dialogs and logo over the slides; rebuilt with every restart.
  Ref<TThirdSlide> FOverlay;
  // The main window's dialog over the show; it outlives overlays rebuilt under it.
  Ref<TWindowDialogData> FWindowDialog;
  std::vector<Ref<TDrawContainer>> FSlides;

  bool FPaused = true;
  std::atomic<bool> FActive{false};
  double FTimeBase = 0;
  Ref<TOpenParams> FPendingOpen;
  Ref<TOpenParams> FProcessingOpen;
  bool FFirstFrameShown = false;
  int FLastReportedTime = kNotReported;
  TMouseData FLastMouse;
  TMarks FMarks;
  std::atomic<bool> FStoppedAtBarrier{false};
  bool FEndReported = false;
  float FVolume = 1.0f;
  bool FFrameDrawn = false;
  double FLastStepTick = 0;
  std::atomic<bool> FEndActionsEnabled{false};
  int FRequestId = 0;
  bool FForceRedraw = false;
  // The first frame drawn after a request is logged (the time a key takes to show).
  bool FFrameAfterRequestPending = false;
  std::atomic<bool> FPointerOverAction{false};
  std::atomic<bool> FPointerOverPanel{false};

  // Off-screen: the time of the frame under way, and whether the run is over.
  std::optional<double> FFrameTime;
  bool FOffscreenDone = false;
  std::atomic<uint64_t> FSteps{0};
  std::atomic<uint64_t> FFramesDrawn{0};
  std::atomic<bool> FDialogShown{false};
};

}  // namespace orv
