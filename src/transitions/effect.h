// The decoded parameters of one transition: which kind it is, which of its variants
// (actions and directions) are enabled, and its numeric parameters. Renderers read the
// arrays through the index constants below; the pool of random transitions narrows an
// effect down to one variant.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "base/ref_object.h"
#include "project/ini_file.h"

namespace orv {

enum class TEffectKind : int {
  Dissolve = 1,
  HourHand = 2,
  Shapes = 3,
  Gates = 4,
  Page = 5,
  Mosaic = 6,
  Push = 7,
  Slide = 8,
  Curling = 9,
  Flip = 10,
  Swap = 11,
  Custom = 12,
};

// The kind a catalogue class name stands for ("dissolve" … "swap", any case); nothing for
// custom transitions and unknown names.
std::optional<TEffectKind> BuiltInKindOf(std::string_view kind_name) noexcept;
std::string_view KindName(TEffectKind kind) noexcept;

// How a kind lays out its `Flags`: first its action flags, then its direction flags, then
// option flags that are not variants. A variant is one enabled direction, or with actions
// one enabled (action, direction) pair numbered action-major.
struct TFlagLayout {
  int Actions = 0;
  int Directions = 0;
  int Options = 0;
  int Total() const noexcept { return Actions + Directions + Options; }
};
TFlagLayout FlagLayoutOf(TEffectKind kind) noexcept;

// Positions in `Ints` and `Floats`, by kind.
namespace effect_param {
// HourHand
constexpr int kOffset = 0;  // float: broom width as a share of (width + height) / 2
// Shapes
constexpr int kCenterX = 0;  // int, percent of the frame width
constexpr int kCenterY = 1;  // int, percent of the frame height
// Mosaic
constexpr int kCols = 0;        // int, 1 … kMaxMosaicTiles
constexpr int kRows = 1;        // int, 1 … kMaxMosaicTiles
constexpr int kAppearence = 2;  // int, tile fade spread, 0 or more
constexpr int kTileSeed = 3;    // int, added per slide by the show source
// Curling
constexpr int kPipe = 0;          // int, 1: a closed tube
constexpr int kColorRed = 1;      // ints: the tint colour
constexpr int kColorGreen = 2;
constexpr int kColorBlue = 3;
constexpr int kRadius = 0;        // float: roller radius as a share of the frame width
constexpr int kCurlVolume = 1;    // float
// Flip
constexpr int kFlipVolume = 0;  // float
// Swap
constexpr int kDepth = 0;     // float
constexpr int kDistance = 1;  // float
constexpr int kAngle = 2;     // float, degrees
}  // namespace effect_param

// A mosaic of more tiles than this per side is drawn with this many: more would only
// cost time, never show anything finer.
constexpr int kMaxMosaicTiles = 256;

// The softness every effect starts with and that small values fall back to.
constexpr double kMinSoftness = 0.001;
// Softness below 0.1 is no visible edge: it is stored as the minimum.
double SanitizeSoftness(double softness) noexcept;

class TOrvEffect : public TRefObject {
public:
  explicit TOrvEffect(TEffectKind kind) : Kind(kind) {}

  // Copies every array and shares the section.
  Ref<TOrvEffect> Copy() const;
  // A copy with only variant `variant` (0 … Variants − 1) enabled; option flags are kept.
  Ref<TOrvEffect> WithOnlyVariant(int variant) const;
  // Counts the variants the flags enable.
  int CountVariants() const;

  TEffectKind Kind;
  double Softness = kMinSoftness;
  int Variants = 0;  // 0: unusable
  std::vector<int> Ints;
  std::vector<float> Floats;
  std::vector<bool> Flags;
  Ref<TIniSection> Section;  // custom transitions: their slide description
};

}  // namespace orv
