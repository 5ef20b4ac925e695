#include "app/offscreen_run.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/export/export_sink.h"
#include "app/export/output_file.h"
#include "platform/main_thread.h"
#include "project/show_options.h"
#include "show/engine_viewer.h"
#include "show/orv_source.h"

namespace orv {
namespace {

// Frames waiting for the encoder while the next ones are rendered: enough to even out
// uneven frames, few enough to hold little memory at any size.
constexpr size_t kEncoderQueueDepth = 3;

std::string Ms(double time) { return std::to_string(std::lround(time)) + " ms"; }

// Opens the inner viewer only once the show's project is known: the size and the frame
// times depend on it.
class TOffscreenShowViewer : public TOrvShowViewer {
public:
  TOffscreenShowViewer(TViewerHost& host, TOffscreenRun& run) : FHost(host), FRun(run) {}

  void Open(Ref<TFileAccessor> accessor, Ref<TIniFile> project, double position) override {
    try {
      FInner = FRun.Start(FHost, *project, accessor);
    } catch (const std::exception& e) {
      FRun.Fail(FHost, e.what());
      return;
    }
    FInner->Open(std::move(accessor), std::move(project), position);
  }
  bool Paused() const override { return FInner ? FInner->Paused() : true; }
  void SetPaused(bool paused) override {
    if (FInner) FInner->SetPaused(paused);
  }
  void SetPosition(double position) override {
    if (FInner) FInner->SetPosition(position);
  }
  double Position() const override { return FInner ? FInner->Position() : 0; }
  void Refresh() override {
    if (FInner) FInner->Refresh();
  }
  // Frames rendered off screen belong to no window a user could leave.
  void SetWindowActive(bool) override {}
  void Close() override {
    if (FInner) FInner->Close();
  }
  // Nobody points at, presses or waits at anything in frames rendered off screen (end
  // actions are off there).
  void MouseEvent(TMouseEvent, int, int, std::uint8_t, TMouseButton, std::optional<TOrvActionInfo>) override {}
  bool PointerOverAction() const override { return false; }
  bool PointerOverPanel() const override { return false; }
  void ShowHelp() override {}
  void CaptureFrame() override {}
  void ShowWindowDialog(Ref<TImage>, const TRect&) override {}
  void CloseDialog() override {}
  bool DialogShown() const override { return false; }
  bool StoppedAtBarrier() const override { return false; }
  void ReleaseBarrier() override {}

private:
  TViewerHost& FHost;
  TOffscreenRun& FRun;
  Ref<TOrvShowViewer> FInner;
};

TFrameSchedule ScheduleOf(const TExportSettings& settings, const TOrvSource& source) {
  if (settings.Kind == TOutputKind::Snapshot) return TFrameSchedule{settings.From, 1000.0 / settings.Fps, 1};
  const double end = settings.To.value_or(source.TotalDuration());
  if (settings.From >= end)
    throw Exception("-from " + Ms(settings.From) + " is not before the end of the show at " + Ms(end));
  return ScheduleBetween(settings.From, end, settings.Fps);
}

TIntPair RenderSize(const TExportSettings& settings, const TIniFile& project) {
  TIntPair size{settings.Width, settings.Height};
  if (size.First <= 0 || size.Second <= 0) {
    size = TShowOptions::Read(project).FrameSize;
    if (!IsRenderedSide(size.First) || !IsRenderedSide(size.Second))
      throw Exception("The show's frame size " + std::to_string(size.First) + "x" + std::to_string(size.Second) +
                      " cannot be rendered (sides from " + std::to_string(kMinRenderedSide) + " to " +
                      std::to_string(kMaxRenderedSide) + "): give one with -size WxH");
  }
  // Video frames have even sides: rendering them so loses nothing to cropping.
  if (settings.Kind == TOutputKind::Video) size = TIntPair{std::max(size.First & ~1, 2), std::max(size.Second & ~1, 2)};
  return size;
}

}  // namespace

void TellOnStderr(const std::string& text) {
  std::string line = "orvviewer: " + text;
  std::replace(line.begin(), line.end(), '\r', '\n');
  std::fprintf(stderr, "%s\n", line.c_str());
}

void UseOffscreenDrivers() {
  const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  if (!display) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

TOffscreenRun::TOffscreenRun(TExportSettings settings, const std::string& show_path) : FSettings(std::move(settings)) {
  CheckOutput(FSettings);
  if (SameExistingFile(FSettings.Output, show_path))
    throw EFileError("Cannot write \"" + FSettings.Output + "\": it is the show being rendered");
}

TOffscreenRun::~TOffscreenRun() = default;

void TOffscreenRun::Configure(TMainForm::TServices& services) {
  services.ShowMessage = TellOnStderr;
  // Frames have the size asked for, however small the display (SDL's off-screen one is
  // 1024 × 768): the window is placed on a screen that holds the largest frame.
  services.Monitors = [] { return std::vector<TRect>{TRect{0, 0, kMaxRenderedSide, kMaxRenderedSide}}; };
  services.CreateViewer = [this](TViewerHost& host) -> Ref<TOrvShowViewer> {
    return MakeRef<TOffscreenShowViewer>(host, *this);
  };
}

Ref<TOrvShowViewer> TOffscreenRun::Start(TViewerHost& host, TIniFile& project, Ref<TFileAccessor> accessor) {
  if (FSink) throw Exception("Only one show is rendered in a run");
  const TOrvSource source(Ref<TIniFile>::Share(&project));
  if (source.SlideCount() == 0) throw Exception("The show has no slides: there is nothing to render");
  const TFrameSchedule schedule = ScheduleOf(FSettings, source);
  const TIntPair size = RenderSize(FSettings, project);
  const bool many = schedule.Count > 1;
  auto progress = many ? std::make_unique<TExportProgress>(stderr, schedule.Count, TExportProgress::StderrIsTerminal())
                       : nullptr;
  std::unique_ptr<TExportAudio> audio;
  if (FSettings.Kind == TOutputKind::Video)
    audio = TExportAudio::Open(project, std::move(accessor), schedule.From, schedule.TimeOf(schedule.Count));
  FSink = MakeRef<TExportSink>(schedule, CreateFrameWriter(FSettings, std::move(audio)), many ? kEncoderQueueDepth : 0, std::move(progress),
                               FSettings.Output);
  return CreateOffscreenViewer(host, MakeRef<TFrameClock>(FSettings.Fps), FSink, size);
}

void TOffscreenRun::Fail(TViewerHost& host, const std::string& reason) {
  FStartFailure = reason;
  PostToMainThread([&host] { host.EndProgram(kExitNotStarted); });
}

int TOffscreenRun::ExitCode(int form_exit_code) const {
  if (!FStartFailure.empty()) {
    TellOnStderr(FStartFailure);
    return kExitNotStarted;
  }
  if (form_exit_code == kExitNotStarted || !FSink) return kExitNotStarted;
  if (!FSink->Failure().empty()) {
    TellOnStderr("the export failed: " + FSink->Failure());
    return kExitExportFailed;
  }
  if (FSink->FramesPut() < FSink->Schedule().Count) {
    TellOnStderr("the export was stopped after " + std::to_string(FSink->FramesPut()) + " of " +
                 std::to_string(FSink->Schedule().Count) + " frames");
    return kExitExportFailed;
  }
  return kExitOk;
}

}  // namespace orv
