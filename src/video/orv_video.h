// Video objects: a clip played on a slide in step with the slide's time, placed, framed
// and cropped like a picture. Objects of one slide that show the same clip share one
// decoder (an extractor wrapper kept by the slide host).
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "slide/orv_image.h"
#include "slide/slide_host.h"
#include "video/extractor_wrapper.h"
#include "video/video_time.h"

namespace orv {

class TIniSection;

// A shared clip record: an object of class "VideoClip" in the project's "Tracks" section.
struct TVideoClip2 {
  std::string ClipGuid;
  std::string FileName;
  bool LoadFromDisk = false;
  bool Mute = false;
  std::string ClipCaption;
  std::string MasterId;
  int StartSlideIdx = 0;
  TClipTiming Timing;
  bool HasDuration = false;
};

// The record of `clip_guid` (compared without regard to case) in `tracks`; none when there
// is no such record.
std::optional<TVideoClip2> FindVideoClip(const TIniSection* tracks, std::string_view clip_guid);

// The keys a video object reads besides those of pictures.
struct TVideoSettings {
  std::string ClipGuid;
  std::string FileName;
  bool LoadFromDisk = false;
  bool Mute = false;
  TClipTiming Timing;
  bool HasDuration = false;  // a missing "Duration" plays the whole file
  bool AntialiasedBorder = true;
  TDeinterlaceType Deinterlace = TDeinterlaceType::Auto;
  bool ChromaEnable = false;
  TIniColor ChromaKey{0, 255, 0, 255};
  float ChromaDelta = 0;
  bool WaitForConvert = false;
  friend bool operator==(const TVideoSettings&, const TVideoSettings&) = default;
};

void ReadVideoSettings(const TIniObject& block, TVideoSettings& settings);

// What the video renderer is handed for a key colour and tolerance: the key's chroma (BT.601
// video range, 0 … 1) and the ramp over which the keyed colour fades in. A tolerance above
// 1 is read on the byte scale (0 … 255).
struct TChromaKeyParams {
  float KeyU = 0.5f;
  float KeyV = 0.5f;
  float ToleranceX = 0;
  float ToleranceY = 0;
};
TChromaKeyParams ChromaKeyFor(const TIniColor& key, float delta);

class TOrvVideo : public TOrvImage {
 public:
  using TOrvImage::TOrvImage;

  // How long a frame is waited for: exact rendering (export, snapshots) waits this long at
  // most; live play no longer than one frame of the clip and never longer than kLiveWait.
  static constexpr std::chrono::milliseconds kExactWait{5000};
  static constexpr std::chrono::milliseconds kLiveWait{250};

  void LoadParams(const TIniObject& block, bool reuse) override;
  const TVideoSettings& VideoSettings() const noexcept { return FVideo; }
  // The clip record the object refers to, when there is one.
  const std::optional<TVideoClip2>& Clip() const noexcept { return FClip; }
  // The decoder the object shares; null before the keys are read.
  const Ref<TExtractorWrapper>& Wrapper() const noexcept { return FWrapper; }
  // The key the decoder is shared under: slide identity, a colon, the clip (or object) name.
  const std::string& SharingKey() const noexcept { return FSharingKey; }

  // The video time (ms) at the slide's current time.
  double CurrentVideoTime() const;
  // The frame drawn at the last draw; −1 before one.
  int64_t DrawnFrame() const noexcept { return FDrawnFrame; }

  WideString PictureRequestName() const override;
  bool AnswerMainPicture(TMainPicture& picture) const override;
  void PrepareResources(TDeviceDrawer& drawer) override;
  void DrawSelf(TDeviceDrawer& drawer) override;
  void Notify(int message) override;

 protected:
  void Dispose() override;
  TSizeF GetSourceSize() const override;
  void UpdateOwnPlacement() override;
  void AdjustImageSettings(TImageSettings& settings) const override { settings.Antialiased = FVideo.AntialiasedBorder; }

 private:
  // Adopts the clip record's file, times and speed when the object names one.
  void ApplyClip();
  void AttachWrapper();
  void LeaveWrapper();
  // The clip start less this slide's start: a clip spanning slides runs on across them.
  double ClipShift() const;
  const TVideoParams* SourceParams() const;
  const TOrvVideoExtractor::TPoolEntry* HoldFrame(TDeviceDrawer& drawer);
  void ReleaseFrame();
  TVideoDrawParams VideoDrawParams(const TOrvVideoExtractor::TPoolEntry& frame) const;

  TVideoSettings FVideo;
  std::optional<TVideoClip2> FClip;
  TClipTiming FTiming;  // the object's or its clip's, fitted to the file
  Ref<TExtractorWrapper> FWrapper;
  std::string FSharingKey;
  Ref<TOrvSlideHost> FSharingHost;
  std::string FOpenedFile;
  bool FOpenedFromDisk = false;
  const TOrvVideoExtractor::TPoolEntry* FHeld = nullptr;
  int64_t FWantedFrame = -1;
  int64_t FDrawnFrame = -1;
};

// Makes "video" objects known to the object creator chain (once per process).
void RegisterVideoObjects();

}  // namespace orv
