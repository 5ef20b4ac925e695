// Runs the built orvpack on small shows written by the test.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct TRun {
  int ExitCode = -1;
  std::string Output;
};

TRun RunOrvpack(const std::string& arguments) {
  TRun run;
  FILE* pipe = popen((std::string(ORVPACK_PATH) + " " + arguments + " 2>/dev/null").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) run.Output.append(buffer, n);
  const int status = pclose(pipe);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string WriteShow(const std::string& name, const std::string& text) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

constexpr const char* kShow = R"([Main]
opt_repeat=close
object TheEffect:AnEffect
  time=1500
  object push:push
    checked=1
    direction=1000
  end
end
[Times]
opt_slidescount=2
opt_synchpos1=3000
opt_synchpos2=4000
[Slide1]
Picture=C:\pics\a "quoted" name.jpg
object TheEffect:AnEffect
  ref=Push
  time=2000
end
Pers_EndAction=loop
[Slide2]
Pers_RunApp=1
RunAppFN=C:\tools\run.exe
)";

TEST(OrvpackTimeline, PrintsOneJsonObjectPerVirtualIndex) {
  const std::string show = WriteShow("timeline_show.orv", kShow);
  const TRun run = RunOrvpack("timeline " + show + " --from -1 --to 2");
  ASSERT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Output,
            "{\"index\":-1,\"StartTime\":-1073741823,\"EndTime\":0,\"EffectIn\":0,\"EffectNext\":2000,"
            "\"VisibleUntil\":2000,\"SlideId\":\"\",\"transition\":\"\",\"EndAction\":\"\",\"LoopLength\":0,"
            "\"RunApp\":\"\"}\n"
            "{\"index\":0,\"StartTime\":0,\"EndTime\":3000,\"EffectIn\":2000,\"EffectNext\":1500,"
            "\"VisibleUntil\":4500,\"SlideId\":\"a \\\"quoted\\\" name\",\"transition\":\"push\","
            "\"EndAction\":\"loop\",\"LoopLength\":1000,\"RunApp\":\"\"}\n"
            "{\"index\":1,\"StartTime\":3000,\"EndTime\":4000,\"EffectIn\":1000,\"EffectNext\":0,"
            "\"VisibleUntil\":4000,\"SlideId\":\"\",\"transition\":\"default\",\"EndAction\":\"\","
            "\"LoopLength\":0,\"RunApp\":\"C:\\\\tools\\\\run.exe\"}\n"
            "{\"index\":2,\"StartTime\":4000,\"EndTime\":7000,\"EffectIn\":2000,\"EffectNext\":1500,"
            "\"VisibleUntil\":8500,\"SlideId\":\"a \\\"quoted\\\" name\",\"transition\":\"push\","
            "\"EndAction\":\"loop\",\"LoopLength\":1000,\"RunApp\":\"\"}\n");
}

TEST(OrvpackTimeline, DefaultRangeIsEverySlideOnce) {
  const std::string show = WriteShow("timeline_range.orv", kShow);
  const TRun run = RunOrvpack("timeline " + show);
  ASSERT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Output.rfind("{\"index\":0,", 0), 0u);
  EXPECT_NE(run.Output.find("\n{\"index\":1,"), std::string::npos);
  EXPECT_EQ(std::count(run.Output.begin(), run.Output.end(), '\n'), 2);
}

TEST(OrvpackTimeline, ReadsTheProjectInsideAPackage) {
  const std::string project = WriteShow("timeline_packed.orv", kShow);
  const std::string package = testing::TempDir() + "timeline_package";
  ASSERT_EQ(RunOrvpack("build -o " + package + " --project " + project).ExitCode, 0);
  const TRun loose = RunOrvpack("timeline " + project + " --from 1 --to 5");
  const TRun packed = RunOrvpack("timeline " + package + " --from 1 --to 5");
  ASSERT_EQ(packed.ExitCode, 0);
  EXPECT_EQ(packed.Output, loose.Output);
}

TEST(OrvpackTimeline, RefusesBadUsageAndMissingShows) {
  const std::string show = WriteShow("timeline_usage.orv", kShow);
  for (const std::string& arguments :
       {std::string("timeline"), "timeline " + show + " --from", "timeline " + show + " --to x",
        "timeline " + show + " extra", "timeline " + testing::TempDir() + "no_such_show.orv"}) {
    SCOPED_TRACE(arguments);
    const TRun run = RunOrvpack(arguments);
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Output, "");
  }
}

}  // namespace
