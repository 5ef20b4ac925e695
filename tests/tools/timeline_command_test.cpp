// Runs the built orvpack on small shows written by the test.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "orvpack_runner.h"

namespace {

using namespace orv::test;

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
  const std::string show = WriteFixture("timeline_show.orv", kShow);
  const TToolRun run = RunOrvpack("timeline " + show + " --from -1 --to 2");
  ASSERT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out,
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
  const std::string show = WriteFixture("timeline_range.orv", kShow);
  const TToolRun run = RunOrvpack("timeline " + show);
  ASSERT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out.rfind("{\"index\":0,", 0), 0u);
  EXPECT_NE(run.out.find("\n{\"index\":1,"), std::string::npos);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2);
}

TEST(OrvpackTimeline, ReadsTheProjectInsideAPackage) {
  const std::string project = WriteFixture("timeline_packed.orv", kShow);
  const std::string package = testing::TempDir() + "timeline_package";
  ASSERT_EQ(RunOrvpack("build -o " + package + " --project " + project).exit_code, 0);
  const TToolRun loose = RunOrvpack("timeline " + project + " --from 1 --to 5");
  const TToolRun packed = RunOrvpack("timeline " + package + " --from 1 --to 5");
  ASSERT_EQ(packed.exit_code, 0);
  EXPECT_EQ(packed.out, loose.out);
}

TEST(OrvpackTimeline, RefusesBadUsageAndMissingShows) {
  const std::string show = WriteFixture("timeline_usage.orv", kShow);
  for (const std::string& arguments :
       {std::string("timeline"), "timeline " + show + " --from", "timeline " + show + " --to x",
        "timeline " + show + " extra", "timeline " + testing::TempDir() + "no_such_show.orv"}) {
    SCOPED_TRACE(arguments);
    const TToolRun run = RunOrvpack(arguments);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
