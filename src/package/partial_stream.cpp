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
  FPieceSize = callback ? std::clamp<size_t>(piece_size, 1, kProgressPieceSize) : kDefaultPieceSize;
}

size_t TPartialStream::NextPiece(size_t wanted) {
  const int64_t left = FSize - Position();
  if (left <= 0) return 0;
  return static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(std::min(wanted, FPieceSize))));
}

size_t TPartialStream::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (const size_t piece = NextPiece(count - done)) {
    const size_t got = FSource.Read(out + done, piece);
    done += got;
    ReportProgress();
    if (got == 0) break;
  }
  return done;
}

size_t TPartialStream::Write(const void* buffer, size_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  size_t done = 0;
  while (const size_t piece = NextPiece(count - done)) {
    const size_t put = FSource.Write(in + done, piece);
    done += put;
    ReportProgress();
    if (put == 0) break;
  }
  return done;
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

}  // namespace orv
