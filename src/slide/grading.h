// Colour grading of a drawn object: the tables of the key points' filter chains and their
// blend by the "Color" group's t. Computed here on the CPU; the renderer uploads the tables
// and samples them the way SampleGrading does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "slide/filters.h"

namespace orv {

class TOrvObjectProps;

// The table of one key point's chain, rebuilt only when the chain, its signature, the table
// dimension or the starting profile change.
class TKeyGrading {
public:
  const TColorTable& Table(const TFilterChain& chain, bool three_d, const TColorTable* profile_cube);

private:
  bool Matches(const TFilterChain& chain, bool three_d, const TColorTable* profile_cube) const;

  bool FBuilt = false;
  // Held, not just compared by address: a freed filter's address may come back as a new one.
  TFilterChain FChain;
  std::string FSignature;
  bool FThreeD = false;
  const TColorTable* FProfile = nullptr;
  TColorTable FTable;
};

struct TGradingParams {
  const TColorTable* Left = nullptr;
  const TColorTable* Right = nullptr;
  double Blend = 0;  // 0: Left alone, 1: Right alone
  bool ThreeD = false;
};

// What the object with `props` is graded with at its current evaluation; false when it
// needs no grading (no filters on the Color segment's key points and no colour profile).
bool GetGradingParams(TOrvObjectProps& props, const TColorTable* profile_cube, TGradingParams& params);

struct TBgr {
  uint8_t Blue = 0;
  uint8_t Green = 0;
  uint8_t Red = 0;
  friend bool operator==(const TBgr&, const TBgr&) = default;
};

// One pixel through the grading: looked up in both tables (the cube trilinearly) and blended.
TBgr SampleGrading(const TGradingParams& params, TBgr pixel);

}  // namespace orv
