// Byte streams with 64-bit positions. Short reads are normal at the end of a stream;
// ReadBuffer/WriteBuffer raise EStreamError when the full amount cannot be moved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/exceptions.h"

namespace orv {

enum class TSeekOrigin { Begin, Current, End };

class TStream {
public:
  virtual ~TStream() = default;

  // Reads up to `count` bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes up to `count` bytes; returns how many were written.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  // Moves the position and returns the new one.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();
  // Grows or cuts the stream; streams that cannot be resized raise EStreamError.
  virtual void SetSize(int64_t new_size);

  int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::Begin); }

  void ReadBuffer(void* buffer, size_t count);
  void WriteBuffer(const void* buffer, size_t count);
  // Reads everything from the position to the end.
  std::string ReadAll();

  // Copies `count` bytes from the source's position; count 0 copies the whole source
  // from its beginning. Returns the number of bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

using StreamPtr = std::unique_ptr<TStream>;

// A growable stream in memory.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : FData(bytes.begin(), bytes.end()) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t new_size) override;

  uint8_t* Memory() { return FData.data(); }
  const uint8_t* Memory() const { return FData.data(); }
  void Clear();
  void LoadFromStream(TStream& source);

private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

enum class TFileMode {
  OpenRead,       // an existing file, read only
  OpenReadWrite,  // an existing file, read and write
  Create,         // created or truncated, read and write
};

class EFOpenError : public EFileError {
public:
  using EFileError::EFileError;
};

// A file on disk. Reads and writes go through one buffer, so reading in small pieces
// costs no system call per piece. The stream keeps its own position and uses positioned
// system calls, so seeking within the buffer is free.
class TFileStream : public TStream {
public:
  TFileStream(const std::string& path, TFileMode mode);
  ~TFileStream() override;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t new_size) override;

  // Writes out what the buffer holds.
  void Flush();
  const std::string& FileName() const { return FPath; }

private:
  static constexpr size_t kBufferSize = 64 * 1024;

  void DropReadBuffer() { FBufferStart = FBufferEnd = 0; }
  size_t ReadDirect(void* buffer, size_t count, int64_t at);

  std::string FPath;
  int FHandle = -1;
  int64_t FPosition = 0;
  std::vector<uint8_t> FBuffer;
  // Read buffer: bytes [FBufferStart, FBufferEnd) of the file are at FBuffer[0..).
  int64_t FBufferStart = 0;
  int64_t FBufferEnd = 0;
  // Write buffer: FPending bytes starting at file offset FPendingStart.
  int64_t FPendingStart = 0;
  size_t FPending = 0;
};

}  // namespace orv
