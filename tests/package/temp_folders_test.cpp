#include "package/temp_folders.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include <gtest/gtest.h>

#include "base/exceptions.h"
#include "package_fixture.h"

namespace orv {
namespace {

using testing_package::PackageTest;
using testing_package::WriteFile;
namespace fs = std::filesystem;

// Another instance of the program: temp_folder_child with TMPDIR set to our base folder.
class ChildInstance {
public:
  explicit ChildInstance(const std::string& base) {
    int to_child[2], from_child[2];
    EXPECT_EQ(::pipe2(to_child, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(from_child, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
    posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
    const std::string tmpdir = "TMPDIR=" + base;
    char* argv[] = {const_cast<char*>(TEMP_FOLDER_CHILD), nullptr};
    char* envp[] = {const_cast<char*>(tmpdir.c_str()), nullptr};
    EXPECT_EQ(::posix_spawn(&FPid, TEMP_FOLDER_CHILD, &actions, nullptr, argv, envp), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(to_child[0]);
    ::close(from_child[1]);
    FInput = to_child[1];
    FOutput = ::fdopen(from_child[0], "r");
  }
  ~ChildInstance() {
    Kill();
    if (FOutput) std::fclose(FOutput);
  }

  // The folder the child took (waits until it has printed it).
  std::string Folder() {
    char line[4096] = {};
    if (!std::fgets(line, sizeof line, FOutput)) return {};
    std::string folder = line;
    if (folder.ends_with('\n')) folder.pop_back();
    return folder;
  }
  // Lets the child end normally; returns its exit status.
  int Finish() {
    CloseInput();
    return Wait();
  }
  void Kill() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGKILL);
    Wait();
  }

private:
  void CloseInput() {
    if (FInput >= 0) ::close(FInput);
    FInput = -1;
  }
  int Wait() {
    CloseInput();
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = 0;
    return status;
  }

  pid_t FPid = 0;
  int FInput = -1;
  FILE* FOutput = nullptr;
};

class TempFoldersTest : public PackageTest {
protected:
  std::string Base() const { return FDir.string() + "/"; }
  std::string RootPath() const { return Base() + "TESSARO_TEMP_ROOT"; }
};

bool Exists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

std::string WithoutSlash(std::string path) {
  if (path.ends_with('/')) path.pop_back();
  return path;
}

// A folder name of the form the program makes, every digit `digit`.
std::string GuidName(char digit) {
  std::string guid(36, digit);
  for (size_t dash : {8, 13, 18, 23}) guid[dash] = '-';
  return "[" + guid + "]";
}

TEST(TempFolderNames, OnlyTheProgramsOwnNamesAreAccepted) {
  const std::string guid = GuidName('A');
  const struct {
    std::string name;
    bool folder;
    bool lock;
  } cases[] = {
      {"[0123ABCD-4567-89EF-0123-456789ABCDEF]", true, false},
      {"[0123ABCD-4567-89EF-0123-456789ABCDEF].lock", false, true},
      {".", false, false},
      {"..", false, false},
      {".lock", false, false},
      {"..lock", false, false},
      {"...lock", false, false},
      {"[].lock", false, false},
      {"[../..].lock", false, false},
      {guid.substr(0, 9) + "/" + guid.substr(10) + ".lock", false, false},
      {"[0123abcd-4567-89ef-0123-456789abcdef]", false, false},   // lower case: not ours
      {"[0123ABCD-4567-89EF-0123-456789ABCDE]", false, false},    // a digit short
      {"[0123ABCD-4567-89EF-0123-456789ABCDEF0]", false, false},  // a digit too many
      {"[0123ABCD+4567-89EF-0123-456789ABCDEF]", false, false},
      {"{0123ABCD-4567-89EF-0123-456789ABCDEF}", false, false},
      {guid + ".lock.lock", false, false},
      {guid + ".LOCK", false, false},
      {std::string("[0123ABCD-4567-89EF-0123-456789ABCDE\0]", 38), false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsPrivateFolderName(c.name), c.folder) << c.name;
    EXPECT_EQ(IsLockFileName(c.name), c.lock) << c.name;
  }
}

TEST_F(TempFoldersTest, PrivateFoldersAreOwnerOnlyAndGoAtRelease) {
  TTempFolders folders(Base());
  EXPECT_EQ(folders.Root(), RootPath() + "/");
  const std::string with_slash = folders.CreatePrivateFolder(true);
  const std::string without = folders.CreatePrivateFolder(false);
  EXPECT_TRUE(with_slash.ends_with("]/"));
  EXPECT_TRUE(without.ends_with("]"));
  EXPECT_NE(WithoutSlash(with_slash), without);
  EXPECT_EQ(without.size(), RootPath().size() + 1 + 38);  // "[" + GUID + "]"
  for (const std::string& folder : {WithoutSlash(with_slash), without}) {
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(Exists(folder + ".lock"));
  }
  struct stat root {};
  ::stat(RootPath().c_str(), &root);
  EXPECT_EQ(root.st_mode & 0777, 0700u);

  WriteFile(without + "/sub/deep.bin", "x");
  fs::permissions(without + "/sub", fs::perms::owner_read | fs::perms::owner_exec);
  folders.ReleaseAll();
  EXPECT_FALSE(Exists(without));
  EXPECT_FALSE(Exists(without + ".lock"));
  EXPECT_FALSE(Exists(WithoutSlash(with_slash)));
  EXPECT_TRUE(fs::is_empty(RootPath()));
}

TEST_F(TempFoldersTest, AKilledInstancesFolderIsSweptByTheNext) {
  ChildInstance child(Base());
  const std::string folder = WithoutSlash(child.Folder());
  ASSERT_TRUE(folder.starts_with(RootPath() + "/["));
  child.Kill();
  ASSERT_TRUE(Exists(folder + "/library.so"));
  ASSERT_TRUE(Exists(folder + ".lock"));

  TTempFolders next(Base());
  next.Root();
  EXPECT_FALSE(Exists(folder));
  EXPECT_FALSE(Exists(folder + ".lock"));
}

TEST_F(TempFoldersTest, InstancesRunningAtOnceKeepTheirFolders) {
  ChildInstance first(Base());
  ChildInstance second(Base());
  const std::string first_folder = first.Folder();
  const std::string second_folder = second.Folder();
  ASSERT_FALSE(first_folder.empty());
  ASSERT_NE(first_folder, second_folder);

  TTempFolders third(Base());
  third.Root();  // sweeps, but both lock files are held
  const std::string own = third.CreatePrivateFolder(true);
  EXPECT_TRUE(Exists(first_folder + "library.so"));
  EXPECT_TRUE(Exists(second_folder + "library.so"));

  EXPECT_EQ(first.Finish(), 0);
  EXPECT_EQ(second.Finish(), 0);
  EXPECT_FALSE(Exists(first_folder));
  EXPECT_FALSE(Exists(second_folder));
  EXPECT_TRUE(Exists(own));
}

TEST_F(TempFoldersTest, LeftOversWithAFreshLockAreSwept) {
  const std::string old = RootPath() + "/" + GuidName('0');
  const std::string lockless = RootPath() + "/" + GuidName('1');
  fs::create_directories(old + "/library");
  WriteFile(old + "/library/ffmpeg.so", "x");
  fs::permissions(old + "/library", fs::perms::owner_read | fs::perms::owner_exec);
  WriteFile(old + ".lock", "");
  WriteFile(lockless + "/kept.so", "x");  // no lock file: not ours to judge
  TTempFolders folders(Base());
  folders.Root();
  EXPECT_FALSE(Exists(old));
  EXPECT_FALSE(Exists(old + ".lock"));
  EXPECT_TRUE(Exists(lockless + "/kept.so"));
}

// Stray names in the root must not lead the sweep anywhere: "..lock" names the root itself
// and "...lock" the folder above it.
TEST_F(TempFoldersTest, StrayNamesNeverLeadTheSweepOutOfItsFolders) {
  ChildInstance running(Base());
  const std::string running_folder = running.Folder();
  ASSERT_FALSE(running_folder.empty());
  WriteFile(PathOf("beside_root.txt"), "keep");
  const std::vector<std::string> strays = {".lock", "..lock", "...lock", "[].lock", "lock.lock",
                                           GuidName('a') + ".lock"};
  for (const std::string& stray : strays) WriteFile(RootPath() + "/" + stray, "");
  fs::create_directories(RootPath() + "/lock");  // what "lock.lock" would name

  TTempFolders folders(Base());
  folders.Root();
  EXPECT_EQ(testing_package::ReadFile(PathOf("beside_root.txt")), "keep");
  EXPECT_TRUE(Exists(running_folder + "library.so"));
  EXPECT_TRUE(Exists(RootPath() + "/lock"));
  for (const std::string& stray : strays) EXPECT_TRUE(Exists(RootPath() + "/" + stray)) << stray;
  EXPECT_EQ(running.Finish(), 0);
}

TEST_F(TempFoldersTest, PlantedLinksAreNotFollowed) {
  WriteFile(PathOf("outside/precious.txt"), "keep");
  fs::create_directories(RootPath());
  fs::permissions(RootPath(), fs::perms::owner_all, fs::perm_options::replace);
  // A lock that is a link, and a left-over "folder" that is a link.
  const std::string a = RootPath() + "/" + GuidName('A');
  const std::string b = RootPath() + "/" + GuidName('B');
  fs::create_symlink(PathOf("outside/precious.txt"), a + ".lock");
  fs::create_directory_symlink(PathOf("outside"), a);
  fs::create_directory_symlink(PathOf("outside"), b);
  WriteFile(b + ".lock", "");
  TTempFolders folders(Base());
  folders.Root();
  EXPECT_EQ(testing_package::ReadFile(PathOf("outside/precious.txt")), "keep");
  EXPECT_FALSE(Exists(b));  // the link itself goes
}

TEST_F(TempFoldersTest, ARootThatIsALinkIsRefused) {
  fs::create_directories(PathOf("elsewhere"));
  fs::create_directory_symlink(PathOf("elsewhere"), RootPath());
  TTempFolders folders(Base());
  try {
    folders.Root();
    FAIL() << "a linked root was used";
  } catch (const EAssertionFailed& error) {
    EXPECT_NE(std::string(error.what()).find("VendorTemp Create Error: " + RootPath()), std::string::npos);
  }
}

TEST_F(TempFoldersTest, AnUnwritableRootFailsInsteadOfLooping) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TTempFolders folders(Base());
  folders.Root();
  fs::permissions(RootPath(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  EXPECT_THROW(folders.CreatePrivateFolder(true), EFileError);
  fs::permissions(RootPath(), fs::perms::owner_all, fs::perm_options::replace);
}

}  // namespace
}  // namespace orv
