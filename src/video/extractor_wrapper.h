// One video file of a slide: its frame source and extractor, shared by the video objects
// of the slide that show the same clip.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "base/ref_object.h"
#include "base/stream.h"
#include "base/text.h"
#include "package/file_accessor.h"
#include "video/video_extractor.h"

namespace orv {

// A frame source for a video file: names ending in ".gif" (any case) go to the GIF source
// only, every other file to the media library. Null when the file is no video that can
// be played (a GIF that is not animated included). Each source made is entered in the
// shared video parameters table under VideoParamsKey(name, file_date).
Ref<TFrameSource> CreateFrameSource(StreamPtr stream, const std::string& name,
                                    std::optional<std::chrono::system_clock::time_point> file_date);

// Why a wrapper has no source.
enum class TVideoFailure { None = 0, Undecodable = 1, Missing = 2 };

// Makes a frame image of a size, with alpha or not (the renderer's video surfaces).
using TFrameImageFactory = std::function<Ref<TYUVImage>(int width, int height, bool alpha)>;

class TExtractorWrapper : public TRefObject {
 public:
  static constexpr int kPoolSize = 2;

  // Opens `name` (UTF-8): from the disk when `from_disk`, else through the show's files.
  // A new file replaces the source and extractor of the old one.
  void SetFile(TFileAccessor& files, const std::string& name, bool from_disk);
  TVideoFailure Failure() const;
  // Null while no file plays.
  Ref<TOrvVideoExtractor> Extractor() const;

  // Gives the extractor its frame images, once.
  void CreatePool(const TFrameImageFactory& make_image);
  // The frame to draw for `ms`, held until every holder has released it: the nearest one
  // decoded, or when none is, the one decoded for `ms` within `wait`. Null without a pool.
  const TOrvVideoExtractor::TPoolEntry* HoldFrame(double display_rate, double ms, std::chrono::milliseconds wait);
  void ReleaseFrame();
  bool Request(double ms, bool wait, std::chrono::milliseconds timeout);

 protected:
  void Dispose() override;

 private:
  void ReplaceExtractor(Ref<TOrvVideoExtractor> extractor, TVideoFailure failure);

  mutable std::mutex FLock;
  Ref<TOrvVideoExtractor> FExtractor;
  TVideoFailure FFailure = TVideoFailure::None;
  bool FPoolMade = false;
  std::optional<TOrvVideoExtractor::TPoolEntry> FHeld;
  int FHolders = 0;
};

}  // namespace orv
