// Runs the built orvpack on small project files and checks what it prints and returns.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "orvpack_runner.h"

namespace {

using namespace orv::test;

std::string Fixture(const std::string& name, const std::string& bytes) { return Quoted(WriteFixture(name, bytes)); }

TEST(OrvpackDump, WritesTheProjectBackWithoutMarkInCrLf) {
  const std::string file = Fixture("dump.orv", "\xEF\xBB\xBF[ Main ]\n key = v \nobject o:c\nx=1\nend\n; note\n");
  const TToolRun run = RunOrvpack("dump " + file);
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
    const TToolRun run = RunOrvpack("get " + file + " " + c.arguments);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.arguments;
    EXPECT_EQ(run.out, c.out) << c.arguments;
  }
}

TEST(OrvpackGet, BadUtf8ValueIsAnErrorNotGarbage) {
  const std::string file = Fixture("bad.orv", "\xEF\xBB\xBF[S]\nv=a\xC3(\n");
  const TToolRun run = RunOrvpack("get " + file + " S v");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
}

TEST(OrvpackProjectCommands, BadUsageAndMissingFilesFail) {
  const std::string missing = Quoted(testing::TempDir() + "/none.orv");
  for (const std::string& arguments :
       {std::string("dump"), std::string("get x.orv Main"), "dump " + missing, "get " + missing + " Main k"}) {
    const TToolRun run = RunOrvpack(arguments);
    EXPECT_EQ(run.exit_code, 2) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
  }
}

}  // namespace
