#include "app/export/output_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <utility>

#include "base/exceptions.h"

namespace orv {
namespace {

// Room left in a file name for the dot, the random part and ".part" of a hidden name.
constexpr size_t kHiddenNameKept = 200;
constexpr int kHiddenNameAttempts = 100;

enum class TTargetKind { Missing, File, Folder, Stream, Other };

[[noreturn]] void CannotWrite(const std::string& path, const std::string& reason) {
  throw EFileError("Cannot write \"" + path + "\": " + reason);
}

std::string ErrnoText() { return std::strerror(errno); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// What the path names now, following symbolic links ("/dev/stdout" is one).
TTargetKind KindOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return TTargetKind::Missing;
    CannotWrite(path, ErrnoText());
  }
  if (S_ISREG(info.st_mode)) return TTargetKind::File;
  if (S_ISDIR(info.st_mode)) return TTargetKind::Folder;
  if (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)) return TTargetKind::Stream;
  return TTargetKind::Other;
}

// A link to a file is written through, as opening it would: the file it leads to is the
// one replaced, not the link.
std::string FileBehindLinks(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

void CheckFolderTakesFiles(const std::string& folder, const std::string& path) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0)
    CannotWrite(path, "the folder \"" + folder + "\" " + (errno == ENOENT ? "does not exist" : ErrnoText()));
  if (!S_ISDIR(info.st_mode)) CannotWrite(path, "\"" + folder + "\" is not a folder");
  if (::access(folder.c_str(), W_OK | X_OK) != 0) CannotWrite(path, "the folder \"" + folder + "\": " + ErrnoText());
}

void CheckWritable(const std::string& path) {
  if (::access(path.c_str(), W_OK) != 0) CannotWrite(path, ErrnoText());
}

std::string RandomPart() {
  uint8_t bytes[6];
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(std::rand());
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuv";
  std::string part;
  for (uint8_t byte : bytes) part += kDigits[byte & 31];
  return part;
}

// A new file ".NAME.RANDOM.part" beside `target`, with the target's permissions when it
// exists (the usual ones otherwise); its descriptor and its name.
std::pair<int, std::string> CreateHiddenBeside(const std::string& target, const std::string& path) {
  const std::string prefix = FolderOf(target) + "/." + NameOf(target).substr(0, kHiddenNameKept) + ".";
  struct stat existing {};
  const bool replaces = ::stat(target.c_str(), &existing) == 0;
  for (int attempt = 0; attempt < kHiddenNameAttempts; ++attempt) {
    std::string hidden = prefix + RandomPart() + ".part";
    const int handle = ::open(hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (handle >= 0) {
      if (replaces) (void)::fchmod(handle, existing.st_mode & 07777);
      return {handle, std::move(hidden)};
    }
    if (errno != EEXIST) CannotWrite(path, ErrnoText());
  }
  CannotWrite(path, "no new file could be made beside it");
}

// The target's kind once it is known to take the output; raises EFileError otherwise.
TTargetKind CheckedKind(const std::string& path) {
  const TTargetKind kind = KindOf(path);
  switch (kind) {
    case TTargetKind::Missing:
      CheckFolderTakesFiles(FolderOf(path), path);
      break;
    case TTargetKind::File:
      CheckWritable(path);
      CheckFolderTakesFiles(FolderOf(FileBehindLinks(path)), path);
      break;
    case TTargetKind::Stream:
      CheckWritable(path);
      break;
    case TTargetKind::Folder:
      CannotWrite(path, "it is a folder");
    case TTargetKind::Other:
      CannotWrite(path, "it is not a file, a character device or a pipe");
  }
  return kind;
}

}  // namespace

void CheckOutputFile(const std::string& path) { CheckedKind(path); }

void CheckOutputFolder(const std::string& folder) {
  std::string existing = folder;
  while (existing.size() > 1 && existing.back() == '/') existing.pop_back();
  while (KindOf(existing) == TTargetKind::Missing) existing = FolderOf(existing);
  CheckFolderTakesFiles(existing, folder);
}

bool SameExistingFile(const std::string& first, const std::string& second) {
  struct stat a {}, b {};
  return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

TOutputFile::TOutputFile(const std::string& path) : FPath(path) {
  if (CheckedKind(path) == TTargetKind::Stream) {
    FHandle = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (FHandle < 0) CannotWrite(path, ErrnoText());
    FWritingPath = path;
    return;
  }
  FReplacing = true;
  FTargetPath = FileBehindLinks(path);
  std::tie(FHandle, FWritingPath) = CreateHiddenBeside(FTargetPath, path);
}

TOutputFile::~TOutputFile() {
  if (FHandle >= 0) Discard();
}

void TOutputFile::Write(const uint8_t* bytes, size_t size) {
  if (FHandle < 0) CannotWrite(FPath, "it is closed");
  while (size > 0) {
    const ssize_t written = ::write(FHandle, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) CannotWrite(FPath, written < 0 ? ErrnoText() : "nothing was written");
    bytes += written;
    size -= size_t(written);
  }
}

int64_t TOutputFile::Seek(int64_t offset, int whence) {
  if (!Seekable()) return -1;
  return ::lseek(FHandle, offset, whence);
}

int64_t TOutputFile::Size() const {
  struct stat info {};
  return Seekable() && ::fstat(FHandle, &info) == 0 ? info.st_size : -1;
}

void TOutputFile::Commit() {
  if (FHandle < 0) CannotWrite(FPath, "it is closed");
  const int handle = std::exchange(FHandle, -1);
  if (::close(handle) != 0) {
    const std::string reason = ErrnoText();
    if (FReplacing) ::unlink(FWritingPath.c_str());
    CannotWrite(FPath, reason);
  }
  if (FReplacing && ::rename(FWritingPath.c_str(), FTargetPath.c_str()) != 0) {
    const std::string reason = ErrnoText();
    ::unlink(FWritingPath.c_str());
    CannotWrite(FPath, reason);
  }
}

void TOutputFile::Discard() noexcept {
  if (FHandle < 0) return;
  ::close(std::exchange(FHandle, -1));
  if (FReplacing) ::unlink(FWritingPath.c_str());
}

}  // namespace orv
