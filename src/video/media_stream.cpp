#include "video/media_stream.h"

#include <climits>
#include <exception>
#include <optional>
#include <string>

#include "base/assertions.h"
#include "base/log.h"

namespace orv {
namespace {

std::optional<TSeekOrigin> OriginOf(int32_t origin) {
  switch (origin) {
    case 0:
      return TSeekOrigin::Begin;
    case 1:
      return TSeekOrigin::Current;
    case 2:
      return TSeekOrigin::End;
  }
  return std::nullopt;
}

int32_t Narrow(int64_t value) { return value > INT32_MAX ? -1 : static_cast<int32_t>(value); }

int64_t SeekStream(TStream& stream, int64_t offset, int32_t origin) {
  const std::optional<TSeekOrigin> seek_origin = OriginOf(origin);
  return seek_origin ? stream.Seek(offset, *seek_origin) : -1;
}

int64_t ReadStream(TStream& stream, void* buffer, int64_t count) {
  ORV_ASSERT(count <= TMediaStreamAdapter::kMaxRead, "Too many");
  return count < 0 ? -1 : static_cast<int64_t>(stream.Read(buffer, static_cast<size_t>(count)));
}

}  // namespace

// The library calls in from its own code: a failure of ours becomes -1 and a log line,
// never an exception thrown through it.
template <class Body>
auto TMediaStreamAdapter::Locked(void* adapter, Body body) -> decltype(body(std::declval<TStream&>())) {
  auto& self = *static_cast<TMediaStreamAdapter*>(adapter);
  std::lock_guard lock(self.FLock);
  try {
    return body(*self.FStream);
  } catch (const std::exception& e) {
    Log().Write(std::string("Media stream: ") + e.what());
    return -1;
  }
}

TMediaStreamAdapter::TMediaStreamAdapter(StreamPtr stream) : FStream(std::move(stream)) {
  FCallbacks.Stream = this;
  FCallbacks.Read = [](void* self, void* buffer, int32_t count) {
    return Locked(self, [&](TStream& s) { return static_cast<int32_t>(ReadStream(s, buffer, count)); });
  };
  FCallbacks.Position = [](void* self) { return Locked(self, [](TStream& s) { return Narrow(s.Position()); }); };
  FCallbacks.Seek = [](void* self, int32_t offset, int32_t origin) {
    return Locked(self, [&](TStream& s) { return Narrow(SeekStream(s, offset, origin)); });
  };
  FCallbacks.Size = [](void* self) { return Locked(self, [](TStream& s) { return Narrow(s.Size()); }); };
  FCallbacks.Read64 = [](void* self, void* buffer, int64_t count) {
    return Locked(self, [&](TStream& s) { return ReadStream(s, buffer, count); });
  };
  FCallbacks.Position64 = [](void* self) { return Locked(self, [](TStream& s) { return s.Position(); }); };
  FCallbacks.Seek64 = [](void* self, int64_t offset, int32_t origin) {
    return Locked(self, [&](TStream& s) { return SeekStream(s, offset, origin); });
  };
  FCallbacks.Size64 = [](void* self) { return Locked(self, [](TStream& s) { return s.Size(); }); };
}

}  // namespace orv
