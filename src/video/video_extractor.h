// The frame extractor: a thread that decodes the frames a video object will want into a
// small pool of frame images, ahead of the drawing that shows them.
#pragma once

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/ref_object.h"
#include "video/frame_source.h"

namespace orv {

class TOrvVideoExtractor : public TRefObject {
 public:
  // Frame numbers of entries and requests that name no frame.
  static constexpr int64_t kNoFrame = -2;
  static constexpr int64_t kInvalidFrame = INT64_MIN;

  struct TPoolEntry {
    Ref<TYUVImage> Image;
    int64_t Frame = kNoFrame;  // the frame the image holds
    bool Decoded = false;      // the image was ever written by the source
  };
  struct TTaken {
    TPoolEntry Entry;
    bool Exact = false;  // it holds the very frame of the time asked
  };

  // A looping extractor wraps times past the end of the video to its start.
  TOrvVideoExtractor(Ref<TFrameSource> source, bool looping);

  const TVideoParams& Params() const noexcept { return FParams; }
  int64_t FrameAt(double ms) const { return FrameIndexForTime(FParams, ms, FLooping); }

  void AddPoolImage(Ref<TYUVImage> image);
  // Asks for the frame of `ms` unless the pool holds it. With a wait, blocks until it is
  // decoded, the extractor stops, or `timeout` passes (logged); whether the pool holds it.
  bool Request(double ms, bool wait, std::chrono::milliseconds timeout);
  // Takes out of the pool the entry nearest to the frame of `ms` (the lower one of two
  // equally near) and asks for the frame a display running at `display_rate` frames per
  // second will want next. Nothing when the pool is empty.
  std::optional<TTaken> TakeNearest(double display_rate, double ms);
  void GiveBack(TPoolEntry entry);
  // Ends the thread; waiting requests return.
  void Stop();

 protected:
  void Dispose() override;

 private:
  void Run();
  // Under the lock.
  bool PoolHolds(int64_t frame) const;
  void Ask(int64_t frame);
  size_t FarthestFrom(int64_t frame) const;
  void DecodeRequested(std::unique_lock<std::mutex>& lock);

  Ref<TFrameSource> FSource;
  const TVideoParams FParams;
  const bool FLooping;
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<TPoolEntry> FPool;
  int64_t FRequested = kNoFrame;
  // The frame decoded last, or tried and failed, and how many were.
  int64_t FLastTried = kNoFrame;
  uint64_t FAttempts = 0;
  bool FStopping = false;
  std::thread FThread;
};

}  // namespace orv
