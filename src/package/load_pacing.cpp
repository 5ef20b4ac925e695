#include "package/load_pacing.h"

#include <sys/resource.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kLoadSlice = std::chrono::milliseconds(5);
constexpr auto kPause = std::chrono::milliseconds(1);
constexpr int kPlayingNice = -5;

std::atomic<TLoadPacingMode> gMode{TLoadPacingMode::Off};

// Linux keeps a nice value per thread, so the raise applies to the thread that sets the
// mode: the engine, whose frames must not wait for loaders. Unprivileged processes may
// not raise priority at all; then nothing changes.
class TPriorityRaise {
public:
  void Set(bool raised) {
    std::lock_guard lock(FLock);
    if (raised == FRaised) return;
    if (raised) {
      errno = 0;
      FNormalNice = ::getpriority(PRIO_PROCESS, 0);
      FRaised = errno == 0 && ::setpriority(PRIO_PROCESS, 0, kPlayingNice) == 0;
    } else {
      ::setpriority(PRIO_PROCESS, 0, FNormalNice);
      FRaised = false;
    }
  }

private:
  std::mutex FLock;
  bool FRaised = false;
  int FNormalNice = 0;
};

TPriorityRaise gPriority;

}  // namespace

void SetLoadPacingMode(TLoadPacingMode mode) {
  gMode.store(mode, std::memory_order_relaxed);
  gPriority.Set(mode == TLoadPacingMode::Playing);
}

TLoadPacingMode LoadPacingMode() { return gMode.load(std::memory_order_relaxed); }

bool LoadPauseDue(TLoadPacingMode mode, Clock::duration since_last_pause) {
  return mode == TLoadPacingMode::Playing && since_last_pause > kLoadSlice;
}

void PaceLoading(void*) {
  const TLoadPacingMode mode = gMode.load(std::memory_order_relaxed);
  if (mode == TLoadPacingMode::Off) return;
  // Each loading thread counts its own time since its last pause.
  thread_local Clock::time_point last_pause = Clock::now();
  if (!LoadPauseDue(mode, Clock::now() - last_pause)) return;
  std::this_thread::sleep_for(kPause);
  last_pause = Clock::now();
}

}  // namespace orv
