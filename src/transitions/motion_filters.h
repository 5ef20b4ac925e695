// Renderers that move whole slides: slide and push (in the frame's plane), flip and swap
// (turned and placed in 3D).
#pragma once

#include "transitions/draw_filter.h"

namespace orv {

// The incoming slide slides in over the outgoing one: from the left (direction 1), the
// right (2), the top (3) or the bottom (4).
class TSlideFilter : public TDrawFilter {
public:
  explicit TSlideFilter(int direction);
  bool Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) override;
  // Whole slides are drawn moved: there is no mask.
  void Render(TEffTile&) override {}

  // Where the incoming slide is moved to now (pixels), and the outgoing one.
  TPoint IncomingOffset() const;
  TPoint OutgoingOffset() const;

protected:
  int FDirection;
};

// The incoming slide pushes the outgoing one out of the frame.
class TPushFilter : public TSlideFilter {
public:
  using TSlideFilter::TSlideFilter;
  bool Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) override;
};

// The slide turns over about the frame's vertical (directions 1, 2) or horizontal (3, 4)
// centre line, showing the outgoing slide on its front and the incoming one on its back.
class TOverturnEffect : public TDrawFilter {
public:
  // `volume` scales the depth of the turning edges; from the centre, both edges move in
  // depth, otherwise the nearer one stays in the screen's plane.
  TOverturnEffect(int direction, bool nonlinear_speed, bool from_centre, float volume);
  bool Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) override;
  void Render(TEffTile& canvas) override;

  // The angle turned now (radians, 0 … π) and the shading of the face shown (0 … 255).
  double Angle() const;
  int Brightness() const;

private:
  int FDirection;
  bool FNonlinear;
  bool FFromCentre;
  float FVolume;
};

// The two slides swap places: they swing out sideways and back while the outgoing one
// recedes and the incoming one comes forward.
class TTwoSlidesEffect : public TDrawFilter {
public:
  // `depth` in frame heights, `distance` in frame sides, `angle` in degrees.
  TTwoSlidesEffect(int direction, float depth, float distance, float angle);
  bool Compose(TTransitionCanvas& canvas, TDrawItem* a, TDrawItem* b) override;
  void Render(TEffTile& canvas) override;

  // Whether the incoming slide is drawn last (it is the nearer one).
  bool IncomingOnTop() const;

private:
  int FDirection;
  float FDepth;
  float FDistance;
  double FAngle;
  bool FIncoming = false;  // which slide Render places
};

}  // namespace orv
