// The files an off-screen run writes. A run that fails must leave the disk as it found
// it: a file is written under a new hidden name beside its own and renamed into place
// only when the run succeeds, so nothing that was there is truncated or removed; a device
// or a pipe is written as it is and never removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

// Raises EFileError with the reason when `path` cannot take a file: its folder is missing
// or cannot be written, it is read-only, or it names a folder, a block device or a socket.
// Nothing is created, opened or changed.
void CheckOutputFile(const std::string& path);
// The same for a folder that will hold pictures: the folder itself, or the nearest folder
// above it that exists when it will be made.
void CheckOutputFolder(const std::string& folder);

// Whether both paths name one existing file (through links, too).
bool SameExistingFile(const std::string& first, const std::string& second);

class TOutputFile {
public:
  // Opens the output (see above); raises EFileError when it cannot be written.
  explicit TOutputFile(const std::string& path);
  // A file that was not committed is discarded.
  ~TOutputFile();
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;

  // The name the output was asked for.
  const std::string& Path() const noexcept { return FPath; }
  // Where the bytes go until Commit: the hidden file beside the output, or the device or
  // pipe itself. Writers that open files by name (the MP4 muxer) open this one.
  const std::string& WritingPath() const noexcept { return FWritingPath; }
  // False for a device or a pipe: what is written there cannot be read back or rewritten.
  bool Seekable() const noexcept { return FReplacing; }

  void Write(const uint8_t* bytes, size_t size);
  // lseek on the file being written; -1 on a device or a pipe.
  int64_t Seek(int64_t offset, int whence);
  // The bytes written so far to a file; -1 on a device or a pipe.
  int64_t Size() const;
  // Closes, and puts the written file in place of the output. Raises EFileError.
  void Commit();
  // Closes, and removes the hidden file; a device or a pipe is only closed.
  void Discard() noexcept;

private:
  std::string FPath;
  // The file that Commit replaces: the output, or the file a link of that name leads to.
  std::string FTargetPath;
  std::string FWritingPath;
  bool FReplacing = false;
  int FHandle = -1;
};

}  // namespace orv
