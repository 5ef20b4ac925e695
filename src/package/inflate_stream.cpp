#include "package/inflate_stream.h"

#include <algorithm>
#include <limits>

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

}  // namespace orv
