#include "package/inflate_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace orv {
namespace {

[[noreturn]] void InvalidOperation() { throw EZDecompressionError("Invalid ZStream operation!"); }

}  // namespace

TInflateStream::TInflateStream(TStream& source, int64_t declared_size)
    : FSource(source), FSourcePosition(source.Position()), FDeclaredSize(declared_size), FInput(kInputSize) {
  const int code = inflateInit2(&FZStream, -MAX_WBITS);
  if (code != Z_OK) throw EZDecompressionError(zError(code));
}

TInflateStream::~TInflateStream() { inflateEnd(&FZStream); }

bool TInflateStream::RefillInput() {
  FSource.SetPosition(FSourcePosition);
  const size_t got = FSource.Read(FInput.data(), FInput.size());
  FSourcePosition += static_cast<int64_t>(got);
  FZStream.next_in = FInput.data();
  FZStream.avail_in = static_cast<uInt>(got);
  return got > 0;
}

void TInflateStream::FinishStream() {
  FEnded = true;
  FSource.SetPosition(FSourcePosition - FZStream.avail_in);
}

size_t TInflateStream::Read(void* buffer, size_t count) {
  if (FDeclaredSize >= 0) count = static_cast<size_t>(std::min<int64_t>(count, FDeclaredSize - FOutputPosition));
  count = std::min<size_t>(count, std::numeric_limits<uInt>::max());
  if (FEnded || count == 0) return 0;
  FZStream.next_out = static_cast<Bytef*>(buffer);
  FZStream.avail_out = static_cast<uInt>(count);
  while (FZStream.avail_out > 0) {
    // At the end of the source zlib is asked once more: it then reports truncated data.
    if (FZStream.avail_in == 0) RefillInput();
    const int code = inflate(&FZStream, Z_NO_FLUSH);
    if (code == Z_STREAM_END) {
      FinishStream();
      break;
    }
    if (code != Z_OK) throw EZDecompressionError(zError(code));
  }
  const size_t done = count - FZStream.avail_out;
  FOutputPosition += static_cast<int64_t>(done);
  return done;
}

size_t TInflateStream::Write(const void*, size_t) { InvalidOperation(); }

int64_t TInflateStream::Seek(int64_t offset, TSeekOrigin origin) {
  const bool stays = (origin == TSeekOrigin::Current && offset == 0) ||
                     (origin == TSeekOrigin::Begin && offset == FOutputPosition);
  if (!stays) InvalidOperation();
  return FOutputPosition;
}

int64_t TInflateStream::Size() {
  if (FDeclaredSize < 0) InvalidOperation();
  return FDeclaredSize;
}

void TInflateStream::SetSize(int64_t) { InvalidOperation(); }

// ---- TInflatingStream

TInflatingStream::TInflatingStream(StreamPtr compressed, int64_t max_size, TProgressProc progress, void* context)
    : FCompressed(std::move(compressed)), FMaxSize(max_size), FProgress(progress), FContext(context),
      FOutput(kOutputSize) {
  Restart();
  // The first piece now, so that an entry whose data is broken from the start fails to
  // open rather than reading as empty.
  RefillOutput();
}

int64_t TInflatingStream::Current() const { return FOutputPosition - static_cast<int64_t>(FOutputEnd - FOutputStart); }

void TInflatingStream::Restart() {
  FInflater.reset();
  FCompressed->SetPosition(0);
  FInflater = std::make_unique<TInflateStream>(*FCompressed, -1);
  FOutputStart = FOutputEnd = 0;
  FOutputPosition = 0;
}

bool TInflatingStream::RefillOutput() {
  if (FSize >= 0 && FOutputPosition == FSize) return false;
  const size_t got = FInflater->Read(FOutput.data(), FOutput.size());
  FOutputStart = 0;
  FOutputEnd = got;
  FOutputPosition += static_cast<int64_t>(got);
  if (FOutputPosition > FMaxSize)
    throw EZDecompressionError("Inflated data of more than " + std::to_string(FMaxSize) + " bytes");
  if (got == 0) FSize = FOutputPosition;
  return got > 0;
}

size_t TInflatingStream::ReadInflated(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count && (FOutputStart < FOutputEnd || RefillOutput())) {
    const size_t n = std::min(count - done, FOutputEnd - FOutputStart);
    if (out) std::memcpy(out + done, FOutput.data() + FOutputStart, n);
    FOutputStart += n;
    done += n;
  }
  return done;
}

size_t TInflatingStream::Read(void* buffer, size_t count) {
  if (!FProgress) return ReadInflated(buffer, count);
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    const size_t got = ReadInflated(out + done, std::min(count - done, kReportedPieceSize));
    if (got == 0) break;
    done += got;
    FProgress(FContext);
  }
  return done;
}

void TInflatingStream::MoveTo(int64_t position) {
  if (position < Current()) Restart();
  int64_t at = Current();
  // Skipping passes null for the target: the bytes passed over are only counted.
  while (at < position) {
    const size_t step = static_cast<size_t>(std::min<int64_t>(position - at, std::numeric_limits<int32_t>::max()));
    const size_t skipped = ReadInflated(nullptr, step);
    if (skipped == 0) break;
    at += static_cast<int64_t>(skipped);
  }
}

size_t TInflatingStream::Write(const void*, size_t) { InvalidOperation(); }

int64_t TInflatingStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t current = Current();
  int64_t target = offset;
  if (origin == TSeekOrigin::Current) target = current + offset;
  if (origin == TSeekOrigin::End) target = Size() + offset;
  if (target == current) return current;
  if (target < 0) throw EStreamError("Incorrect Position");
  MoveTo(target);
  const int64_t reached = Current();
  if (reached != target) throw EStreamError("Incorrect Position");
  return reached;
}

int64_t TInflatingStream::Size() {
  if (FSize < 0) {
    const int64_t back = Position();
    MoveTo(std::numeric_limits<int64_t>::max());
    MoveTo(back);
  }
  return FSize;
}

void TInflatingStream::SetSize(int64_t) { InvalidOperation(); }

}  // namespace orv
