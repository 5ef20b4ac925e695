// The geometry of slide objects: how an object's size fits into its parent, its
// rotation-scale matrix, its frame in slide space (the screen's pixel space: x to the right,
// y down, z away from the viewer), and the tests that need a viewer: which face it shows and
// where a ray through a screen point meets it.
#pragma once

#include <array>
#include <cstdint>

#include "render/render_types.h"

namespace orv {

struct TSizeF {
  float Width = 0;
  float Height = 0;
  friend constexpr bool operator==(TSizeF, TSizeF) = default;
};

// How an object's own size is fitted into its parent's size.
enum class TFitMode : uint8_t { None, PlaceInto, Cover };
// The unit of a position or a pivot: the parent's (or own) local units, or percent of half
// the size.
enum class TUnitMode : uint8_t { Absolute, Percent };

// A linear map of row vectors (points are multiplied from the left): the rows are the images
// of the x, y and z unit vectors.
struct TMatrix3 {
  std::array<TPoint3F, 3> Rows{TPoint3F{1, 0, 0}, TPoint3F{0, 1, 0}, TPoint3F{0, 0, 1}};
  friend constexpr bool operator==(const TMatrix3&, const TMatrix3&) = default;
};

// `first` applied, then `second`.
TMatrix3 operator*(const TMatrix3& first, const TMatrix3& second);

// The factor that fits a w × h content into a pw × ph parent: the larger factor that keeps
// it inside (PlaceInto), the smaller that covers it (Cover), 1 for None (the content keeps
// its own size in the parent's units). A zero or undefined dimension gives 0.
double FitFactor(TFitMode mode, TSizeF size, TSizeF parent);

// The local rotation-scale matrix of an object turned by `angle` about the view axis,
// `angle_x` and `angle_y` about its x and y axes (degrees), scaled by the fit scales.
TMatrix3 RotationScale(double angle, double angle_x, double angle_y, double fit_scale_x, double fit_scale_y);

// An object's place in slide space: its pivot and its three axes, one local unit long.
struct TObjectFrame {
  TPoint3F Origin;
  TPoint3F X{1, 0, 0};
  TPoint3F Y{0, 1, 0};
  TPoint3F Z{0, 0, 1};

  TPoint3F At(float x, float y, float z = 0) const { return Origin + X * x + Y * y + Z * z; }
  friend constexpr bool operator==(const TObjectFrame&, const TObjectFrame&) = default;
};

// The frame whose axes are the rows of `matrix`, their depth components multiplied by the
// slide's depth factor.
TObjectFrame FrameOf(const TMatrix3& matrix, TPoint3F origin, double depth_factor);

// Every number of the frame is finite.
bool IsFinite(const TObjectFrame& frame);
// The axes span no volume (a zero scale, for instance).
bool IsDegenerate(const TObjectFrame& frame);

// Whether `eye` sees the front of the frame's plane: the face an unturned object shows to a
// viewer in front of the screen.
bool FacesFront(const TObjectFrame& frame, TPoint3F eye);

// The local (x, y) where the ray from `eye` through `target` meets the frame's plane; false
// when the ray runs parallel to the plane, meets it behind the eye, or the frame is flat.
bool RayToLocal(const TObjectFrame& frame, TPoint3F eye, TPoint3F target, TPointF& local);

}  // namespace orv
