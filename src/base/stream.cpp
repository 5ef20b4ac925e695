#include "base/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orv {

int64_t TStream::Size() {
  const int64_t here = Position();
  const int64_t end = Seek(0, TSeekOrigin::End);
  Seek(here, TSeekOrigin::Begin);
  return end;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream Cannot be resized"); }

void TStream::ReadBuffer(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    const size_t got = Read(out, count);
    if (got == 0) throw EStreamError("Stream read error");
    out += got;
    count -= got;
  }
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  if (Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::string TStream::ReadAll() {
  std::string out;
  const int64_t remaining = Size() - Position();
  if (remaining > 0) out.reserve(static_cast<size_t>(remaining));
  char chunk[64 * 1024];
  while (size_t got = Read(chunk, sizeof chunk)) out.append(chunk, got);
  return out;
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(count, 1 << 20)));
  int64_t copied = 0;
  while (copied < count) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(count - copied, int64_t(chunk.size())));
    source.ReadBuffer(chunk.data(), want);
    WriteBuffer(chunk.data(), want);
    copied += static_cast<int64_t>(want);
  }
  return copied;
}

// ---- TMemoryStream

size_t TMemoryStream::Read(void* buffer, size_t count) {
  const int64_t available = Size() - FPosition;
  if (available <= 0 || count == 0) return 0;
  const size_t n = static_cast<size_t>(std::min<int64_t>(available, static_cast<int64_t>(count)));
  std::memcpy(buffer, FData.data() + FPosition, n);
  FPosition += static_cast<int64_t>(n);
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  const int64_t end = FPosition + static_cast<int64_t>(count);
  if (end > Size()) FData.resize(static_cast<size_t>(end));
  std::memcpy(FData.data() + FPosition, buffer, count);
  FPosition = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? FPosition : Size();
  if (base + offset < 0) throw EStreamError("Seek before the start of the stream");
  FPosition = base + offset;
  return FPosition;
}

void TMemoryStream::SetSize(int64_t new_size) {
  if (new_size < 0) throw EStreamError("Negative stream size");
  FData.resize(static_cast<size_t>(new_size));
  FPosition = std::min(FPosition, new_size);
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t size = source.Size();
  FData.resize(static_cast<size_t>(size));
  if (size > 0) source.ReadBuffer(FData.data(), static_cast<size_t>(size));
  FPosition = 0;
}

// ---- TFileStream

namespace {

std::string ErrnoText() { return std::strerror(errno); }

}  // namespace

TFileStream::TFileStream(const std::string& path, TFileMode mode) : FPath(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileMode::OpenRead: flags |= O_RDONLY; break;
    case TFileMode::OpenReadWrite: flags |= O_RDWR; break;
    case TFileMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  // Not blocking while opening: a pipe would wait for a writer before we could refuse it.
  FHandle = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY, 0644);
  if (FHandle < 0) {
    const char* verb = mode == TFileMode::Create ? "Cannot create file \"" : "Cannot open file \"";
    throw EFOpenError(verb + path + "\". " + ErrnoText());
  }
  // Only files: a pipe or a device could block a reader forever or never end.
  struct stat info {};
  if (::fstat(FHandle, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(FHandle);
    FHandle = -1;
    throw EFOpenError("Cannot open file \"" + path + "\". " +
                      (S_ISDIR(info.st_mode) ? "Is a directory" : "Not a regular file"));
  }
  ::fcntl(FHandle, F_SETFL, ::fcntl(FHandle, F_GETFL) & ~O_NONBLOCK);
  FBuffer.resize(kBufferSize);
}

TFileStream::~TFileStream() {
  try {
    Flush();
  } catch (const Exception&) {
    // A destructor cannot report; callers that care call Flush themselves.
  }
  if (FHandle >= 0) ::close(FHandle);
}

void TFileStream::Flush() {
  size_t done = 0;
  while (done < FPending) {
    const ssize_t n = ::pwrite(FHandle, FBuffer.data() + done, FPending - done,
                               static_cast<off_t>(FPendingStart + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      FPending = 0;
      throw EStreamError("Cannot write to \"" + FPath + "\". " + ErrnoText());
    }
    done += static_cast<size_t>(n);
  }
  FPending = 0;
}

size_t TFileStream::ReadDirect(void* buffer, size_t count, int64_t at) {
  size_t done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = ::pread(FHandle, out + done, count - done, static_cast<off_t>(at + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EStreamError("Cannot read from \"" + FPath + "\". " + ErrnoText());
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

size_t TFileStream::Read(void* buffer, size_t count) {
  Flush();
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    if (FPosition >= FBufferStart && FPosition < FBufferEnd) {
      const size_t n = std::min(count - done, static_cast<size_t>(FBufferEnd - FPosition));
      std::memcpy(out + done, FBuffer.data() + (FPosition - FBufferStart), n);
      done += n;
      FPosition += static_cast<int64_t>(n);
      continue;
    }
    if (count - done >= kBufferSize) {
      // Large reads skip the buffer.
      const size_t n = ReadDirect(out + done, count - done, FPosition);
      done += n;
      FPosition += static_cast<int64_t>(n);
      break;
    }
    const size_t n = ReadDirect(FBuffer.data(), kBufferSize, FPosition);
    FBufferStart = FPosition;
    FBufferEnd = FPosition + static_cast<int64_t>(n);
    if (n == 0) break;
  }
  return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  DropReadBuffer();
  if (FPending > 0 && FPendingStart + static_cast<int64_t>(FPending) != FPosition) Flush();
  if (FPending + count > kBufferSize) Flush();
  if (count >= kBufferSize) {
    size_t done = 0;
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (done < count) {
      const ssize_t n = ::pwrite(FHandle, in + done, count - done, static_cast<off_t>(FPosition + static_cast<int64_t>(done)));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EStreamError("Cannot write to \"" + FPath + "\". " + ErrnoText());
      done += static_cast<size_t>(n);
    }
    FPosition += static_cast<int64_t>(count);
    return count;
  }
  if (FPending == 0) FPendingStart = FPosition;
  std::memcpy(FBuffer.data() + FPending, buffer, count);
  FPending += count;
  FPosition += static_cast<int64_t>(count);
  return count;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t base = origin == TSeekOrigin::Begin ? 0 : origin == TSeekOrigin::Current ? FPosition : Size();
  if (base + offset < 0) throw EStreamError("Seek before the start of \"" + FPath + "\"");
  FPosition = base + offset;
  return FPosition;
}

int64_t TFileStream::Size() {
  struct stat info {};
  if (::fstat(FHandle, &info) != 0) throw EStreamError("Cannot stat \"" + FPath + "\". " + ErrnoText());
  const int64_t pending_end = FPending ? FPendingStart + static_cast<int64_t>(FPending) : 0;
  return std::max<int64_t>(info.st_size, pending_end);
}

void TFileStream::SetSize(int64_t new_size) {
  Flush();
  DropReadBuffer();
  if (new_size < 0 || ::ftruncate(FHandle, static_cast<off_t>(new_size)) != 0)
    throw EStreamError("Cannot resize \"" + FPath + "\". " + ErrnoText());
  FPosition = std::min(FPosition, new_size);
}

}  // namespace orv
