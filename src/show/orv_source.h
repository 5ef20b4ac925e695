// The read-only model of one opened show as the player needs it: its slides and their
// place on the show timeline, the transition of each slide, what happens at the end of
// each slide and of the show. Built once from the project; every question it answers has
// an answer for any project and any index.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/program_path.h"
#include "base/ref_object.h"
#include "base/text.h"
#include "project/ini_file.h"
#include "project/show_options.h"
#include "show/random_generator.h"
#include "show/slide_timeline.h"
#include "show/transition_pool.h"
#include "transitions/effect.h"
#include "transitions/effect_manager.h"

namespace orv {

// A program file ending in ".scr" (any case) plays its show as a screen saver.
bool IsScreenSaverFile(std::string_view program_file);

struct TOrvSourceSettings {
  // The running program: a ".scr" file plays as a screen saver.
  std::string ProgramFile = ProgramPath();
  // A fixed seed replays every random choice; without one the clock seeds them.
  std::optional<uint64_t> RandomSeed;
};

class TOrvSource : public TRefObject {
public:
  enum class TEndAction { None, Pause, Loop };

  // A larger slide count is damage, not a show: only this many slides are played, which
  // keeps the time table of any project small.
  static constexpr int kMaxSlideCount = 100000;

  // Writes the screen-saver overrides into the project's "Main" section first.
  explicit TOrvSource(Ref<TIniFile> project, const TOrvSourceSettings& settings = {});

  TIniFile& Project() const noexcept { return *FProject; }
  TORVEffectManager& EffectManager() const noexcept { return *FEffects; }
  const TTransitionPool& Pool() const noexcept { return FPool; }

  int SlideCount() const noexcept { return FTimeline.Count(); }
  TRepeatMode RepeatMode() const noexcept { return FOptions.Repeat; }
  double TotalDuration() const noexcept { return FTimeline.TotalDuration(); }
  bool PauseWhenInactive() const noexcept { return FOptions.PauseWhenInactive; }
  bool ScreenSaver() const noexcept { return FScreenSaver; }
  // The colour of the screen outside the slide frame.
  TIniColor BorderColor() const noexcept;
  double UnsharpAmount() const noexcept { return FOptions.UnsharpAmount; }
  const TShowOptions& Options() const noexcept { return FOptions; }
  double DefaultEffectTime() const noexcept { return FDefaultEffectTime; }

  // See TSlideTimeline for virtual indexes.
  int GetSlideTimes(int index, TSlideTimes& block) const { return FTimeline.GetSlideTimes(index, block); }
  int FindSlideAt(double time) const { return FTimeline.FindSlideAt(time); }
  // The slide (0 … SlideCount − 1) a virtual index shows, or −1 for the lead-in and for a
  // show without slides.
  int SlideOf(int index) const noexcept;
  // The slide identifier of a virtual index; empty for the lead-in.
  WideString SlideId(int index) const;

  // The transition into a virtual index (nothing for the lead-in or when the slide changes
  // without one), with its duration and edge softness. Only the slide loader calls this:
  // random picks move the pool on.
  Ref<TOrvEffect> CreateSlideEffect(int index, double& duration, double& smoothness);

  // Whether the slide stops the timeline at its end; a loop replays the part of the slide
  // after its incoming transition, `loop_length` ms long (0 for a pause).
  bool GetEndAction(int index, double& loop_length) const;
  TEndAction EndActionOf(int index) const;
  // Whether the slide starts a program, and which.
  bool GetRunApp(int index, WideString& file_name) const;

private:
  struct TSlideActions {
    TEndAction EndAction = TEndAction::None;
    WideString RunApp;
  };

  static TShowOptions ReadOptions(TIniFile& project, bool screen_saver);
  int SlideCountOption() const;
  // The transition time of a slide as the time table sees it, never negative.
  double GetEffectTime(int index, int slide_count);
  void BuildTimeTable(int slide_count);
  TSlideActions ReadSlideActions(const TIniSection* section) const;
  Ref<TOrvEffect> SlideEffect(const TEffectProp& reference, double& duration, double& smoothness);

  Ref<TIniFile> FProject;
  bool FScreenSaver;
  TShowOptions FOptions;
  Ref<TORVEffectManager> FEffects;
  double FDefaultEffectTime;
  TRandomGenerator FRandom;
  TTransitionPool FPool;
  TSlideTimeline FTimeline;
  std::vector<TSlideActions> FSlideActions;
};

}  // namespace orv
