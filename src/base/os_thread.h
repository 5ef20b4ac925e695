// Small helpers over the operating system's threads.
#pragma once

#include <cstdint>

namespace orv {

// The kernel's id of the calling thread.
uint32_t CurrentThreadId() noexcept;

}  // namespace orv
