// Private temporary folders for files that must exist on disk while a show plays (the
// media library, decoder libraries). All instances share one root; each folder has a lock
// file beside it that its process keeps locked, so a folder whose lock can be taken was
// left by an instance that is gone, and the next instance sweeps it away.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace orv {

class TTempFolders {
public:
  // `base_folder` ends in "/"; the root is "TESSARO_TEMP_ROOT/" in it.
  explicit TTempFolders(std::string base_folder);
  // Releases every folder still registered.
  ~TTempFolders();
  TTempFolders(const TTempFolders&) = delete;
  TTempFolders& operator=(const TTempFolders&) = delete;

  // The root, with a trailing "/". The first call creates it (owner-only) and sweeps
  // away left-overs of instances that are gone. A root that cannot be made, or that is
  // not a folder of this user, fails the assertion "VendorTemp Create Error: " + root.
  std::string Root();
  // A new, empty, owner-only folder "[GUID]" in the root, kept locked until released.
  std::string CreatePrivateFolder(bool with_trailing_slash);
  // Deletes every folder of this instance. A folder that cannot be deleted keeps its
  // lock file, so the next instance's sweep deletes it.
  void ReleaseAll();

private:
  void PrepareRoot();
  void Sweep();

  std::mutex FLock;
  std::string FRoot;
  bool FRootReady = false;
  std::map<std::string, int> FFolders;  // folder path → its open, locked lock file
};

// The names the root may hold: "[GUID]" (upper-case hexadecimal digits in groups of 8, 4, 4,
// 4 and 12) and that name with ".lock". The sweep touches nothing else.
bool IsPrivateFolderName(std::string_view name);
bool IsLockFileName(std::string_view name);

// The process-wide instance, on the base temporary folder ($TMPDIR, /tmp, ...).
std::string GetTempRoot();
std::string CreatePrivateFolder(bool with_trailing_slash);
void ReleaseAll();

}  // namespace orv
