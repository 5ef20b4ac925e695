#include "video/orv_video.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

#include "base/log.h"
#include "project/ini_file.h"
#include "render/video_surface.h"
#include "slide/object_drawing.h"
#include "slide/orv_slide.h"
#include "slide/slide_host.h"

namespace orv {
namespace {

constexpr std::string_view kVideoClipClass = "VideoClip";

void ReadTiming(const TIniObject& block, TClipTiming& timing, bool& has_duration) {
  const TIniItem* duration = block.FindKey("Duration");
  has_duration = duration != nullptr;
  timing.Duration = ReadFloat(duration, 0);
  timing.StartOrvTime = ReadFloat(block.FindKey("StartORVTime"), 0);
  timing.StartVideoTime = ReadFloat(block.FindKey("StartVideoTime"), 0);
  timing.FpsMultiplier = ReadFloat(block.FindKey("FPSMultiplier"), 1);
}

TVideoClip2 ReadVideoClip(const TIniObject& block) {
  TVideoClip2 clip;
  const auto key = [&block](std::string_view name) { return block.FindKey(name); };
  clip.ClipGuid = ReadUtf8(key("ClipGUID"));
  clip.FileName = ReadUtf8(key("FileName"));
  clip.LoadFromDisk = ReadBool(key("LoadFromDisk"), false);
  clip.Mute = ReadBool(key("Mute"), false);
  clip.ClipCaption = ReadUtf8(key("ClipCaption"));
  clip.MasterId = ReadUtf8(key("MasterID"));
  clip.StartSlideIdx = ReadInteger(key("StartSlideIdx"), 0);
  ReadTiming(block, clip.Timing, clip.HasDuration);
  return clip;
}

// The file's length in ms; 0 when it is not known.
double FileLength(const TVideoParams& params) {
  return params.Fps > 0 && params.FrameCount > 0 ? double(params.FrameCount) * 1000 / params.Fps : 0;
}

// BT.601, video range, as the frames' planes hold it.
std::pair<float, float> ChromaOf(const TIniColor& c) {
  const double r = c.Red, g = c.Green, b = c.Blue;
  const double u = 128 + (-0.148 * r - 0.291 * g + 0.439 * b);
  const double v = 128 + (0.439 * r - 0.368 * g - 0.071 * b);
  return {float(u / 255), float(v / 255)};
}

// File names that are not UTF-8 name no file.
WideString WideName(const std::string& name) {
  WideString wide;
  return TryUtf8ToUtf16(name, wide) ? wide : WideString();
}

Ref<TOrvObject> CreateVideoObject(std::string_view word, TOrvObject& parent, Ref<TOrvObjectProps> node) {
  if (word != "video") return nullptr;
  return MakeRef<TOrvVideo>(&parent, std::move(node));
}

}  // namespace

std::optional<TVideoClip2> FindVideoClip(const TIniSection* tracks, std::string_view clip_guid) {
  if (!tracks || clip_guid.empty()) return std::nullopt;
  const std::string wanted = LowerUtf8(clip_guid);
  // Records may sit in track objects: the lists are walked without recursion.
  std::vector<const TIniList*> pending{tracks};
  std::optional<TVideoClip2> found;
  while (!pending.empty()) {
    const TIniList* list = pending.back();
    pending.pop_back();
    for (const TIniItem* item : list->Items()) {
      if (!item->IsObject()) continue;
      const auto& object = static_cast<const TIniObject&>(*item);
      if (SameTextAscii(object.ObjectClass(), kVideoClipClass)) {
        if (LowerUtf8(ReadUtf8(object.FindKey("ClipGUID"))) == wanted) found = ReadVideoClip(object);
      } else {
        pending.push_back(&object);
      }
    }
  }
  return found;
}

void ReadVideoSettings(const TIniObject& block, TVideoSettings& s) {
  const auto key = [&block](std::string_view name) { return block.FindKey(name); };
  s.ClipGuid = ReadUtf8(key("ClipGUID"));
  s.FileName = ReadUtf8(key("FileName"));
  s.LoadFromDisk = ReadBool(key("LoadFromDisk"), s.LoadFromDisk);
  s.Mute = ReadBool(key("Mute"), s.Mute);
  ReadTiming(block, s.Timing, s.HasDuration);
  s.AntialiasedBorder = ReadBool(key("AntialiasedBorder"), s.AntialiasedBorder);
  s.Deinterlace = TDeinterlaceType(
      ReadChoice(key("DeinterlaceType"), {"Auto", "Wave", "BobEven", "BobOdd"}, int(s.Deinterlace), true));
  s.ChromaEnable = ReadBool(key("ChromaEnable"), s.ChromaEnable);
  s.ChromaKey = ReadColor(key("Chromakey"), s.ChromaKey);
  s.ChromaDelta = float(ReadFloat(key("ChromaDelta"), s.ChromaDelta));
  s.WaitForConvert = ReadBool(key("WaitForConvert"), s.WaitForConvert);
}

TChromaKeyParams ChromaKeyFor(const TIniColor& key, float delta) {
  TChromaKeyParams params;
  std::tie(params.KeyU, params.KeyV) = ChromaOf(key);
  float tolerance = std::isfinite(delta) ? std::max(0.0f, delta) : 0.0f;
  if (tolerance > 1) tolerance = std::min(tolerance, 255.0f) / 255;
  // Fully transparent at the key, opaque from the tolerance on, a squared ramp between.
  params.ToleranceX = tolerance;
  params.ToleranceY = tolerance > 0 ? 1 / tolerance : 0;
  return params;
}

// ---- TOrvVideo: keys and the shared decoder

void TOrvVideo::LoadParams(const TIniObject& block, bool reuse) {
  TVideoSettings video = FVideo;
  ReadVideoSettings(block, video);
  FClip = FindVideoClip(GetSlide().Lists().Tracks.Get(), video.ClipGuid);
  if (!FClip) video.ClipGuid.clear();
  Assign(FVideo, std::move(video));
  ApplyClip();
  AttachWrapper();
  TOrvImage::LoadParams(block, reuse);
}

void TOrvVideo::ApplyClip() {
  if (!FClip) return;
  FVideo.FileName = FClip->FileName;
  FVideo.LoadFromDisk = FClip->LoadFromDisk;
  FVideo.Mute = FClip->Mute;
  FVideo.Timing = FClip->Timing;
  FVideo.HasDuration = FClip->HasDuration;
}

void TOrvVideo::AttachWrapper() {
  const std::string name = FVideo.ClipGuid.empty() ? Utf16ToUtf8(Name()) : FVideo.ClipGuid;
  const std::string key = std::to_string(GetSlide().Identity()) + ":" + name;
  TFileAccessor& files = GetHost().Accessor();
  if (key != FSharingKey || !FWrapper) {
    LeaveWrapper();
    FSharingKey = key;
    FSharingHost = Ref<TOrvSlideHost>::Share(&GetHost());
    const Ref<TRefObject> shared = FSharingHost->SharedResource(key, [&]() -> Ref<TRefObject> {
      Ref<TExtractorWrapper> wrapper = MakeRef<TExtractorWrapper>();
      wrapper->SetFile(files, FVideo.FileName, FVideo.LoadFromDisk);
      return wrapper;
    });
    FWrapper = Ref<TExtractorWrapper>::Share(dynamic_cast<TExtractorWrapper*>(shared.Get()));
  } else if (FVideo.FileName != FOpenedFile || FVideo.LoadFromDisk != FOpenedFromDisk) {
    ReleaseFrame();
    FWrapper->SetFile(files, FVideo.FileName, FVideo.LoadFromDisk);
  }
  FOpenedFile = FVideo.FileName;
  FOpenedFromDisk = FVideo.LoadFromDisk;
  FTiming = FVideo.Timing;
  const TVideoParams* params = SourceParams();
  const double length = params ? FileLength(*params) : 0;
  FitClipToFile(FTiming, length);
  if (!FVideo.HasDuration) FTiming.Duration = length > 0 ? length : std::numeric_limits<double>::infinity();
  ParamsChanged = true;
}

void TOrvVideo::LeaveWrapper() {
  ReleaseFrame();
  if (!FWrapper) return;
  FWrapper.Reset();
  // The object may have left its tree already: the host it shared with is kept for this.
  FSharingHost->LeaveSharedResource(FSharingKey);
}

void TOrvVideo::Dispose() {
  LeaveWrapper();
  TOrvImage::Dispose();
}

const TVideoParams* TOrvVideo::SourceParams() const {
  const Ref<TOrvVideoExtractor> extractor = FWrapper ? FWrapper->Extractor() : nullptr;
  // The extractor's parameters stay while the wrapper keeps it, which outlives this call.
  return extractor ? &extractor->Params() : nullptr;
}

// ---- TOrvVideo: time

double TOrvVideo::ClipShift() const {
  if (!FClip) return 0;
  const TOrvSlide& slide = GetSlide();
  const double clip_start = FClip->StartSlideIdx > 0
                                ? SlidePlaceInTimes(slide.Lists().Times.Get(), FClip->StartSlideIdx).Offset
                                : 0;
  return clip_start - slide.SlideOffset();
}

double TOrvVideo::CurrentVideoTime() const { return VideoTimeAt(FTiming, Props().CurrentTime(), 0, ClipShift()); }

void TOrvVideo::UpdateOwnPlacement() {
  TOrvImage::UpdateOwnPlacement();
  const TVideoParams* params = SourceParams();
  if (!params) return;
  const double ms = CurrentVideoTime();
  const int64_t frame = FrameIndexForTime(*params, ms, false);
  // An interlaced frame shows another field in its second half.
  const int64_t wanted = frame * 2 + (params->Interlaced && !InFirstHalfOfFrame(*params, frame, ms) ? 1 : 0);
  if (wanted == FWantedFrame) return;
  FWantedFrame = wanted;
  StateChanged = true;
}

// ---- TOrvVideo: size, placeholder and the main picture

WideString TOrvVideo::PictureRequestName() const {
  const bool failed = FWrapper && FWrapper->Failure() != TVideoFailure::None;
  return failed ? WideName(FOpenedFile) : WideString();
}

TSizeF TOrvVideo::GetSourceSize() const {
  if (Picture()) return TOrvImage::GetSourceSize();
  const TVideoParams* params = SourceParams();
  if (!params) return TOrvImage::GetSourceSize();
  return {float(params->Width * PixelAspectFactor(*params)), float(params->Height)};
}

bool TOrvVideo::AnswerMainPicture(TMainPicture& picture) const {
  if (!ImageSettings().ImageIndex) return false;
  picture.Name = WideName(FOpenedFile);
  const TVideoParams* params = SourceParams();
  picture.Size = params ? TSizeF{float(params->Width), float(params->Height)} : TSizeF{};
  return true;
}

// ---- TOrvVideo: drawing

void TOrvVideo::PrepareResources(TDeviceDrawer& drawer) {
  // Only a placeholder is a picture; a playing clip asks for none.
  if (!PictureRequestName().empty()) {
    TOrvImage::PrepareResources(drawer);
    return;
  }
  TOrvObject::PrepareResources(drawer);
  if (!FWrapper || !FWrapper->Extractor()) return;
  FWrapper->CreatePool([&drawer](int width, int height, bool alpha) -> Ref<TYUVImage> {
    return drawer.CreateVideoSurface(width, height, alpha);
  });
  FWrapper->Request(CurrentVideoTime(), false, {});
}

const TOrvVideoExtractor::TPoolEntry* TOrvVideo::HoldFrame(TDeviceDrawer& drawer) {
  if (FHeld || !FWrapper) return FHeld;
  const Ref<TOrvVideoExtractor> extractor = FWrapper->Extractor();
  if (!extractor) return nullptr;
  FWrapper->CreatePool([&drawer](int width, int height, bool alpha) -> Ref<TYUVImage> {
    return drawer.CreateVideoSurface(width, height, alpha);
  });
  const TVideoParams& params = extractor->Params();
  const double ms = CurrentVideoTime();
  // The frame of the time is asked for and waited for: exact rendering as long as it
  // takes (bounded), live play one frame at most.
  std::chrono::milliseconds wait = kExactWait;
  if (!GetHost().RendersExactly())
    wait = params.Fps > 0 ? std::min(kLiveWait, std::chrono::milliseconds(int64_t(std::ceil(1000 / params.Fps))))
                          : kLiveWait;
  FWrapper->Request(ms, true, wait);
  FHeld = FWrapper->HoldFrame(params.Fps, ms, wait);
  // Live play draws the nearest frame it has; one that is not the frame of the time is
  // late, and said so (the video bench counts these).
  if (FHeld && FHeld->Frame != extractor->FrameAt(ms))
    Log().Write("Video frame late: " + std::to_string(FHeld->Frame) + " drawn for " +
                std::to_string(extractor->FrameAt(ms)));
  return FHeld;
}

void TOrvVideo::ReleaseFrame() {
  if (!FHeld) return;
  FHeld = nullptr;
  FWrapper->ReleaseFrame();
}

void TOrvVideo::Notify(int message) {
  if (message == kFrameDone) ReleaseFrame();
  TOrvImage::Notify(message);
}

TVideoDrawParams TOrvVideo::VideoDrawParams(const TOrvVideoExtractor::TPoolEntry& frame) const {
  const TVideoParams& params = *SourceParams();
  TVideoDrawParams draw;
  draw.Opacity = GetOpacity();
  draw.Filtering = ImageSettings().Filtering;
  // The window was laid out on the frame stretched to its display shape.
  const TRectF window = Window().Source;
  const float stretch = float(PixelAspectFactor(params));
  draw.Window = {window.Left / stretch, window.Top, window.Right / stretch, window.Bottom};
  const double ms = CurrentVideoTime();
  const int field = FieldChoice(FVideo.Deinterlace, params.Interlaced, params.BottomFieldFirst,
                                InFirstHalfOfFrame(params, frame.Frame, ms));
  draw.Deinterlace = field != 0;
  draw.FieldOffset = field == 2 ? 1 : 0;
  if (FVideo.ChromaEnable) {
    const TChromaKeyParams key = ChromaKeyFor(FVideo.ChromaKey, FVideo.ChromaDelta);
    draw.ChromaKey = true;
    draw.KeyU = key.KeyU;
    draw.KeyV = key.KeyV;
    draw.ToleranceX = key.ToleranceX;
    draw.ToleranceY = key.ToleranceY;
  }
  return draw;
}

void TOrvVideo::DrawSelf(TDeviceDrawer& drawer) {
  if (Picture()) {
    TOrvImage::DrawSelf(drawer);
    return;
  }
  const TOrvVideoExtractor::TPoolEntry* frame = HoldFrame(drawer);
  auto* surface = frame ? dynamic_cast<T3DYUV*>(frame->Image.Get()) : nullptr;
  if (!surface || !SourceParams()) return;
  FDrawnFrame = frame->Frame;
  const TVideoDrawParams params = VideoDrawParams(*frame);
  const TQuadFrame quad = QuadOf(Placement().Frame, LocalRect());
  if (const std::optional<TQuadFrame> inner = DrawBorderAround(drawer, quad, params.Opacity))
    drawer.DrawVideo(*surface, *inner, params);
}

void RegisterVideoObjects() {
  static std::once_flag registered;
  std::call_once(registered, [] { RegisterObjectCreator(&CreateVideoObject); });
}

}  // namespace orv
