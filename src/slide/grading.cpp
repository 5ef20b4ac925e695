#include "slide/grading.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "slide/key_frames.h"

namespace orv {

bool TKeyGrading::Matches(const TFilterChain& chain, bool three_d, const TColorTable* profile_cube) const {
  if (!FBuilt || three_d != FThreeD || profile_cube != FProfile || chain.size() != FChain.size()) return false;
  for (size_t i = 0; i < chain.size(); ++i)
    if (chain[i] != FChain[i]) return false;
  return ChainSignature(chain) == FSignature;
}

const TColorTable& TKeyGrading::Table(const TFilterChain& chain, bool three_d, const TColorTable* profile_cube) {
  if (Matches(chain, three_d, profile_cube)) return FTable;
  FTable = BuildColorTable(chain, three_d, profile_cube);
  FChain = chain;
  FSignature = ChainSignature(chain);
  FThreeD = three_d;
  FProfile = profile_cube;
  FBuilt = true;
  return FTable;
}

bool GetGradingParams(TOrvObjectProps& props, const TColorTable* profile_cube, TGradingParams& params) {
  const TSegment& segment = props.Segment(kGroupColor);
  if (segment.First < 0) {
    // No key point animates colour: every chain counts as the identity.
    if (!profile_cube) return false;
    params = TGradingParams{profile_cube, profile_cube, 0, true};
    return true;
  }
  TOrvKeyFrame& left = props.Key(segment.Left);
  TOrvKeyFrame& right = props.Key(segment.Right);
  if (left.Filters().empty() && right.Filters().empty() && !profile_cube) return false;
  const bool three_d = profile_cube ||
                       std::max(ChainKind(left.Filters()), ChainKind(right.Filters())) == kFilterColorMixing;
  params.Left = &left.Grading().Table(left.Filters(), three_d, profile_cube);
  params.Right = &right.Grading().Table(right.Filters(), three_d, profile_cube);
  // A modifier may push t outside 0…1; a blend beyond either table has no meaning.
  params.Blend = segment.T > 0 ? std::min(segment.T, 1.0) : 0;
  params.ThreeD = three_d;
  return true;
}

namespace {

using TRgbValue = std::array<double, 3>;  // blue, green, red

TRgbValue RampLookup(const TColorTable& table, TBgr pixel) {
  return {double(table.Pixels[4 * pixel.Blue + 0]), double(table.Pixels[4 * pixel.Green + 1]),
          double(table.Pixels[4 * pixel.Red + 2])};
}

TRgbValue CubeLookup(const TColorTable& table, TBgr pixel) {
  constexpr int side = TColorTable::kCubeSide;
  int low[3];
  double weight[3];
  const uint8_t channels[3] = {pixel.Blue, pixel.Green, pixel.Red};
  for (int c = 0; c < 3; ++c) {
    const double position = channels[c] * (side - 1) / 255.0;
    low[c] = std::min(static_cast<int>(position), side - 2);
    weight[c] = position - low[c];
  }
  TRgbValue result{};
  for (int corner = 0; corner < 8; ++corner) {
    const int i = low[0] + (corner & 1), j = low[1] + ((corner >> 1) & 1), k = low[2] + ((corner >> 2) & 1);
    const double w = ((corner & 1) ? weight[0] : 1 - weight[0]) * (((corner >> 1) & 1) ? weight[1] : 1 - weight[1]) *
                     (((corner >> 2) & 1) ? weight[2] : 1 - weight[2]);
    const uint8_t* entry = &table.Pixels[4 * ((j + side * i) * side + k)];
    for (int c = 0; c < 3; ++c) result[c] += w * entry[c];
  }
  return result;
}

TRgbValue Lookup(const TColorTable& table, TBgr pixel) {
  return table.ThreeD ? CubeLookup(table, pixel) : RampLookup(table, pixel);
}

uint8_t RoundToByte(double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

TBgr SampleGrading(const TGradingParams& params, TBgr pixel) {
  const TRgbValue a = Lookup(*params.Left, pixel);
  const TRgbValue b = Lookup(*params.Right, pixel);
  double mixed[3];
  for (int c = 0; c < 3; ++c) mixed[c] = a[c] + (b[c] - a[c]) * params.Blend;
  return {RoundToByte(mixed[0]), RoundToByte(mixed[1]), RoundToByte(mixed[2])};
}

}  // namespace orv
