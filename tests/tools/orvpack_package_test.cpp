// Runs the built orvpack to build packages and read them back with list and cat.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "orvpack_runner.h"

namespace {

namespace fs = std::filesystem;

using namespace orv::test;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class OrvpackPackage : public testing::Test {
protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("orvpack_package_" + std::to_string(::getpid()) + "_" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  std::string PathOf(const std::string& name) const { return (FDir / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    fs::create_directories(fs::path(PathOf(name)).parent_path());
    std::ofstream(PathOf(name), std::ios::binary) << bytes;
    return PathOf(name);
  }

  TToolRun Run(const std::string& arguments) const { return RunOrvpack(arguments, PathOf("stderr.txt")); }

  fs::path FDir;
};

std::string Binary(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
  return bytes;
}

TEST_F(OrvpackPackage, EveryFormReadsBack) {
  const std::string project = Write("show.orv", "[Main]\r\nOrvVersion=8\r\n");
  const std::string picture = Write("a.jpg", Binary(70000));
  const std::string player = Write("player", "\x7f" "ELF pretend player");
  struct TCase {
    std::string options;
    int method;
  };
  const TCase cases[] = {
      {"", 0},
      {"--method stored --long-trailer", 0},
      {"--method deflate --player " + Quoted(player), 1},
      {"--method scrambled --prefix-bytes 4096 --allow-modify", 2},
      {"--method deflate --long-trailer --prefix-bytes 1 --allow-modify --player " + Quoted(player), 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string show = Quoted(PathOf("show.exe"));
    const TToolRun build = Run("build -o " + show + " --project " + Quoted(project) + " --add " +
                           Quoted(picture + "=C:\\Pics\\[1]\ta.jpg") + " " + c.options);
    ASSERT_EQ(build.exit_code, 0) << build.err;
    const std::string m = std::to_string(c.method);
    const TToolRun list = Run("list " + show);
    EXPECT_EQ(list.exit_code, 0);
    if (c.method != 1) {
      EXPECT_EQ(list.out, "Project.orv\t22\t" + m + "\nC:\\Pics\\<1>#09a.jpg\t70000\t" + m + "\n");
    } else {
      EXPECT_TRUE(list.out.starts_with("Project.orv\t")) << list.out;
      EXPECT_NE(list.out.find("\nC:\\Pics\\<1>#09a.jpg\t"), std::string::npos) << list.out;
    }
    EXPECT_EQ(Run("cat " + show + " " + Quoted("c:\\pics\\[1]\tA.JPG")).out, Binary(70000));
    EXPECT_EQ(Run("cat " + show + " Project.orv").out, "[Main]\r\nOrvVersion=8\r\n");
  }
}

TEST_F(OrvpackPackage, FolderEntriesAreNamedByTheirRelativePath) {
  Write("show/Project.orv", "[Main]\r\n");
  Write("show/pics/b.jpg", "b");
  Write("show/pics/deep/c.jpg", "c");
  const std::string show = Quoted(PathOf("show.exe"));
  ASSERT_EQ(Run("build -o " + show + " --dir " + Quoted(PathOf("show"))).exit_code, 0);
  EXPECT_EQ(Run("list " + show).out, "Project.orv\t8\t0\npics/b.jpg\t1\t0\npics/deep/c.jpg\t1\t0\n");
  EXPECT_EQ(Run("cat " + show + " PICS/DEEP/c.jpg").out, "c");
}

TEST_F(OrvpackPackage, ShowBuiltOnAPlayerRunsLikeIt) {
  const std::string project = Write("show.orv", "[Main]\r\n");
  const std::string show = PathOf("show");
  ASSERT_EQ(Run("build -o " + Quoted(show) + " --player /bin/true --project " + Quoted(project)).exit_code, 0);
  struct stat info {};
  ASSERT_EQ(::stat(show.c_str(), &info), 0);
  EXPECT_TRUE(info.st_mode & S_IXUSR);
  EXPECT_EQ(std::system(Quoted(show).c_str()), 0);  // ELF ignores the bytes after it
}

TEST_F(OrvpackPackage, PackagesThatDoNotOpenSayWhy) {
  const std::string project = Write("show.orv", "[Main]\r\n");
  const std::string moved = Quoted(PathOf("moved.exe"));
  ASSERT_EQ(Run("build -o " + moved + " --project " + Quoted(project) + " --prefix-bytes 10").exit_code, 0);
  const std::string plain = Quoted(PathOf("plain.exe"));
  ASSERT_EQ(Run("build -o " + plain + " --project " + Quoted(project)).exit_code, 0);
  std::string damaged = ReadFile(PathOf("plain.exe"));
  Write("damaged.exe", damaged.replace(damaged.size() - 12, 8, 8, '\xff'));  // D = -1
  struct TCase {
    std::string arguments;
    std::string message;
  };
  const TCase cases[] = {
      {"list " + moved, "Slide-show File Modified"},
      {"cat " + moved + " Project.orv", "Slide-show File Modified"},
      {"list " + Quoted(project), "not a show package"},
      {"list " + Quoted(PathOf("damaged.exe")), "not a show package: "},
      {"list " + Quoted(PathOf("missing.exe")), "Slideshow File not Found"},
  };
  for (const TCase& c : cases) {
    const TToolRun run = Run(c.arguments);
    EXPECT_EQ(run.exit_code, 2) << c.arguments;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST_F(OrvpackPackage, DumpReadsTheProjectInsideAPackage) {
  const std::string show = Quoted(PathOf("show.exe"));
  const std::string project = Quoted(Write("p.orv", "[Main]\r\nOrvVersion=8\r\n"));
  ASSERT_EQ(Run("build -o " + show + " --project " + project + " --method deflate --player /bin/true").exit_code, 0);
  EXPECT_EQ(Run("dump " + show).out, "[Main]\r\nOrvVersion=8\r\n");
  ASSERT_EQ(Run("build -o " + show + " --add " + project + "=other.orv").exit_code, 0);
  const TToolRun without_project = Run("dump " + show);
  EXPECT_EQ(without_project.exit_code, 2);
  EXPECT_NE(without_project.err.find("Executable SlideShow Open Error"), std::string::npos);
}

TEST_F(OrvpackPackage, MissingEntryExitsWithOne) {
  const std::string show = Quoted(PathOf("show.exe"));
  ASSERT_EQ(Run("build -o " + show + " --project " + Quoted(Write("p.orv", "x"))).exit_code, 0);
  const TToolRun run = Run("cat " + show + " nothing.jpg");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("no entry \"nothing.jpg\""), std::string::npos);
}

TEST_F(OrvpackPackage, FailedBuildsLeaveNoPackage) {
  const std::string out = PathOf("out.exe");
  const std::string project = Quoted(Write("p.orv", "x"));
  const std::vector<std::string> builds = {
      "build --project " + project,
      "build -o " + Quoted(out) + " --method zip --project " + project,
      "build -o " + Quoted(out) + " --prefix-bytes -3",
      "build -o " + Quoted(out) + " --frobnicate",
      "build -o " + Quoted(out) + " --add",
      "build -o " + Quoted(out) + " --add " + Quoted(PathOf("missing.jpg")),
      "build -o " + Quoted(out) + " --project " + project + " --add " + project + "=project.ORV",
  };
  for (const std::string& build : builds) {
    const TToolRun run = Run(build);
    EXPECT_EQ(run.exit_code, 2) << build;
    EXPECT_FALSE(run.err.empty()) << build;
    EXPECT_FALSE(fs::exists(out)) << build;
  }
}

}  // namespace
