// A slide's background as the project describes it: the show-wide one ("opt_" keys of the
// main section) or the slide's own.
#pragma once

#include "base/text.h"
#include "project/ini_file.h"

namespace orv {

enum class TBackgroundKind : int {
  Solid = 0,
  Gradient1 = 1,  // horizontal direction
  Gradient2 = 2,  // vertical direction
  Picture = 3,
};

struct TSlideBackground {
  TBackgroundKind Kind = TBackgroundKind::Solid;
  WideString FileName;
  double Size = 100;  // percent
  TIniColor Color1{0, 0, 0, 255};
  TIniColor Color2{0, 0, 0, 255};
  friend bool operator==(const TSlideBackground&, const TSlideBackground&) = default;
};

// The slide's own keys when its "bstyle" is set, else the show-wide ones of `main`.
TSlideBackground ReadSlideBackground(const TIniSection& main, const TIniSection* slide);

}  // namespace orv
