#include "video/video_extractor.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "base/log.h"

namespace orv {
namespace {

// The calling thread's nice value moved by `step`; raising it back may be refused to an
// unprivileged process, which then keeps decoding at the lower priority.
void ShiftThreadPriority(int step) {
  const auto thread = static_cast<id_t>(::gettid());
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, thread);
  if (errno == 0) ::setpriority(PRIO_PROCESS, thread, nice + step);
}

// How far an entry's frame is from a wanted one; entries without a frame are the farthest.
uint64_t DistanceOf(int64_t held, int64_t wanted) {
  if (held < 0) return UINT64_MAX;
  return held > wanted ? uint64_t(held - wanted) : uint64_t(wanted - held);
}

}  // namespace

TOrvVideoExtractor::TOrvVideoExtractor(Ref<TFrameSource> source, bool looping)
    : FSource(std::move(source)), FParams(FSource->Params()), FLooping(looping), FThread([this] { Run(); }) {}

void TOrvVideoExtractor::Dispose() {
  Stop();
  TRefObject::Dispose();
}

void TOrvVideoExtractor::Stop() {
  {
    std::lock_guard lock(FLock);
    FStopping = true;
  }
  FChanged.notify_all();
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TOrvVideoExtractor::AddPoolImage(Ref<TYUVImage> image) {
  {
    std::lock_guard lock(FLock);
    FPool.push_back(TPoolEntry{std::move(image), kNoFrame, false});
  }
  FChanged.notify_all();
}

bool TOrvVideoExtractor::PoolHolds(int64_t frame) const {
  for (const TPoolEntry& entry : FPool)
    if (entry.Frame == frame) return true;
  return false;
}

void TOrvVideoExtractor::Ask(int64_t frame) {
  if (PoolHolds(frame)) return;
  FRequested = frame;
  FChanged.notify_all();
}

size_t TOrvVideoExtractor::FarthestFrom(int64_t frame) const {
  size_t farthest = 0;
  for (size_t i = 1; i < FPool.size(); ++i)
    if (DistanceOf(FPool[i].Frame, frame) > DistanceOf(FPool[farthest].Frame, frame)) farthest = i;
  return farthest;
}

bool TOrvVideoExtractor::Request(double ms, bool wait, std::chrono::milliseconds timeout) {
  std::unique_lock lock(FLock);
  for (TPoolEntry& entry : FPool)
    if (!entry.Decoded) entry.Frame = kInvalidFrame;
  const int64_t frame = FrameAt(ms);
  Ask(frame);
  if (!wait) return PoolHolds(frame);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // A prefetch may take the place of this request before it is served: it is asked again
  // until it was tried once.
  const uint64_t attempts_before = FAttempts;
  while (!FStopping && !PoolHolds(frame) && !(FLastTried == frame && FAttempts != attempts_before)) {
    if (FRequested != frame) Ask(frame);
    if (!FChanged.wait_until(lock, deadline, [&] { return FStopping || FRequested != frame; })) {
      Log().Write("Video frame " + std::to_string(frame) + " not decoded after " + std::to_string(timeout.count()) +
                  " ms");
      break;
    }
  }
  return PoolHolds(frame);
}

std::optional<TOrvVideoExtractor::TTaken> TOrvVideoExtractor::TakeNearest(double display_rate, double ms) {
  std::lock_guard lock(FLock);
  if (FPool.empty()) return std::nullopt;
  const int64_t wanted = FrameAt(ms);
  size_t nearest = 0;
  for (size_t i = 1; i < FPool.size(); ++i) {
    const uint64_t distance = DistanceOf(FPool[i].Frame, wanted);
    const uint64_t best = DistanceOf(FPool[nearest].Frame, wanted);
    if (distance < best || (distance == best && FPool[i].Frame <= wanted)) nearest = i;
  }
  TTaken taken{std::move(FPool[nearest]), false};
  FPool.erase(FPool.begin() + std::ptrdiff_t(nearest));
  taken.Exact = taken.Entry.Frame == wanted;
  int64_t next = display_rate > 0 ? FrameAt(ms + 1000 / display_rate) : wanted;
  if (next == wanted) next = wanted + 1;
  if (next < FParams.FrameCount) Ask(next);
  return taken;
}

void TOrvVideoExtractor::GiveBack(TPoolEntry entry) {
  {
    std::lock_guard lock(FLock);
    FPool.push_back(std::move(entry));
  }
  FChanged.notify_all();
}

// Decodes the requested frame into the entry that is of least use now, outside the lock.
void TOrvVideoExtractor::DecodeRequested(std::unique_lock<std::mutex>& lock) {
  const int64_t frame = FRequested;
  const size_t index = FarthestFrom(frame);
  TPoolEntry entry = std::move(FPool[index]);
  FPool.erase(FPool.begin() + std::ptrdiff_t(index));
  lock.unlock();
  // A frame that fails leaves the image as it was: its last good frame stands for it.
  const bool decoded = FSource->GetFrameAsYUV(frame, *entry.Image);
  lock.lock();
  FLastTried = frame;
  ++FAttempts;
  entry.Decoded = entry.Decoded || decoded;
  entry.Frame = entry.Decoded ? frame : kInvalidFrame;
  FPool.push_back(std::move(entry));
  if (FRequested == frame) FRequested = kNoFrame;
}

void TOrvVideoExtractor::Run() {
  ShiftThreadPriority(1);
  bool raised = false;
  std::unique_lock lock(FLock);
  for (;;) {
    FChanged.wait(lock, [&] { return FStopping || (FRequested != kNoFrame && !FPool.empty()); });
    if (FStopping) break;
    if (PoolHolds(FRequested)) {
      FRequested = kNoFrame;
    } else {
      DecodeRequested(lock);
      if (!raised) {
        ShiftThreadPriority(-1);
        raised = true;
      }
    }
    FChanged.notify_all();
  }
}

}  // namespace orv
