// orvpack timeline SHOW [--from I] [--to J]: the show's timeline as the player computes it,
// one JSON object per virtual slide index, so that authors can check their timing.
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "command.h"
#include "project/ini_values.h"
#include "show/orv_source.h"
#include "json_text.h"
#include "show_project.h"

namespace orv::orvpack {
namespace {

struct TTimelineArgs {
  std::string Show;
  std::optional<int> From;
  std::optional<int> To;
};

std::optional<TTimelineArgs> ParseTimelineArgs(const Args& args) {
  TTimelineArgs parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const bool is_from = args[i] == "--from";
    if (is_from || args[i] == "--to") {
      const std::optional<int32_t> value = i + 1 < args.size() ? ParseInteger(args[++i]) : std::nullopt;
      if (!value) return std::nullopt;
      (is_from ? parsed.From : parsed.To) = *value;
    } else if (parsed.Show.empty()) {
      parsed.Show = args[i];
    } else {
      return std::nullopt;
    }
  }
  if (parsed.Show.empty()) return std::nullopt;
  return parsed;
}

const char* EndActionName(TOrvSource::TEndAction action) {
  switch (action) {
    case TOrvSource::TEndAction::Pause:
      return "pause";
    case TOrvSource::TEndAction::Loop:
      return "loop";
    case TOrvSource::TEndAction::None:
      break;
  }
  return "";
}

std::string TimelineLine(TOrvSource& source, int index) {
  TSlideTimes times;
  source.GetSlideTimes(index, times);
  const int slide = source.SlideOf(index);
  const std::string transition = slide < 0 ? "" : source.EffectManager().SlideReference(slide)->Name();
  double loop_length = 0;
  source.GetEndAction(index, loop_length);
  WideString run_app;
  source.GetRunApp(index, run_app);
  return "{\"index\":" + std::to_string(index) + ",\"StartTime\":" + Number(times.StartTime) +
         ",\"EndTime\":" + Number(times.EndTime) + ",\"EffectIn\":" + Number(times.EffectIn) +
         ",\"EffectNext\":" + Number(times.EffectNext) + ",\"VisibleUntil\":" + Number(times.VisibleUntil) +
         ",\"SlideId\":" + JsonString(Utf16ToUtf8(source.SlideId(index))) + ",\"transition\":" + JsonString(transition) +
         ",\"EndAction\":\"" + EndActionName(source.EndActionOf(index)) + "\",\"LoopLength\":" + Number(loop_length) +
         ",\"RunApp\":" + JsonString(Utf16ToUtf8(run_app)) + "}";
}

}  // namespace

int RunTimeline(const Args& args) {
  const std::optional<TTimelineArgs> parsed = ParseTimelineArgs(args);
  if (!parsed) {
    std::fprintf(stderr, "usage: orvpack timeline SHOW [--from I] [--to J]\n");
    return kExitBadInput;
  }
  TOrvSourceSettings settings;
  settings.ProgramFile.clear();  // the timing of the show itself, not of a screen saver
  auto source = MakeRef<TOrvSource>(OpenShowProject(parsed->Show), settings);
  const int64_t from = parsed->From.value_or(0);
  const int64_t to = parsed->To.value_or(source->SlideCount() - 1);
  for (int64_t index = from; index <= to; ++index)
    std::printf("%s\n", TimelineLine(*source, static_cast<int>(index)).c_str());
  return kExitOk;
}

}  // namespace orv::orvpack
