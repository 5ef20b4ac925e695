// orvpack eval SHOW SLIDE GUID TIME: the 15 animated fields of one object, evaluated at a
// slide-local time in ms, one NAME=VALUE line each, as the player computes them. For
// authors checking an animation, and for tests.
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "command.h"
#include "project/ini_values.h"
#include "show/orv_source.h"
#include "show_project.h"
#include "slide/key_frames.h"
#include "slide/slide_props.h"
#include "transitions/effect_manager.h"

namespace orv::orvpack {
namespace {

struct TEvalArgs {
  std::string Show;
  int Slide = 0;  // 0-based
  std::string Guid;
  double Time = 0;
};

std::optional<TEvalArgs> ParseEvalArgs(const Args& args) {
  if (args.size() != 4) return std::nullopt;
  const std::optional<int32_t> slide = ParseInteger(args[1]);
  const std::optional<double> time = ParseFloat(args[3]);
  if (!slide || *slide < 1 || !time || args[2].empty()) return std::nullopt;
  return TEvalArgs{args[0], *slide - 1, args[2], *time};
}

std::string FieldLine(const TAnimatedFieldDesk& field, float value) {
  char number[32];
  const auto end = std::to_chars(number, number + sizeof number, value).ptr;
  return std::string(field.Name) + "=" + std::string(number, end);
}

}  // namespace

int RunEval(const Args& args) {
  const std::optional<TEvalArgs> parsed = ParseEvalArgs(args);
  if (!parsed) {
    std::fprintf(stderr, "usage: orvpack eval SHOW SLIDE GUID TIME (SLIDE from 1, TIME in ms within the slide)\n");
    return kExitBadInput;
  }
  Ref<TIniFile> project = OpenShowProject(parsed->Show);
  const auto source = MakeRef<TOrvSource>(project);
  const TIniSection* section = parsed->Slide < source->SlideCount() ? FindSlideSection(*project, parsed->Slide) : nullptr;
  auto root = MakeRef<TOrvObjectProps>();
  TSlideTimes times;
  source->GetSlideTimes(parsed->Slide, times);
  const TKeyTimes key_times = SlideKeyTimes(times.StartTime, times.EndTime, times.EffectIn, times.EffectNext);
  if (!section || !LoadSlideProps(*root, *section, key_times)) {
    std::fprintf(stderr, "orvpack eval: the show has no slide %s\n", args[1].c_str());
    return kExitNotFound;
  }
  TOrvObjectProps* object = root->FindNode(parsed->Guid);
  if (!object) {
    std::fprintf(stderr, "orvpack eval: slide %s has no object %s\n", args[1].c_str(), parsed->Guid.c_str());
    return kExitNotFound;
  }
  object->Evaluate(parsed->Time, false);
  for (const TAnimatedFieldDesk& field : kAnimatedFields)
    std::printf("%s\n", FieldLine(field, object->Value(field.Index)).c_str());
  return kExitOk;
}

}  // namespace orv::orvpack
