// The orvviewer program itself, started as a user would, without a display (SDL's
// off-screen driver): shows open, messages go to stderr, the temporary folder goes away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "package_fixture.h"

extern char** environ;

namespace orv {
namespace {

namespace fs = std::filesystem;
using testing_package::PackageTest;
using testing_package::ReadFile;
using testing_package::WriteFile;
using testing_package::WritePackage;

const std::string kProject = "[Main]\r\nOrvVersion=8.1\r\nopt_exefn=C:\\Shows\\show.exe\r\nopt_scr_full=0\r\n";

class Player {
 public:
  Player(const std::vector<std::string>& arguments, const std::string& folder)
      : FOut(folder + "/out.txt"), FErr(folder + "/err.txt") {
    // In a sanitizer build the program's own leaks are checked, not the GL driver's.
    WriteFile(folder + "/lsan.supp", "leak:libEGL_mesa\nleak:swrast_dri\nleak:libLLVM\nleak:libGLX_mesa\n");
    std::vector<std::string> environment = {
        "SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "TMPDIR=" + folder + "/tmp",
        "XDG_RUNTIME_DIR=" + folder + "/tmp",
        "LSAN_OPTIONS=print_suppressions=0:suppressions=" + folder + "/lsan.supp"};
    const std::set<std::string> replaced = {
        "SDL_VIDEODRIVER=", "SDL_AUDIODRIVER=", "TMPDIR=",         "XDG_RUNTIME_DIR=",
        "LSAN_OPTIONS=",    "DISPLAY=",         "WAYLAND_DISPLAY="};
    for (char** variable = environ; *variable; ++variable) {
      const std::string entry = *variable;
      if (!replaced.contains(entry.substr(0, entry.find('=') + 1))) environment.push_back(entry);
    }
    fs::create_directories(folder + "/tmp");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, FOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, FErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv, envp;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0) << arguments[0];
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Player() {
    if (FPid > 0) {
      ::kill(FPid, SIGKILL);
      Wait();
    }
  }

