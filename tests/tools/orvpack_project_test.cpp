// Runs the built orvpack on small project files and checks what it prints and returns.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct TRun {
  std::string out;
  int exit_code;
};

std::string Quoted(const std::string& word) { return "'" + word + "'"; }

TRun RunOrvpack(const std::string& arguments) {
  const std::string command = Quoted(ORVPACK_PATH) + " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {"", -1};
  TRun run;
  char chunk[4096];
  while (size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) run.out.append(chunk, got);
  const int status = pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Fixture(const std::string& name, const std::string& bytes) {
  const std::string path = testing::TempDir() + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return Quoted(path);
}

TEST(OrvpackDump, WritesTheProjectBackWithoutMarkInCrLf) {
  const std::string file = Fixture("dump.orv", "\xEF\xBB\xBF[ Main ]\n key = v \nobject o:c\nx=1\nend\n; note\n");
  const TRun run = RunOrvpack("dump " + file);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "[Main]\r\nkey=v\r\nobject o:c\r\n  x=1\r\nend\r\n; note\r\n");
}

TEST(OrvpackGet, PrintsOneValueOrSaysWhatIsMissing) {
  const std::string file = Fixture("get.orv",
                                   "top=root\n[Main]\nopt_a=1\nOPT_A=2\ntext=caf\xE9\n");
  struct TCase {
    std::string arguments;
    std::string out;
    int exit_code;
  };
  const TCase cases[] = {
      {"main opt_a", "2\n", 0},
      {"MAIN text", "caf\xC3\xA9\n", 0},  // a file without a mark is Windows-1252
      {"'' top", "root\n", 0},
      {"Other opt_a", "", 1},
      {"Main missing", "", 1},
  };
  for (const TCase& c : cases) {
    const TRun run = RunOrvpack("get " + file + " " + c.arguments);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.arguments;
    EXPECT_EQ(run.out, c.out) << c.arguments;
  }
}

TEST(OrvpackGet, BadUtf8ValueIsAnErrorNotGarbage) {
  const std::string file = Fixture("bad.orv", "\xEF\xBB\xBF[S]\nv=a\xC3(\n");
  const TRun run = RunOrvpack("get " + file + " S v");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
}

TEST(OrvpackProjectCommands, BadUsageAndMissingFilesFail) {
  const std::string missing = Quoted(testing::TempDir() + "/none.orv");
  for (const std::string& arguments :
       {std::string("dump"), std::string("get x.orv Main"), "dump " + missing, "get " + missing + " Main k"}) {
    const TRun run = RunOrvpack(arguments);
    EXPECT_EQ(run.exit_code, 2) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
  }
}

}  // namespace
