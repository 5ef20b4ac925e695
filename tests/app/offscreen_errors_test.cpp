// Off-screen runs that cannot be done end at once with the reason: bad switches, an
// output that cannot be written, a show without slides, a stretch after the show's end.
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

}  // namespace
}  // namespace orv::test
