#include "base/os_thread.h"

#include <unistd.h>

namespace orv {

uint32_t CurrentThreadId() noexcept { return static_cast<uint32_t>(::gettid()); }

}  // namespace orv
