#include "package/temp_folders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "base/assertions.h"
#include "base/exceptions.h"
#include "base/log.h"
#include "package/special_folders.h"

namespace fs = std::filesystem;

namespace orv {
namespace {

constexpr const char* kRootName = "TESSARO_TEMP_ROOT";
constexpr std::string_view kLockSuffix = ".lock";
constexpr int kCreateAttempts = 64;

constexpr size_t kGuidTextSize = 36;

bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// "[XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX]" from 16 random bytes (a version 4 GUID).
std::string NewGuidName() {
  uint8_t bytes[16];
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    std::random_device device;
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(device());
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string name = "[";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) name += '-';
    name += kHex[bytes[i] >> 4];
    name += kHex[bytes[i] & 15];
  }
  return name + "]";
}

// Deletes a file or a whole folder without following symbolic links; folders are made
// writable first, as a read-only folder would keep its files.
bool DeleteTree(const fs::path& path) {
  std::error_code error;
  if (fs::is_directory(fs::symlink_status(path, error))) {
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, error);
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) DeleteTree(entry.path());
  }
  fs::remove(path, error);
  return !error && !fs::exists(fs::symlink_status(path, error));
}

// Opens a lock file without following a planted symbolic link; -1 when it is not one.
int OpenLockFile(const std::string& path, int extra_flags) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | extra_flags, 0600);
  struct stat info {};
  if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Whether `fd` is still the file at `path`: a sweeper may have taken and removed a lock
// file between its creation and our lock.
bool StillAt(int fd, const std::string& path) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

// The lock file of a new folder, created and locked; -1 when that fails.
int CreateLockedFile(const std::string& path) {
  const int fd = OpenLockFile(path, O_CREAT | O_EXCL);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX) == 0 && StillAt(fd, path)) return fd;
  ::close(fd);
  return -1;
}

// A left-over: its lock can be taken, so no running instance holds it.
void SweepEntry(const std::string& lock_path) {
  const int fd = OpenLockFile(lock_path, O_NONBLOCK);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillAt(fd, lock_path)) {
    const std::string folder = lock_path.substr(0, lock_path.size() - kLockSuffix.size());
    // A folder that resists keeps its lock file for the next sweep.
    if (DeleteTree(folder)) ::unlink(lock_path.c_str());
  }
  ::close(fd);
}

}  // namespace

bool IsPrivateFolderName(std::string_view name) {
  if (name.size() != kGuidTextSize + 2 || name.front() != '[' || name.back() != ']') return false;
  for (size_t i = 0; i < kGuidTextSize; ++i) {
    const char c = name[i + 1];
    const bool dash_here = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash_here ? c != '-' : !IsUpperHexDigit(c)) return false;
  }
  return true;
}

bool IsLockFileName(std::string_view name) {
  return name.ends_with(kLockSuffix) && IsPrivateFolderName(name.substr(0, name.size() - kLockSuffix.size()));
}

TTempFolders::TTempFolders(std::string base_folder) : FRoot(std::move(base_folder) + kRootName + "/") {}

TTempFolders::~TTempFolders() { ReleaseAll(); }

std::string TTempFolders::Root() {
  std::lock_guard lock(FLock);
  if (!FRootReady) {
    PrepareRoot();
    Sweep();
    ORV_ASSERT(fs::is_directory(FRoot), "Temp Path not Found");
    FRootReady = true;
  }
  return FRoot;
}

void TTempFolders::PrepareRoot() {
  const std::string root = FRoot.substr(0, FRoot.size() - 1);
  std::error_code error;
  fs::create_directories(fs::path(root).parent_path(), error);
  ::mkdir(root.c_str(), 0700);
  // Another user's root, or a symbolic link planted in its place, must not be used.
  struct stat info {};
  const bool usable = ::lstat(root.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
                      ((info.st_mode & 077) == 0 || ::chmod(root.c_str(), 0700) == 0);
  ORV_ASSERT(usable, "VendorTemp Create Error: " + root);
}

void TTempFolders::Sweep() {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(FRoot, error)) {
    // Only names this program makes: anything else, "..lock" above all, would lead the
    // deletion out of the root.
    const std::string name = entry.path().filename().string();
    if (IsLockFileName(name)) SweepEntry(FRoot + name);
  }
}

std::string TTempFolders::CreatePrivateFolder(bool with_trailing_slash) {
  const std::string root = Root();
  std::lock_guard lock(FLock);
  // Names are random, so only a root that refuses new files fails every attempt.
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    const std::string folder = root + NewGuidName();
    const std::string lock_path = folder + std::string(kLockSuffix);
    // The lock comes first, so a sweep never sees the folder unguarded.
    const int fd = CreateLockedFile(lock_path);
    if (fd < 0) continue;
    if (::mkdir(folder.c_str(), 0700) != 0) {
      ::unlink(lock_path.c_str());
      ::close(fd);
      continue;
    }
    FFolders.emplace(folder, fd);
    return with_trailing_slash ? folder + "/" : folder;
  }
  throw EFileError("Cannot create a temporary folder in \"" + root + "\"");
}

void TTempFolders::ReleaseAll() {
  std::lock_guard lock(FLock);
  for (const auto& [folder, fd] : FFolders) {
    // Still holding the lock, so no sweep can race the deletion.
    if (DeleteTree(folder)) {
      ::unlink((folder + std::string(kLockSuffix)).c_str());
    } else {
      Log().Write("Temporary folder \"" + folder + "\" is left for the next start");
    }
    ::close(fd);
  }
  FFolders.clear();
}

namespace {

TTempFolders& ProcessTempFolders() {
  static TTempFolders folders(BaseTempFolder());
  return folders;
}

}  // namespace

std::string GetTempRoot() { return ProcessTempFolders().Root(); }
std::string CreatePrivateFolder(bool with_trailing_slash) {
  return ProcessTempFolders().CreatePrivateFolder(with_trailing_slash);
}
void ReleaseAll() { ProcessTempFolders().ReleaseAll(); }

}  // namespace orv
