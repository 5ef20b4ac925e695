// Off-screen runs that cannot be done end at once with the reason: bad switches, an
// output that cannot be written, a show without slides, a stretch after the show's end.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "offscreen_run_support.h"

namespace orv::test {
namespace {

TEST_F(OffscreenRunTest, BadRequestsEndAtOnceWithAReason) {
  const fs::path project = WriteProject(Show({Coloured(0)}, 2000));
  const fs::path empty = FFolder / "empty.orv";
  std::ofstream(empty) << "[Main]\nopt_scr_width=160\nopt_scr_height=90\n";
  std::ofstream(FFolder / "plain") << "x";
  std::string tall_text = Show({Coloured(0)}, 2000);
  tall_text.replace(tall_text.find("opt_scr_height=90"), 17, "opt_scr_height=99999");
  const fs::path tall = FFolder / "tall.orv";
  std::ofstream(tall) << tall_text;
  const struct {
    std::vector<std::string> Switches;
    const char* Reason;
    std::string Output;
  } cases[] = {
      {{"-filename", project.string(), "-export", (FFolder / "a.mp4").string(), "-size", "12x9"}, "-size", ""},
      {{"-filename", project.string(), "-export", (FFolder / "a.mp4").string(), "-fps", "-1"}, "-fps", ""},
      {{"-filename", project.string(), "-export", (FFolder / "plain/a.mp4").string()}, "Cannot write", ""},
      {{"-filename", empty.string(), "-snapshot", "0", (FFolder / "e.png").string()}, "no slides",
       (FFolder / "e.png").string()},
      {{"-filename", project.string(), "-export", (FFolder / "b.mp4").string(), "-from", "5000"}, "-from 5000 ms",
       (FFolder / "b.mp4").string()},
      {{"-filename", tall.string(), "-export", (FFolder / "c.mp4").string()}, "frame size 160x99999",
       (FFolder / "c.mp4").string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Reason);
    EXPECT_EQ(Run(c.Switches), 2);
    EXPECT_NE(FErrors.find(c.Reason), std::string::npos) << FErrors;
    if (!c.Output.empty()) {
      EXPECT_FALSE(fs::exists(c.Output)) << "an unfinished output was left behind";
    }
  }
}

std::string Contents(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

bool NoHiddenFilesIn(const fs::path& folder) {
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().starts_with(".")) return false;
  return true;
}

// A run that fails, before or after the show opens, leaves every path as it found it:
// files keep their bytes, and pipes and devices are neither written nor removed.
TEST_F(OffscreenRunTest, AFailedRunLeavesItsOutputAsItFoundIt) {
  const fs::path empty_show = FFolder / "empty.orv";
  const std::string empty_text = "[Main]\nopt_scr_width=160\nopt_scr_height=90\n";
  std::ofstream(empty_show) << empty_text;
  std::ofstream(FFolder / "keep.png") << "precious picture";
  std::ofstream(FFolder / "old.mp4") << "precious video";
  ASSERT_EQ(::mkfifo((FFolder / "pipe").c_str(), 0600), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::mknod((FFolder / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
  }
  const std::string show_text = Show({Coloured(0)}, 2000);
  const fs::path show = WriteProject(show_text);
  const std::string missing = (FFolder / "missing.orv").string();
  const struct {
    std::vector<std::string> Switches;
    fs::path Output;
    std::string Bytes;  // what a file keeps; empty for a pipe or a device
  } cases[] = {
      {{missing, "-snapshot", "500", "keep.png"}, FFolder / "keep.png", "precious picture"},
      {{missing, "-export", "old.mp4"}, FFolder / "old.mp4", "precious video"},
      {{missing, "-export", "pipe", "-raw"}, FFolder / "pipe", ""},
      {{"-filename", empty_show.string(), "-snapshot", "0", empty_show.string()}, empty_show, empty_text},
      {{"-filename", empty_show.string(), "-export", "pipe", "-raw"}, FFolder / "pipe", ""},
      {{"-filename", show.string(), "-export", show.string(), "-raw"}, show, show_text},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Switches[2]);
    EXPECT_EQ(Run(c.Switches), 2) << FErrors;
    struct stat info {};
    ASSERT_EQ(::lstat(c.Output.c_str(), &info), 0) << "the output was removed";
    if (c.Bytes.empty()) {
      EXPECT_TRUE(S_ISFIFO(info.st_mode));
    } else {
      EXPECT_EQ(Contents(c.Output), c.Bytes);
    }
  }
  if (root) {
    EXPECT_EQ(Run({missing, "-export", "null", "-raw"}), 2);
    struct stat info {};
    EXPECT_EQ(::lstat((FFolder / "null").c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
  }
  EXPECT_TRUE(NoHiddenFilesIn(FFolder));
}

// A run that succeeds puts its output in place of the old file and leaves nothing else.
TEST_F(OffscreenRunTest, ASuccessfulRunReplacesTheOldOutput) {
  const fs::path project = WriteProject(Show({Coloured(255)}, 1000));
  std::ofstream(FFolder / "shot.png") << "old";
  EXPECT_EQ(Run({"-filename", project.string(), "-snapshot", "500", "shot.png"}), 0) << FErrors;
  TFrame frame;
  EXPECT_TRUE(ReadPng(FFolder / "shot.png", frame));
  EXPECT_TRUE(NoHiddenFilesIn(FFolder));
}

}  // namespace
}  // namespace orv::test
