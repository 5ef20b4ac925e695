#include "image/picture_limits.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <string>
#include <utility>

namespace orv {
namespace {

constexpr int64_t kBudgetCeiling = int64_t(1) << 30;
constexpr int64_t kPictureFileSlack = int64_t(1) << 20;

std::atomic<int64_t> GMaxPicturePixels{int64_t(1) << 28};
std::atomic<int64_t> GInUse{0};
thread_local int GScopeDepth = 0;

int64_t DefaultBudget() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return kBudgetCeiling;
  return std::min(kBudgetCeiling, int64_t(pages) * page_size / 8);
}

std::atomic<int64_t>& Budget() {
  static std::atomic<int64_t> budget{DefaultBudget()};
  return budget;
}

std::string MegabytesText(int64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MiB"; }

}  // namespace

int64_t MaxPicturePixels() { return GMaxPicturePixels.load(std::memory_order_relaxed); }

void SetMaxPicturePixels(int64_t pixels) { GMaxPicturePixels.store(pixels, std::memory_order_relaxed); }

bool PictureSizeAllowed(int64_t width, int64_t height) {
  constexpr int64_t kMaxSide = std::numeric_limits<int32_t>::max();
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  return width * height <= MaxPicturePixels();
}

int64_t MaxPictureFileSize() { return MaxPicturePixels() * 4 + kPictureFileSlack; }

int64_t PictureMemoryBudget() { return Budget().load(std::memory_order_relaxed); }

void SetPictureMemoryBudget(int64_t bytes) { Budget().store(bytes, std::memory_order_relaxed); }

int64_t PictureMemoryInUse() { return GInUse.load(std::memory_order_relaxed); }

// ---- TPictureMemory

TPictureMemory& TPictureMemory::operator=(TPictureMemory&& other) noexcept {
  if (this != &other) {
    Resize(0);
    FBytes = std::exchange(other.FBytes, 0);
  }
  return *this;
}

void TPictureMemory::Resize(int64_t bytes) {
  const int64_t more = bytes - FBytes;
  if (more > 0) {
    const int64_t budget = PictureMemoryBudget();
    int64_t used = GInUse.load(std::memory_order_relaxed);
    do {
      if (more > budget - used)
        throw EPictureRefused("a picture needs " + MegabytesText(more) + " more than the " + MegabytesText(budget) +
                              " that pictures may hold (" + MegabytesText(used) + " in use)");
    } while (!GInUse.compare_exchange_weak(used, used + more, std::memory_order_relaxed));
  } else if (more < 0) {
    GInUse.fetch_add(more, std::memory_order_relaxed);
  }
  FBytes = bytes;
}

// ---- TPictureScope

TPictureScope::TPictureScope() noexcept { ++GScopeDepth; }
TPictureScope::~TPictureScope() { --GScopeDepth; }
bool TPictureScope::Active() noexcept { return GScopeDepth > 0; }

}  // namespace orv
