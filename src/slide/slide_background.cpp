#include "slide/slide_background.h"

#include <string>

namespace orv {
namespace {

// The keys of one background style, named with `prefix` ("" or "opt_").
class TBackgroundKeys {
public:
  TBackgroundKeys(const TIniSection& list, std::string_view prefix) : FList(list), FPrefix(prefix) {}

  const TIniItem* Key(std::string_view name) const { return FList.FindKey(FPrefix + std::string(name)); }

  void Apply(int style, TSlideBackground& background) const {
    switch (style) {
      case 1:
        background.Color1 = ReadColor(Key("bcolor"), background.Color1);
        break;
      case 2:
        ApplyPicture(background);
        break;
      case 3:
        ApplyGradient(background);
        break;
      default:
        break;
    }
  }

private:
  void ApplyPicture(TSlideBackground& background) const {
    WideString name;
    if (!TryUtf8ToUtf16(ReadUtf8(Key("bfn")), name) || name.empty()) return;
    background.Kind = TBackgroundKind::Picture;
    background.FileName = std::move(name);
    background.Size = ReadFloat(Key("bsize"), 100);
  }

  void ApplyGradient(TSlideBackground& background) const {
    switch (ReadInteger(Key("bcolorstyle"), 0)) {
      case 1:
        background.Kind = TBackgroundKind::Gradient2;
        break;
      case 2:
        background.Kind = TBackgroundKind::Gradient1;
        break;
      default:
        return;
    }
    background.Color1 = ReadColor(Key("bcolor1"), background.Color1);
    background.Color2 = ReadColor(Key("bcolor2"), background.Color2);
  }

  const TIniSection& FList;
  std::string FPrefix;
};

}  // namespace

TSlideBackground ReadSlideBackground(const TIniSection& main, const TIniSection* slide) {
  TSlideBackground background;
  const int own_style = slide ? ReadInteger(slide->FindKey("bstyle"), 0) : 0;
  if (own_style != 0) {
    TBackgroundKeys(*slide, "").Apply(own_style, background);
  } else {
    TBackgroundKeys(main, "opt_").Apply(ReadInteger(main.FindKey("opt_bstyle"), 0), background);
  }
  return background;
}

}  // namespace orv
