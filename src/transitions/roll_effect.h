// The curl: a slide wound round a cylinder that travels across the frame.
#pragma once

#include <span>

#include "transitions/draw_filter.h"

namespace orv {

struct TPlacedVertex;

struct TRollOptions {
  bool Pipe = true;          // a closed tube: the sheet wraps three quarters round
  float Radius = 2;          // pixels
  bool UseColor = false;     // the rolled sheet is tinted
  TColor32 Color = 0xFFFFFFFFu;
  bool UseVolume = false;    // the roll bulges towards the viewer
  float Volume = 0.125f;     // how far, 0.125 being a round cylinder
};

// Base 14 rolls from an edge, base 15 from a corner; directions 1 … 4 unroll the incoming
// slide over the outgoing one, 5 … 8 roll the outgoing slide up off the incoming one.
class TRollEffect2 : public TDrawFilter {
public:
  TRollEffect2(int base, int direction, const TRollOptions& options);
  void Init(const TRectF& frame, float soft_width, double duration) override;
  void Render(TEffTile& canvas) override;

  // The roller (1 … 8): the unit direction it travels along in the frame.
  int Roller() const { return FRoller; }
  TPointF Heading() const { return FHeading; }
  // Where the roll line is now, as a distance along the heading from the frame's origin.
  float Position() const;
  // Where a point of the flat sheet goes (pixels and depth) and its shading there.
  TPlacedVertex Place(TPointF point) const;

protected:
  bool PlacesSlide() const override { return true; }

private:
  // The wrap angle of a point `c` past the roll line, and its place along the heading and
  // in depth, relative to the roll line.
  double WrapAngle(float c) const;
  // Adds the part of the frame between distances `from` and `to` along the heading.
  void AddStrip(TEffTile& canvas, float from, float to) const;

  int FRoller;
  TRollOptions FOptions;
  TPointF FHeading;
  double FMaxAngle;
  float FRadius = 2;
  float FLow = 0;   // the frame's extent along the heading
  float FHigh = 0;
  float FStart = 0;
  float FEnd = 0;
};

}  // namespace orv
