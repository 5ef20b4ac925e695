// A window over a byte range of another stream. Every entry of a package is read
// through one, so reads can never run past the entry into its neighbours.
#pragma once

#include <cstdint>
#include <memory>

#include "base/stream.h"

namespace orv {

// Called after each piece a stream reads or writes; `context` is the registrant's value.
using TProgressProc = void (*)(void* context);

// The piece size that readers ask for with a callback; the window caps it at
// kReportedPieceSize.
inline constexpr size_t kProgressPieceSize = 32768;
// Streams with a callback call it after every piece of at most this many bytes.
inline constexpr size_t kReportedPieceSize = 256;

class TPartialStream : public TStream {
public:
  // Raises EStreamError("Insufficient Source Size") when the source is shorter than
  // offset + size. The window starts at its position 0.
  TPartialStream(TStream& source, int64_t size, int64_t offset);
  TPartialStream(std::unique_ptr<TStream> source, int64_t size, int64_t offset);

  // With a callback, reads and writes go in pieces of at most 256 bytes so the callback
  // runs often during long reads; without one the piece size returns to 32 KiB.
  void SetProgress(size_t piece_size, TProgressProc callback, void* context);

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  // Positions outside [0, Size] raise EStreamError("Incorrect Position").
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return FSize; }
  // A window has a fixed size: raises EStreamError("Stream Cannot be resized").
  void SetSize(int64_t new_size) override;

private:
  static constexpr size_t kDefaultPieceSize = 32768;

  // Moves up to `count` bytes piece by piece with `move(offset, piece)`, never past the
  // window, reporting progress after each piece.
  template <class Move>
  size_t MovePieces(size_t count, Move move);

  std::unique_ptr<TStream> FOwnedSource;
  TStream& FSource;
  int64_t FSize;
  int64_t FOffset;
  size_t FPieceSize = kDefaultPieceSize;
  TProgressProc FProgress = nullptr;
  void* FProgressContext = nullptr;
};

// A window over the whole stream that reports progress after each piece it reads.
std::unique_ptr<TPartialStream> WithProgress(StreamPtr stream, TProgressProc callback, void* context);

}  // namespace orv
