// The slide-moving rules on small shows, with the show's timeline taken from
// `orvpack timeline`, which prints it as the player computes it.
#include "show/slide_navigation.h"

#include <gtest/gtest.h>

#include <map>

#include "orvpack_runner.h"
#include "project/ini_values.h"

namespace orv {
namespace {

// Four slides ending at 3 s, 6 s, 8 s and 12 s; the second comes in with a push of 1 s,
// the third with one of 0.5 s, the others without a transition.
std::string Show(const std::string& repeat) {
  return "[Main]\nopt_repeat=" + repeat + R"(
object TheEffect:AnEffect
  time=1000
  object push:push
    checked=1
  end
end
[Times]
opt_slidescount=4
opt_synchpos1=3000
opt_synchpos2=6000
opt_synchpos3=8000
opt_synchpos4=12000
[Slide1]
SlideID=Intro
object TheEffect:AnEffect
  ref=push
  time=0
end
[Slide2]
SlideID=Middle
object TheEffect:AnEffect
  ref=push
  time=1000
end
[Slide3]
object TheEffect:AnEffect
  ref=push
  time=500
end
[Slide4]
SlideID=Middle
object TheEffect:AnEffect
  ref=push
  time=0
end
)";
}

Ref<TOrvSource> SourceOf(const std::string& text) {
  auto project = MakeRef<TIniFile>();
  EXPECT_TRUE(project->LoadFromBytes(text));
  TOrvSourceSettings settings;
  settings.RandomSeed = 1;
  return MakeRef<TOrvSource>(project, settings);
}

// One line of `orvpack timeline`: {"index":0,"StartTime":0,...}.
double Field(const std::string& line, const std::string& name) {
  const size_t at = line.find("\"" + name + "\":");
  EXPECT_NE(at, std::string::npos) << name << " in " << line;
  const size_t start = at + name.size() + 3;
  return ParseFloat(line.substr(start, line.find_first_of(",}", start) - start)).value_or(-1);
}

// The timeline orvpack prints for the virtual indexes `from` … `to`.
std::map<int, TSlideTimes> Timeline(const std::string& text, int from, int to) {
  const std::string path = test::WriteFixture("navigation.orv", text);
  const test::TToolRun run =
      test::RunOrvpack("timeline " + test::Quoted(path) + " --from " + std::to_string(from) + " --to " + std::to_string(to));
  EXPECT_EQ(run.exit_code, 0);
  std::map<int, TSlideTimes> timeline;
  size_t start = 0;
  for (size_t end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = run.out.substr(start, end - start);
    TSlideTimes& times = timeline[int(Field(line, "index"))];
    times.StartTime = Field(line, "StartTime");
    times.EndTime = Field(line, "EndTime");
    times.EffectIn = Field(line, "EffectIn");
  }
  return timeline;
}

int FullyShown(const TSlideTimes& times) { return int(times.StartTime + times.EffectIn); }

TEST(SlideNavigation, NextAndPreviousFollowTheTimelineOfARepeatingShow) {
  const std::string text = Show("repeat");
  const Ref<TOrvSource> source = SourceOf(text);
  const std::map<int, TSlideTimes> timeline = Timeline(text, -1, 9);
  ASSERT_EQ(timeline.size(), 11u);
  for (int index = 0; index <= 8; ++index) {
    SCOPED_TRACE(index);
    const TSlideTimes& here = timeline.at(index);
    const TSlideTimes& next = timeline.at(index + 1);
    const double time = here.StartTime + here.EffectIn + 100;
    // The next slide from its start (one ms in when it has no transition), or, paused,
    // from the end of its transition.
    const int next_start = int(next.StartTime) + (next.EffectIn == 0 ? 1 : 0);
    EXPECT_EQ(NextSlideTime(*source, time, false), next_start);
    EXPECT_EQ(NextSlideTime(*source, time, true), next.EffectIn == 0 ? next_start : FullyShown(next));
    // Back to where the slide before was fully shown; the first slide goes to 0.
    EXPECT_EQ(PreviousSlideTime(*source, time), index < 2 ? 0 : FullyShown(timeline.at(index - 1)));
  }
}

TEST(SlideNavigation, ConcreteTimes) {
  const Ref<TOrvSource> repeating = SourceOf(Show("repeat"));
  const Ref<TOrvSource> closing = SourceOf(Show("close"));
  // Before the show and on a slide's first moments.
  EXPECT_EQ(NextSlideTime(*repeating, 0, false), 3000);
  EXPECT_EQ(NextSlideTime(*repeating, 2999, false), 3000);
  EXPECT_EQ(NextSlideTime(*repeating, 3000, false), 6000);
  EXPECT_EQ(NextSlideTime(*repeating, 3000, true), 6500);
  EXPECT_EQ(NextSlideTime(*repeating, 7000, false), 8001);
  // The last slide goes on into the next pass of a repeating show, and to the end of one
  // that closes.
  EXPECT_EQ(NextSlideTime(*repeating, 9000, false), 12001);
  EXPECT_EQ(NextSlideTime(*closing, 9000, false), 12000);
  EXPECT_EQ(NextSlideTime(*closing, 9000, true), 12000);
  EXPECT_EQ(NextSlideTime(*closing, 12000, false), 12000);

  // Previous: the slide before, fully shown.
  EXPECT_EQ(PreviousSlideTime(*repeating, 0), 0);
  EXPECT_EQ(PreviousSlideTime(*repeating, 2000), 0);
  EXPECT_EQ(PreviousSlideTime(*repeating, 4500), 0);
  EXPECT_EQ(PreviousSlideTime(*repeating, 7000), 4000);
  EXPECT_EQ(PreviousSlideTime(*repeating, 10000), 6500);
  // Standing at a slide's very end (a "pause" end action): back to its own start, unless
  // that was less than half a second ago.
  EXPECT_EQ(PreviousSlideTime(*repeating, 8000), 6500);
  EXPECT_EQ(PreviousSlideTime(*closing, 12000), 8000);
}

TEST(SlideNavigation, SlideStartsAndIdentifiers) {
  const Ref<TOrvSource> repeating = SourceOf(Show("repeat"));
  const Ref<TOrvSource> closing = SourceOf(Show("close"));
  EXPECT_EQ(SlideStartTime(*repeating, -5), 1);
  EXPECT_EQ(SlideStartTime(*repeating, 0), 1);
  EXPECT_EQ(SlideStartTime(*repeating, 1), 3000);
  EXPECT_EQ(SlideStartTime(*repeating, 3), 8001);
  EXPECT_EQ(SlideStartTime(*repeating, 4), 12001);
  EXPECT_EQ(SlideStartTime(*closing, 4), 12000);
  EXPECT_EQ(SlideIndexOfId(*repeating, u"Middle"), 1);
  EXPECT_EQ(SlideIndexOfId(*repeating, u"middle"), -1);
  EXPECT_EQ(SlideIndexOfId(*repeating, u"Intro"), 0);
  EXPECT_EQ(SlideIndexOfId(*repeating, u"Outro"), -1);
}

}  // namespace
}  // namespace orv
