#include "media_io.h"

#include <climits>
#include <cstdio>
#include <memory>

namespace orv::media {
namespace {

constexpr int kIoBufferSize = 64 * 1024;

struct TCallbackState {
  TMediaStreamCallbacks Callbacks;
  bool Wide;  // the 64-bit set is complete
};

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
  const auto& state = *static_cast<TCallbackState*>(opaque);
  const TMediaStreamCallbacks& c = state.Callbacks;
  const int64_t got = state.Wide ? c.Read64(c.Stream, buffer, size) : c.Read(c.Stream, buffer, size);
  if (got < 0) return AVERROR(EIO);
  return got == 0 ? AVERROR_EOF : static_cast<int>(got);
}

int64_t SeekTo(const TCallbackState& state, int64_t offset, int origin) {
  const TMediaStreamCallbacks& c = state.Callbacks;
  if (state.Wide) return c.Seek64(c.Stream, offset, origin);
  if (offset < INT32_MIN || offset > INT32_MAX) return -1;
  return c.Seek(c.Stream, static_cast<int32_t>(offset), origin);
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
  const auto& state = *static_cast<TCallbackState*>(opaque);
  const TMediaStreamCallbacks& c = state.Callbacks;
  int64_t result = -1;
  switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
      result = state.Wide ? c.Size64(c.Stream) : c.Size(c.Stream);
      break;
    case SEEK_SET:
      result = SeekTo(state, offset, 0);
      break;
    case SEEK_CUR:
      result = SeekTo(state, offset, 1);
      break;
    case SEEK_END:
      result = SeekTo(state, offset, 2);
      break;
  }
  return result < 0 ? AVERROR(EIO) : result;
}

bool HasWideSet(const TMediaStreamCallbacks& c) { return c.Read64 && c.Position64 && c.Seek64 && c.Size64; }
bool HasNarrowSet(const TMediaStreamCallbacks& c) { return c.Read && c.Position && c.Seek && c.Size; }

}  // namespace

AVIOContext* CreateCallbackIo(const TMediaStreamCallbacks& callbacks) {
  const bool wide = HasWideSet(callbacks);
  if (!wide && !HasNarrowSet(callbacks)) return nullptr;
  auto state = std::make_unique<TCallbackState>(TCallbackState{callbacks, wide});
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (!buffer) return nullptr;
  AVIOContext* io = avio_alloc_context(buffer, kIoBufferSize, 0, state.get(), ReadPacket, nullptr, Seek);
  if (!io) {
    av_free(buffer);
    return nullptr;
  }
  state.release();
  return io;
}

void FreeCallbackIo(AVIOContext*& io) {
  if (!io) return;
  delete static_cast<TCallbackState*>(io->opaque);
  av_freep(&io->buffer);
  avio_context_free(&io);
}

}  // namespace orv::media