  void Signal(int signal) { ::kill(FPid, signal); }
  // The exit code, or 128 + the signal that ended the program; -1 when it did not end in
  // time.
  int Wait() {
    for (int i = 0; i < 3000 && FPid > 0; ++i) {
      int status = 0;
      if (::waitpid(FPid, &status, WNOHANG) == FPid) {
        FPid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }
  std::string Out() const { return ReadFile(FOut); }
  std::string Err() const { return ReadFile(FErr); }

 private:
  pid_t FPid = -1;
  std::string FOut;
  std::string FErr;
};

class Orvviewer : public PackageTest {
 protected:
  // Executable shows: the player with a package appended.
  std::string MakeShow(const std::string& name, const std::string& project, const std::string& media_library = "") {
    std::vector<testing_package::TestEntry> entries = {{u"Project.orv", project, TPackMethod::Deflated}};
    if (!media_library.empty()) entries.push_back({u"ffmpeg.dll", media_library, TPackMethod::Deflated});
    const std::string path = PathOf(name);
    fs::create_directories(fs::path(path).parent_path());
    WritePackage(path, entries, {}, ReadFile(ORVVIEWER_PATH));
    fs::permissions(path, fs::perms::owner_all);
    return path;
  }
  std::string CopyPlayer(const std::string& name) {
    const std::string path = PathOf(name);
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(ORVVIEWER_PATH, path, fs::copy_options::overwrite_existing);
    return path;
  }
  std::string Folder() const { return FDir.string(); }
  fs::path TempRoot() const { return FDir / "tmp" / "TESSARO_TEMP_ROOT"; }

  // The folders "[GUID]" in the temporary root.
  std::vector<fs::path> PrivateFolders() const {
    std::vector<fs::path> folders;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(TempRoot(), error))
      if (entry.is_directory()) folders.push_back(entry.path());
    return folders;
  }
  size_t RootEntries() const {
    std::error_code error;
    size_t count = 0;
    for (auto it = fs::directory_iterator(TempRoot(), error); !error && it != fs::directory_iterator(); ++it) ++count;
    return count;
  }

  // Waits until the file holds every one of `lines`.
  static bool WaitForText(const std::string& file, const std::vector<std::string>& lines) {
    for (int i = 0; i < 3000; ++i) {
      const std::string text = ReadFile(file);
      if (std::all_of(lines.begin(), lines.end(),
                      [&](const std::string& line) { return text.find(line) != std::string::npos; }))
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};

TEST_F(Orvviewer, APackagedShowOpensAndItsTemporaryFolderGoesWithIt) {
  const std::string show = MakeShow("bin/show", kProject, ReadFile(ORV_MEDIA_LIBRARY_PATH));
  Player player({show, "-filelog"}, Folder());
  const std::string log = PathOf("bin/show.log");
  ASSERT_TRUE(WaitForText(log, {"Show opened: " + show, "First frame presented", "Media library loaded"}))
      << ReadFile(log) << player.Err();
  const std::vector<fs::path> folders = PrivateFolders();
  ASSERT_EQ(folders.size(), 1u);
  EXPECT_TRUE(fs::is_regular_file(folders[0] / "ffmpeg.dll"));
  EXPECT_NE(ReadFile(log).find("Media library loaded: " + (folders[0] / "ffmpeg.dll").string()), std::string::npos);

  player.Signal(SIGTERM);  // a close request
  EXPECT_EQ(player.Wait(), 0);
  EXPECT_EQ(RootEntries(), 0u);
  EXPECT_EQ(player.Err(), "");
  const std::string text = ReadFile(log);
  const std::string rule(64, '=');
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF\r\n" + rule + "\r\nProgram : " + show + "\r\nstarted : ", 0), 0u) << text;
  EXPECT_NE(text.find("\r\n" + std::string(64, '-') + "\r\nProgram stoped : "), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 66), std::string(64, '-') + "\r\n");
}

TEST_F(Orvviewer, TheFolderOfAKilledPlayerIsSweptByTheNextStart) {
  const std::string show = MakeShow("bin/show", kProject, ReadFile(ORV_MEDIA_LIBRARY_PATH));
  const std::string log = PathOf("bin/show.log");
  fs::path killed_folder;
  {
    Player killed({show, "-filelog"}, Folder());
    ASSERT_TRUE(WaitForText(log, {"Media library loaded"})) << killed.Err();
    ASSERT_EQ(PrivateFolders().size(), 1u);
    killed_folder = PrivateFolders()[0];
    killed.Signal(SIGKILL);
    EXPECT_EQ(killed.Wait(), 128 + SIGKILL);
  }
  EXPECT_TRUE(fs::exists(killed_folder));
  fs::remove(log);
  Player next({show, "-filelog"}, Folder());
  ASSERT_TRUE(WaitForText(log, {"Media library loaded"})) << next.Err();
  EXPECT_FALSE(fs::exists(killed_folder));
  EXPECT_EQ(PrivateFolders().size(), 1u);
  next.Signal(SIGINT);
  EXPECT_EQ(next.Wait(), 0);
  EXPECT_EQ(RootEntries(), 0u);
}

TEST_F(Orvviewer, StartFailuresSayWhyOnStderrAndExit) {
  const std::string program = CopyPlayer("bin/orvviewer");
  const std::string folder = PathOf("bin") + "/";
  struct {
    std::vector<std::string> arguments;
    std::string message;
  } const cases[] = {
      {{program}, "Slideshow File not Found\n\"" + program + "\" or \"" + program + ".OvShow\""},
      {{program, "-EXENAME", "../missing.exe"},
       "Slideshow File not Found\n\"" + PathOf("missing.exe") + "\" or \"" + PathOf("missing.OvShow") + "\""},
      {{program, "-filename", "nothing here.orv"}, "Can`t Load .orv File\n\"" + folder + "nothing here.orv\""},
      {{program, PathOf("bin/orvviewer")},
       "Slideshow File not Found\n\"" + program + "\" or \"" + program + ".OvShow\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    Player player(c.arguments, Folder());
    EXPECT_EQ(player.Wait(), 2);
    EXPECT_EQ(player.Err(), "Slideshow Error: " + c.message + "\n");
  }
}

// Only regular files are read as shows: a pipe would block the player before it could
// say anything, and a device might never end.
TEST_F(Orvviewer, ShowsThatAreNoFilesAreRefusedAtOnce) {
  const std::string pipe = PathOf("show.pipe");
  const std::string socket_path = PathOf("show.socket");
  const std::string folder = PathOf("show.folder");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  std::copy(socket_path.begin(), socket_path.end(), address.sun_path);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  fs::create_directories(folder);
  for (const std::string& show : {pipe, socket_path, folder}) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {ORVVIEWER_PATH, show}, {ORVVIEWER_PATH, "-exename", show}, {ORVVIEWER_PATH, "-filename", show}}) {
      SCOPED_TRACE(arguments[1] + " " + arguments.back());
      Player player(arguments, Folder());
      EXPECT_EQ(player.Wait(), 2);
      EXPECT_TRUE(player.Err().starts_with("Slideshow Error: ")) << player.Err();
    }
  }
  ::close(listener);
}

TEST_F(Orvviewer, AShowWithoutItsExecutableNameSaysSoAndPlays) {
  const std::string show = MakeShow("bin/show", "[Main]\r\nopt_scr_full=0\r\n");
  Player player({show, "-log"}, Folder());
  ASSERT_TRUE(WaitForText(PathOf("err.txt"), {"Show opened"})) << player.Err();
  EXPECT_NE(player.Err().find("Slideshow Error: opt_exefn - Empty\n"), std::string::npos) << player.Err();
  player.Signal(SIGTERM);
  EXPECT_EQ(player.Wait(), 0);
}

TEST_F(Orvviewer, TheLibraryBesideTheProgramServesWhenTheShowsOwnIsForWindows) {
  fs::create_directories(PathOf("Common"));
  fs::copy_file(ORV_MEDIA_LIBRARY_PATH, PathOf("Common/FFmpeg.so"));
  const std::string show = MakeShow("bin/show", kProject, "MZ\x90\x00\x03 a Windows library");
  Player player({show, "-filelog"}, Folder());
  const std::string log = PathOf("bin/show.log");
  ASSERT_TRUE(WaitForText(log, {"Media library loaded: " + PathOf("bin") + "/../Common/FFmpeg.so"})) << ReadFile(log);
  EXPECT_NE(ReadFile(log).find("no library for this machine"), std::string::npos);
  EXPECT_EQ(RootEntries(), 0u);
  player.Signal(SIGTERM);
  EXPECT_EQ(player.Wait(), 0);
}

TEST_F(Orvviewer, HelpListsTheSwitches) {
  for (const char* help : {"-help", "--help", "-HELP"}) {
    Player player({ORVVIEWER_PATH, help}, Folder());
    EXPECT_EQ(player.Wait(), 0);
    EXPECT_EQ(player.Out().rfind("usage: orvviewer", 0), 0u) << help;
    EXPECT_NE(player.Out().find("-filelog"), std::string::npos);
  }
}

}  // namespace
}  // namespace orv
