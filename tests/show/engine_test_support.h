// Shows made in code for the engine tests, a clock the test moves by hand, and an engine
// whose notifications the test collects on its own (main) thread.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "show/engine.h"

namespace orv::test {

struct TEngineShow {
  int Slides = 3;
  int SlideMs = 1000;
  int EffectMs = 200;
  std::string Repeat = "repeat";
  // Slide number (1-based) → its "Pers_EndAction".
  std::vector<std::pair<int, std::string>> EndActions;
  // Slide number (1-based) → the program it runs.
  std::vector<std::pair<int, std::string>> RunApps;
  // Slide number (1-based) → its background colour ("#RRGGBB").
  std::vector<std::pair<int, std::string>> Colours;
  // Slide number (1-based) → the length of its transition, instead of EffectMs.
  std::vector<std::pair<int, std::string>> EffectTimes;
};

std::string EngineShowText(const TEngineShow& show);
Ref<TIniFile> EngineProject(const TEngineShow& show);

// A clock that moves only when the test says so.
class TManualClock : public TShowClock {
public:
  double Milliseconds() const override { return FNow.load(); }
  bool IsExact() const override { return true; }
  void Advance(double ms) { FNow.store(FNow.load() + ms); }

private:
  std::atomic<double> FNow{0};
};

struct TPositionReport {
  int Time;
  bool Ended;
  int Total;
};

class EngineHarness : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // An engine on `clock` (a manual one when none), paused, end actions on.
  void MakeEngine(Ref<TOrvDrawController> controller = {}, TOrvEngineSettings settings = {});
  // Runs the main thread's tasks until `condition` holds; false after a generous timeout.
  bool WaitFor(const std::function<bool()>& condition);
  // Waits until the engine has taken two more steps (so one whole step saw the state).
  bool WaitSteps();
  // Moves the clock in 10 ms pieces, each seen by the engine.
  void Advance(double ms);
  // Posts a pause request, as the viewer does.
  void SetPaused(bool paused);
  void SetPosition(int position);
  double Current() const { return Engine->Loader()->Timing().Current(); }
  int EndedReports() const;

  Ref<TManualClock> Clock = MakeRef<TManualClock>();
  Ref<TEngineChannel> Channel = MakeRef<TEngineChannel>();
  std::unique_ptr<TOrvEngine> Engine;
  std::vector<TPositionReport> Positions;
  std::vector<Ref<TOrvEventData>> Events;
  int FirstFrames = 0;
};

}  // namespace orv::test
