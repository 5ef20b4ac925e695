// Runs the built orvpack eval on a small loose project written by the test.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "orvpack_runner.h"

namespace {

struct TEvalRun {
  int ExitCode = -1;
  std::map<std::string, std::string> Fields;  // NAME → VALUE
  size_t Lines = 0;
};

TEvalRun Eval(const std::string& arguments) {
  const orv::test::TToolRun tool = orv::test::RunOrvpack("eval " + arguments);
  TEvalRun run;
  run.ExitCode = tool.exit_code;
  std::istringstream lines(tool.out);
  for (std::string line; std::getline(lines, line); ++run.Lines) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) run.Fields[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return run;
}

// Slide 1 runs 0 … 4000 ms and stays during the 1000 ms transition into slide 2, so its
// key timeline is 5000 ms long; slide 2 starts after that transition.
constexpr const char* kShow = R"([Main]
[Times]
opt_slidescount=2
opt_synchpos1=4000
opt_synchpos2=9000
[Slide1]
object TheEffect:AnEffect
  ref=quick
  time=0
end
object Container:Root
  object Pic:Image
    GUID={5D1A6F3E-0000-4000-8000-000000000001}
    object Key:KeyPoint
      Time=0
      Opacity=0
      Position=-50,10
      object Twice:Mod
        dst=Scale.Y
        fn=value*2
      end
    end
    object Key:KeyPoint
      Origin=SlideEnd
      Time=-1000
      Opacity=100
      Position=50,10
      Zoom=250
    end
  end
end
[Slide2]
object TheEffect:AnEffect
  ref=dissolve
  time=1000
end
object Container:Root
  object Text:Text
    GUID={T2}
    object Key:KeyPoint
      Origin=PrevEffectEnd
      Time=0
      Opacity=0
    end
    object Key:KeyPoint
      Time=3000
      Opacity=100
    end
  end
end
)";

class OrvpackEvalTest : public ::testing::Test {
protected:
  void SetUp() override { std::ofstream(FShow, std::ios::binary) << kShow; }
  // One file per test: ctest runs the tests of this program side by side.
  std::string FShow =
      testing::TempDir() + "eval_show_" + testing::UnitTest::GetInstance()->current_test_info()->name() + ".orv";
};

TEST_F(OrvpackEvalTest, PrintsTheFifteenFieldsAtATime) {
  const TEvalRun run = Eval(FShow + " 1 {5d1a6f3e-0000-4000-8000-000000000001} 2000");
  ASSERT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Lines, 15u);
  const std::map<std::string, std::string> expected = {
      {"Opacity", "50"},  {"Pos.X", "0"},      {"Pos.Y", "10"},     {"Pos.Z", "0"},      {"Scale.X", "100"},
      {"Scale.Y", "200"}, {"Angle", "0"},      {"Angle.X", "0"},    {"Angle.Y", "0"},    {"Center.X", "0"},
      {"Center.Y", "0"},  {"Blur", "0"},       {"Frame.S", "175"},  {"Frame.X", "0"},    {"Frame.Y", "0"}};
  EXPECT_EQ(run.Fields, expected);
}

TEST_F(OrvpackEvalTest, KeyTimesFollowTheShowTimeline) {
  // The SlideEnd key sits at 5000 − 1000 ms: from there on the object holds its values.
  EXPECT_EQ(Eval(FShow + " 1 {5D1A6F3E-0000-4000-8000-000000000001} 4000").Fields["Opacity"], "100");
  EXPECT_EQ(Eval(FShow + " 1 {5D1A6F3E-0000-4000-8000-000000000001} 3000").Fields["Opacity"], "75");
  // Slide 2's first key waits for the end of its incoming transition.
  EXPECT_EQ(Eval(FShow + " 2 {T2} 500").Fields["Opacity"], "0");
  EXPECT_EQ(Eval(FShow + " 2 {T2} 2000").Fields["Opacity"], "50");
  EXPECT_EQ(Eval(FShow + " 2 {T2} 2000.5").Fields["Opacity"], "50.025");
}

TEST_F(OrvpackEvalTest, RefusesWhatItCannotFind) {
  EXPECT_EQ(Eval(FShow + " 1 {T2} 0").ExitCode, 1);          // the object is on slide 2
  EXPECT_EQ(Eval(FShow + " 3 {T2} 0").ExitCode, 1);          // no slide 3
  EXPECT_EQ(Eval(FShow + " 0 {T2} 0").ExitCode, 2);          // slides count from 1
  EXPECT_EQ(Eval(FShow + " 2 {T2} soon").ExitCode, 2);       // not a time
  EXPECT_EQ(Eval(FShow + " 2 {T2}").ExitCode, 2);            // missing argument
  EXPECT_EQ(Eval(FShow + ".missing 2 {T2} 0").ExitCode, 2);  // no such file
}

}  // namespace
