// The millisecond tick count, and a clock that code measuring idle times takes from its
// owner, so that tests can hand it one of their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace orv {

inline int64_t TickCount() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

using TTickSource = std::function<int64_t()>;

}  // namespace orv
