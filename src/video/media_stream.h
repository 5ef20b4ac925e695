// The player's streams as the media library reads them: the stream callbacks of the
// library's contract over one TStream, each call serialised by one lock.
#pragma once

#include <cstdint>
#include <mutex>

#include "base/stream.h"
#include "video/media_library_api.h"

namespace orv {

class TMediaStreamAdapter {
 public:
  // One read of the library may not ask for more than this: larger reads are a fault.
  static constexpr int64_t kMaxRead = 104857600;

  explicit TMediaStreamAdapter(StreamPtr stream);
  TMediaStreamAdapter(const TMediaStreamAdapter&) = delete;
  TMediaStreamAdapter& operator=(const TMediaStreamAdapter&) = delete;

  // Valid while the adapter lives.
  const TMediaStreamCallbacks& Callbacks() const noexcept { return FCallbacks; }

 private:
  template <class Body>
  static auto Locked(void* adapter, Body body) -> decltype(body(std::declval<TStream&>()));

  StreamPtr FStream;
  std::mutex FLock;
  TMediaStreamCallbacks FCallbacks{};
};

}  // namespace orv
