// Outlines as the rasteriser takes them: points in pixels (y downward), each with the
// command that says what the point is.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

enum class TPathCommand : int32_t {
  MoveTo = 0,     // closes the current contour and starts a new one here
  LineTo = 1,
  QuadTo = 2,     // this point is the control point, the next one the end point
  CubicTo = 3,    // this point and the next are control points, the one after the end point
  EndFigure = 9,  // the next command must be a move to
};

// Whether a stored command value is one of the table above.
constexpr bool IsPathCommand(int32_t value) noexcept {
  return (value >= 0 && value <= 3) || value == int32_t(TPathCommand::EndFigure);
}

struct TPathPoint {
  float X = 0;
  float Y = 0;
  TPathCommand Command = TPathCommand::MoveTo;
  friend bool operator==(const TPathPoint&, const TPathPoint&) = default;
};

using TPath = std::vector<TPathPoint>;

}  // namespace orv
