#include "package/partial_stream.h"

#include <algorithm>

namespace orv {

TPartialStream::TPartialStream(TStream& source, int64_t size, int64_t offset)
    : FSource(source), FSize(size), FOffset(offset) {
  // Written so that absurd sizes from a damaged directory cannot overflow.
  if (size < 0 || offset < 0 || offset > source.Size() - size) throw EStreamError("Insufficient Source Size");
  FSource.SetPosition(FOffset);
}

TPartialStream::TPartialStream(std::unique_ptr<TStream> source, int64_t size, int64_t offset)
    : TPartialStream(*source, size, offset) {
  FOwnedSource = std::move(source);
}

void TPartialStream::SetProgress(size_t piece_size, TProgressProc callback, void* context) {
  FProgress = callback;
  FProgressContext = callback ? context : nullptr;
  FPieceSize = callback ? std::clamp<size_t>(piece_size, 1, kReportedPieceSize) : kDefaultPieceSize;
}

template <class Move>
size_t TPartialStream::MovePieces(size_t count, Move move) {
  // The source is ours while a call runs, so its position is asked once, not per piece.
  int64_t position = Position();
  size_t done = 0;
  while (done < count && position < FSize) {
    const size_t piece = static_cast<size_t>(std::min<int64_t>(FSize - position, std::min(count - done, FPieceSize)));
    const size_t moved = move(done, piece);
    done += moved;
    position += static_cast<int64_t>(moved);
    if (FProgress) FProgress(FProgressContext);
    if (moved == 0) break;
  }
  return done;
}

size_t TPartialStream::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  return MovePieces(count, [&](size_t offset, size_t piece) { return FSource.Read(out + offset, piece); });
}

size_t TPartialStream::Write(const void* buffer, size_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  return MovePieces(count, [&](size_t offset, size_t piece) { return FSource.Write(in + offset, piece); });
}

int64_t TPartialStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t here = FSource.Position() - FOffset;
  if (origin == TSeekOrigin::Current && offset == 0) return here;
  const int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? here : FSize;
  int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0 || target > FSize)
    throw EStreamError("Incorrect Position");
  FSource.SetPosition(FOffset + target);
  return target;
}

void TPartialStream::SetSize(int64_t) { throw EStreamError("Stream Cannot be resized"); }

std::unique_ptr<TPartialStream> WithProgress(StreamPtr stream, TProgressProc callback, void* context) {
  const int64_t size = stream->Size();
  auto window = std::make_unique<TPartialStream>(std::move(stream), size, 0);
  window->SetProgress(kProgressPieceSize, callback, context);
  return window;
}

}  // namespace orv
