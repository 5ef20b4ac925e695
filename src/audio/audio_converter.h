// The converter of one opened sound: it reads the file's audio data block by block and
// delivers PCM in the format its consumer asks for. The base class reads WAV PCM and IEEE
// float data itself; the decoders of the other kinds derive from it and replace ReadRaw and
// Convert (and Open, Seek or Fill where they need to).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/local_buffer.h"
#include "audio/media_info.h"
#include "base/ref_object.h"
#include "base/stream.h"

namespace orv {

class TPcmResampler;

class TWavConverter : public TRefObject {
 public:
  explicit TWavConverter(StreamPtr stream);

  // Takes the probe's record and gets ready to deliver from the start of the data. The
  // output format starts as the source's; IEEE float, 24-bit and 32-bit sources get the
  // standard format, as no consumer takes those. False when the record cannot be decoded.
  virtual bool Open(const TMediaInfo& info);
  // The format Fill delivers from now on; a resampler joins when it differs from the
  // format the decoder produces. Raises EConvertError for an output no resampler writes
  // (anything but 8 or 16-bit PCM with 1 or 2 channels).
  void SetOutputFormat(const TWaveFormat& format);
  // Makes the output hold at least `count` bytes. After the data has ended the rest is
  // silence. True while real sound was delivered; false at the end or on a broken block
  // (the output is padded to `count` either way, so mixing can go on).
  virtual bool Fill(size_t count);
  // Moves to `ms` from the start of the sound; what the buffers held is dropped.
  virtual void Seek(double ms);
  // Where decoding has got to, in ms from the start of the sound.
  double Position() const noexcept { return FPosition; }
  // The delivered bytes; consumers take them from its front.
  TLocalBuffer& Output() noexcept { return FOutput; }
  // How many bytes at the front of the output are sound, the rest being the silence Fill
  // added after the end of the data. A block that could not be decoded is replaced by
  // silence that counts as sound, so the time after it stays in place.
  size_t SoundBytes() const noexcept { return FOutput.Size() - std::min(FPadding, FOutput.Size()); }
  const TMediaInfo& Info() const noexcept { return FInfo; }

 protected:
  ~TWavConverter() override;

  // Reads the next raw block of the data into Raw(); false when the data has ended.
  virtual bool ReadRaw();
  // Turns what Raw() holds into output, emptying Raw(); false when it cannot be decoded.
  virtual bool Convert();

  // Appends PCM of the decoder's format (see SetDecodedFormat) to the output, resampled
  // when the output format differs.
  void AppendPcm(const uint8_t* bytes, size_t count);
  // The format of the PCM the decoder produces, when that is not the file's own format
  // (decoders of compressed kinds call it from Open).
  void SetDecodedFormat(const TWaveFormat& format);
  const TWaveFormat& DecodedFormat() const noexcept { return FDecodedFormat; }

  // Composite converters have no stream of their own.
  bool HasStream() const noexcept { return FStream != nullptr; }
  TStream& Stream() noexcept { return *FStream; }
  TLocalBuffer& Raw() noexcept { return FRaw; }
  TMediaInfo& MutableInfo() noexcept { return FInfo; }
  void SetPosition(double ms) noexcept { FPosition = ms; }
  // The end of the data in the stream (data offset + data size).
  int64_t DataEnd() const noexcept { return FInfo.DataOffset + FInfo.DataSize; }
  // The sample frame that holds the moment `ms` (the one that starts at or before it),
  // bounded by 0 and `frames`; NaN counts as 0.
  static int64_t FrameAt(double ms, uint32_t rate, int64_t frames);
  // Empties the buffers, forgets the resampler's history and puts the stream at
  // `data_position` bytes into the data, which is `ms` into the sound.
  void Restart(int64_t data_position, double ms);

  // Bytes read for one raw block.
  size_t FRawBlockSize = 4096;

 private:
  void InstallResampler();
  // The data has ended: the resampler gives what it still holds.
  void FinishData();
  // 128 for 8-bit output, else 0.
  uint8_t SilenceByte() const noexcept;
  // Silence after the end of the data, up to `count` bytes of output.
  void PadWithSilence(size_t count);

  StreamPtr FStream;
  TMediaInfo FInfo;
  TWaveFormat FDecodedFormat;
  TLocalBuffer FRaw;
  TLocalBuffer FOutput;
  std::unique_ptr<TPcmResampler> FResampler;
  double FPosition = 0;
  // Where ReadRaw reads next, as a stream position.
  int64_t FReadPosition = 0;
  bool FDataEnded = false;
  // How many bytes at the back of the output are padding rather than sound.
  size_t FPadding = 0;
};

}  // namespace orv
