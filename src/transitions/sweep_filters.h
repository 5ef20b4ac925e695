// Mask renderers that sweep round a pivot: the clock hand and the brooms.
#pragma once

#include <memory>

#include "transitions/draw_filter.h"

namespace orv {

// The geometry of a sweep: fans of triangles from a pivot out to a circle that holds the
// whole frame, the mask given per direction.
class TArrow {
public:
  // `heading(angle)` is the unit direction a ray at that angle points to.
  TArrow(TPointF pivot, float reach, TPointF (*heading)(double angle));
  // The sector from `from` to `to` (radians) with the mask `alpha0` at its start and
  // `alpha1` at its end, in triangles of at most `step` radians.
  void AddSector(TEffTile& canvas, double from, float alpha0, double to, float alpha1, double step) const;

private:
  TPointF FPivot;
  float FReach;
  TPointF (*FHeading)(double angle);
};

// The mask of an angular sweep: 255 before `edge`, falling along the ease table to 0 at
// `edge + soft`, 0 beyond; drawn between `first` and `last` (radians).
struct TSweepMask {
  double First = 0;
  double Last = 0;
  double Edge = 0;
  double Soft = 0;
};
// Draws the sweep in coarse steps where the mask is whole and fine ones across its ramp.
void AddSweep(TEffTile& canvas, const TArrow& arrow, const TSweepMask& mask);

// The clock hand: the masked slide shows in the sector the hand has swept since twelve
// o'clock, clockwise (reverse: anticlockwise), with a soft trailing ramp at the hand.
class TClockEffect : public TDrawFilter {
public:
  explicit TClockEffect(bool reverse) : FReverse(reverse) {}
  void Init(const TRectF& frame, float soft_width, double duration) override;
  void Render(TEffTile& canvas) override;

  // The hand's angle from twelve o'clock now (radians; the ramp behind it reaches back
  // by SoftAngle), and the mask at a point of the frame.
  double HandAngle() const;
  double SoftAngle() const { return FSoft; }
  float MaskAt(TPointF point) const;

private:
  bool FReverse;
  double FSoft = 0;
  std::unique_ptr<TArrow> FArrow;
};

// A straight edge turning about a pivot outside the frame beyond a side or a corner; kinds
// 1 … 8 sweep up, right, down, left, up right, down right, down left, up left; kinds 9 … 16
// are the same sweeps backwards over the outgoing slide.
class TBroomEffect : public TDrawFilter {
public:
  // `width` (pixels) moves the pivot farther out, which flattens the sweep.
  TBroomEffect(int kind, float width);
  void Init(const TRectF& frame, float soft_width, double duration) override;
  void Render(TEffTile& canvas) override;

  TPointF Pivot() const { return FPivot; }
  // The edge's angle now and the mask at a point of the frame.
  double EdgeAngle() const;
  float MaskAt(TPointF point) const;

private:
  int FKind;
  float FWidth;
  TPointF FPivot;
  double FStart = 0;
  double FEnd = 0;
  double FSoft = 0;
  std::unique_ptr<TArrow> FArrow;
};

}  // namespace orv
