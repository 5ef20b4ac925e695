// Reading raw deflate data (no zlib or gzip header), as package entries and the package
// directory are stored.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "base/stream.h"
#include "package/partial_stream.h"

namespace orv {

// Corrupt deflate data, or an operation an inflating stream cannot do.
class EZDecompressionError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

// Inflates from the source's position onwards. The stream only reads forwards; when the
// deflate data ends, the source is left just after the consumed input.
class TInflateStream : public TStream {
public:
  // `declared_size` is the inflated size when the caller knows it (reads stop there and
  // Size reports it), or -1.
  TInflateStream(TStream& source, int64_t declared_size);
  ~TInflateStream() override;

  // Corrupt or truncated data raises EZDecompressionError with zlib's message.
  size_t Read(void* buffer, size_t count) override;
  // Raises EZDecompressionError("Invalid ZStream operation!").
  size_t Write(const void* buffer, size_t count) override;
  // Only reports the position; moving it raises EZDecompressionError.
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  // The declared size; without one raises EZDecompressionError.
  int64_t Size() override;
  void SetSize(int64_t new_size) override;

private:
  static constexpr size_t kInputSize = 64 * 1024;

  // Refills the input from the source; false when the source has nothing more.
  bool RefillInput();
  void FinishStream();

  TStream& FSource;
  int64_t FSourcePosition;  // where the next input comes from
  int64_t FDeclaredSize;
  int64_t FOutputPosition = 0;
  bool FEnded = false;
  z_stream FZStream{};
  std::vector<Bytef> FInput;
};

// A deflated package entry, inflated only as far as it is read: one piece (64 KiB) when it
// opens, and no more than a piece of it is held at any time. Moving forwards inflates
// and drops the bytes passed over; moving backwards starts again from the entry's start.
// The size is learnt the first time it is asked for, by inflating to the end without
// keeping anything.
class TInflatingStream : public TStream {
public:
  // `compressed` is read from its start and owned. Data that is broken from the start, and
  // an entry that inflates to more than `max_size` bytes once a read or the size goes past
  // that, raise EZDecompressionError.
  // With `progress`, reads are served in pieces of 256 bytes, each followed by a call.
  TInflatingStream(StreamPtr compressed, int64_t max_size, TProgressProc progress = nullptr,
                   void* context = nullptr);

  size_t Read(void* buffer, size_t count) override;
  // Raises EZDecompressionError("Invalid ZStream operation!").
  size_t Write(const void* buffer, size_t count) override;
  // A position outside [0, Size] raises EStreamError("Incorrect Position").
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t new_size) override;

private:
  static constexpr size_t kOutputSize = 64 * 1024;

  // The position of the next byte a read gives.
  int64_t Current() const;
  void Restart();
  // Inflates the next piece into the output buffer; false at the end of the entry.
  bool RefillOutput();
  size_t ReadInflated(void* buffer, size_t count);
  // Moves to `position`, or to the end when the entry is shorter.
  void MoveTo(int64_t position);

  StreamPtr FCompressed;
  std::unique_ptr<TInflateStream> FInflater;
  int64_t FMaxSize;
  TProgressProc FProgress;
  void* FContext;
  std::vector<uint8_t> FOutput;
  size_t FOutputStart = 0;
  size_t FOutputEnd = 0;
  int64_t FOutputPosition = 0;  // entry position of FOutput[FOutputEnd]
  int64_t FSize = -1;           // known once the end has been reached
};

}  // namespace orv
