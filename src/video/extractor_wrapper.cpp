#include "video/extractor_wrapper.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "base/log.h"
#include "video/gif_video_source.h"
#include "video/media_frame_source.h"
#include "video/video_params_table.h"

namespace orv {
namespace {

bool IsGifName(const std::string& name) {
  constexpr std::string_view kGif = ".gif";
  if (name.size() < kGif.size()) return false;
  return std::equal(kGif.begin(), kGif.end(), name.end() - std::ptrdiff_t(kGif.size()),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

std::optional<TOrvVideoExtractor::TPoolEntry> TakeNearestEntry(TOrvVideoExtractor& extractor, double display_rate,
                                                               double ms) {
  std::optional<TOrvVideoExtractor::TTaken> taken = extractor.TakeNearest(display_rate, ms);
  if (!taken) return std::nullopt;
  return std::move(taken->Entry);
}

StreamPtr OpenVideoFile(TFileAccessor& files, const std::string& name, bool from_disk) {
  try {
    const WideString wide = Utf8ToUtf16(name);
    return from_disk ? files.OpenDiskFile(wide) : files.OpenStream(wide);
  } catch (const std::exception& e) {
    Log().Write("Video file " + name + " not opened: " + e.what());
    return nullptr;
  }
}

// The modification date of the file on disk that `name` opens; nothing for files inside a
// show package.
std::optional<std::chrono::system_clock::time_point> VideoFileDate(const TFileAccessor& files, const std::string& name,
                                                                   bool from_disk) {
  if (!from_disk && !files.Source()->ReadsDisk()) return std::nullopt;
  const std::optional<std::string> path = files.FindFile(Utf8ToUtf16(name));
  if (!path) return std::nullopt;
  std::error_code error;
  const std::filesystem::file_time_type written = std::filesystem::last_write_time(*path, error);
  if (error) return std::nullopt;
  return std::chrono::file_clock::to_sys(written);
}

Ref<TFrameSource> OpenFrameSource(StreamPtr stream, const std::string& name) {
  if (IsGifName(name)) return TGifVideoSource::Open(std::move(stream), name);
  return TWinVideoSource::Open(SharedMediaLibrary(), std::move(stream), name);
}

}  // namespace

Ref<TFrameSource> CreateFrameSource(StreamPtr stream, const std::string& name,
                                    std::optional<std::chrono::system_clock::time_point> file_date) {
  if (!stream) return nullptr;
  Ref<TFrameSource> source = OpenFrameSource(std::move(stream), name);
  if (source) TVideoParamsTable::Shared().Enter(VideoParamsKey(name, file_date), source->Params());
  return source;
}

void TExtractorWrapper::SetFile(TFileAccessor& files, const std::string& name, bool from_disk) {
  StreamPtr stream = OpenVideoFile(files, name, from_disk);
  if (!stream) {
    ReplaceExtractor(nullptr, TVideoFailure::Missing);
    return;
  }
  Ref<TFrameSource> source = CreateFrameSource(std::move(stream), name, VideoFileDate(files, name, from_disk));
  if (!source) {
    Log().Write("Video file " + name + " cannot be played");
    ReplaceExtractor(nullptr, TVideoFailure::Undecodable);
    return;
  }
  ReplaceExtractor(MakeRef<TOrvVideoExtractor>(std::move(source), false), TVideoFailure::None);
}

void TExtractorWrapper::ReplaceExtractor(Ref<TOrvVideoExtractor> extractor, TVideoFailure failure) {
  Ref<TOrvVideoExtractor> old;
  {
    std::lock_guard lock(FLock);
    old = std::exchange(FExtractor, std::move(extractor));
    FFailure = failure;
    FPoolMade = false;
    FHeld.reset();
    FHolders = 0;
  }
  if (old) old->Stop();
}

TVideoFailure TExtractorWrapper::Failure() const {
  std::lock_guard lock(FLock);
  return FFailure;
}

Ref<TOrvVideoExtractor> TExtractorWrapper::Extractor() const {
  std::lock_guard lock(FLock);
  return FExtractor;
}

void TExtractorWrapper::CreatePool(const TFrameImageFactory& make_image) {
  std::lock_guard lock(FLock);
  if (FPoolMade || !FExtractor) return;
  const TVideoParams& params = FExtractor->Params();
  for (int i = 0; i < kPoolSize; ++i)
    if (Ref<TYUVImage> image = make_image(params.Width, params.Height, params.HasAlpha))
      FExtractor->AddPoolImage(std::move(image));
  FPoolMade = true;
}

const TOrvVideoExtractor::TPoolEntry* TExtractorWrapper::HoldFrame(double display_rate, double ms,
                                                                   std::chrono::milliseconds wait) {
  std::lock_guard lock(FLock);
  if (!FExtractor) return nullptr;
  if (!FHeld) {
    FHeld = TakeNearestEntry(*FExtractor, display_rate, ms);
    if (FHeld && (!FHeld->Decoded || FHeld->Frame == TOrvVideoExtractor::kInvalidFrame)) {
      FExtractor->GiveBack(std::move(*FHeld));
      FExtractor->Request(ms, true, wait);
      FHeld = TakeNearestEntry(*FExtractor, display_rate, ms);
    }
    if (!FHeld) return nullptr;
  }
  ++FHolders;
  return &*FHeld;
}

void TExtractorWrapper::ReleaseFrame() {
  std::lock_guard lock(FLock);
  if (FHolders == 0 || --FHolders > 0 || !FHeld) return;
  FExtractor->GiveBack(std::move(*FHeld));
  FHeld.reset();
}

bool TExtractorWrapper::Request(double ms, bool wait, std::chrono::milliseconds timeout) {
  const Ref<TOrvVideoExtractor> extractor = Extractor();
  return extractor && extractor->Request(ms, wait, timeout);
}

void TExtractorWrapper::Dispose() {
  ReplaceExtractor(nullptr, TVideoFailure::None);
  TRefObject::Dispose();
}

}  // namespace orv
