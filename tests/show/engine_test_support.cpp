#include "engine_test_support.h"

#include <chrono>
#include <thread>

#include "platform/main_thread.h"

namespace orv::test {
namespace {

std::string Block(const std::string& name_and_class, const std::string& lines) {
  return "object " + name_and_class + "\n" + lines + "end\n";
}

// The keys of slide `slide` from a list of (slide, value) pairs.
std::string SlideKeys(const std::vector<std::pair<int, std::string>>& list, int slide,
                      const std::function<std::string(const std::string&)>& keys) {
  for (const auto& [number, value] : list)
    if (number == slide) return keys(value);
  return "";
}

std::string SlideActionKeys(const TEngineShow& show, int slide) {
  return SlideKeys(show.EndActions, slide, [](const std::string& action) { return "Pers_EndAction=" + action + "\n"; }) +
         SlideKeys(show.RunApps, slide, [](const std::string& file) { return "Pers_RunApp=1\nRunAppFN=" + file + "\n"; }) +
         SlideKeys(show.Colours, slide, [](const std::string& colour) { return "bstyle=1\nbcolor=" + colour + "\n"; });
}

std::string EffectTime(const TEngineShow& show, int slide) {
  const std::string own = SlideKeys(show.EffectTimes, slide, [](const std::string& ms) { return ms; });
  return own.empty() ? std::to_string(show.EffectMs) : own;
}

}  // namespace

// Slides of equal length, each a box coming in with a push.
std::string EngineShowText(const TEngineShow& show) {
  std::string text = "[Main]\nopt_repeat=" + show.Repeat + "\nopt_scr_width=320\nopt_scr_height=240\n" +
                     Block("TheEffect:AnEffect", "time=500\n" + Block("push:push", "checked=1\ndirection=1100\n"));
  std::string times = "[Times]\nopt_slidescount=" + std::to_string(show.Slides) + "\n";
  for (int i = 1; i <= show.Slides; ++i) {
    times += "opt_synchpos" + std::to_string(i) + "=" + std::to_string(i * show.SlideMs) + "\n";
    text += "[Slide" + std::to_string(i) + "]\n" + SlideActionKeys(show, i) +
            Block("TheEffect:AnEffect", "ref=push\ntime=" + EffectTime(show, i) + "\n") +
            Block("Container:Root", Block("Box" + std::to_string(i) + ":Box", "GUID={B" + std::to_string(i) +
                                                                                  "}\nSize=100,100\n"));
  }
  return text + times;
}

Ref<TIniFile> EngineProject(const TEngineShow& show) {
  auto project = MakeRef<TIniFile>();
  EXPECT_TRUE(project->LoadFromBytes(EngineShowText(show)));
  return project;
}

void EngineHarness::SetUp() {
  MarkMainThread();
  Channel->OnFirstFrame = [this] { ++FirstFrames; };
  Channel->OnPosition = [this](int time, bool ended, int total) { Positions.push_back({time, ended, total}); };
  Channel->OnEvent = [this](TOrvEventData& data) { Events.push_back(Ref<TOrvEventData>::Share(&data)); };
}

void EngineHarness::TearDown() {
  Engine.reset();
  Channel->Close();
  RunMainThreadTasks();
}

void EngineHarness::MakeEngine(Ref<TOrvDrawController> controller, TOrvEngineSettings settings) {
  if (!settings.Clock) settings.Clock = Clock;
  Engine = std::make_unique<TOrvEngine>(Channel, std::move(controller), std::move(settings));
  Engine->EnableEndActions(true);
}

bool EngineHarness::WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    RunMainThreadTasks();
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  RunMainThreadTasks();
  return condition();
}

bool EngineHarness::WaitSteps() {
  const uint64_t target = Engine->Steps() + 2;
  return WaitFor([&] { return Engine->Steps() >= target; });
}

void EngineHarness::Advance(double ms) {
  for (double moved = 0; moved < ms; moved += 10) {
    Clock->Advance(std::min(10.0, ms - moved));
    ASSERT_TRUE(WaitSteps());
  }
}

void EngineHarness::SetPaused(bool paused) { Engine->Events().Post(engine_event::kMode, MakeRef<TModeData>(paused)); }

void EngineHarness::SetPosition(int position) {
  Ref<TOpenParams> request = MakeRef<TOpenParams>();
  request->RequestId = Engine->NewRequestId();
  request->Position = position;
  Engine->Events().Post(engine_event::kOpen, std::move(request));
}

int EngineHarness::EndedReports() const {
  int count = 0;
  for (const TPositionReport& report : Positions) count += report.Ended ? 1 : 0;
  return count;
}

}  // namespace orv::test
