// orvpack text SHOW SLIDE GUID: the text of one text object as the player draws it, its
// macros filled from the slide and its main picture, lines joined by "\n". For authors
// checking their macros, and for tests.
#include <cstdio>
#include <optional>
#include <string>

#include "command.h"
#include "project/ini_values.h"
#include "render/device.h"
#include "show/orv_source.h"
#include "show/slide_producer.h"
#include "show_project.h"
#include "slide/orv_image.h"

namespace orv::orvpack {
namespace {

struct TTextArgs {
  std::string Show;
  int Slide = 0;  // 0-based
  std::string Guid;
};

std::optional<TTextArgs> ParseTextArgs(const Args& args) {
  if (args.size() != 3) return std::nullopt;
  const std::optional<int32_t> slide = ParseInteger(args[1]);
  if (!slide || *slide < 1 || args[2].empty()) return std::nullopt;
  return TTextArgs{args[0], *slide - 1, args[2]};
}

// The slide built as the player's loader builds it, on a screen of the show's window size.
Ref<TOrvSlide> BuildShowSlide(const TOrvShowLocator& show, int index) {
  const auto source = MakeRef<TOrvSource>(Ref<TIniFile>::Share(show.Project()));
  if (index >= source->SlideCount()) return nullptr;
  const TShowOptions options = TShowOptions::Read(source->Project());
  const TIntPair screen = options.WindowSize;
  TSlideHostCallbacks callbacks;
  callbacks.EffectBufferSize = [screen] { return screen; };
  callbacks.CameraPosition = [screen] {
    return TPoint3F{float(screen.First) / 2, float(screen.Second) / 2, -CameraDistance(screen.Second)};
  };
  auto host = MakeRef<TOrvSlideHost>(show.Accessor(), std::move(callbacks), options.PathToButtons);
  const auto producer = MakeRef<TSlideProducer>(source, std::move(host));
  producer->SetGeometry(screen, false);
  return producer->BuildSlide(index);
}

TOrvText* FindText(TOrvSlide& slide, const std::string& guid) {
  TOrvText* found = nullptr;
  ForEachObject(slide, [&](TOrvObject& object) {
    if (!found && SameTextUtf8(object.Props().Guid(), guid)) found = dynamic_cast<TOrvText*>(&object);
  });
  return found;
}

}  // namespace

int RunText(const Args& args) {
  const std::optional<TTextArgs> parsed = ParseTextArgs(args);
  if (!parsed) {
    std::fprintf(stderr, "usage: orvpack text SHOW SLIDE GUID (SLIDE from 1)\n");
    return kExitBadInput;
  }
  const Ref<TOrvShowLocator> show = OpenShow(parsed->Show);
  const Ref<TOrvSlide> slide = BuildShowSlide(*show, parsed->Slide);
  if (!slide) {
    std::fprintf(stderr, "orvpack text: the show has no slide %s\n", args[1].c_str());
    return kExitNotFound;
  }
  const TOrvText* text = FindText(*slide, parsed->Guid);
  if (!text) {
    std::fprintf(stderr, "orvpack text: slide %s has no text object %s\n", args[1].c_str(), parsed->Guid.c_str());
    return kExitNotFound;
  }
  const char* separator = "";
  for (const WideString& line : text->ExpandedLines()) {
    std::printf("%s%s", separator, Utf16ToUtf8(line).c_str());
    separator = "\n";
  }
  std::printf("\n");
  return kExitOk;
}

}  // namespace orv::orvpack
