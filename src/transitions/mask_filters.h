// The mask renderers that grow a shape from a centre or a line with a soft edge (shapes,
// gates, pages) and the mosaic.
#pragma once

#include <cstdint>
#include <vector>

#include "transitions/draw_filter.h"
#include "transitions/ease.h"

namespace orv {

// One strip of a soft band: the mask runs linearly from `Alpha0` at distance `From` to
// `Alpha1` at distance `To`.
struct TBandStrip {
  float From = 0;
  float Alpha0 = 0;
  float To = 0;
  float Alpha1 = 0;
};

// The mask at "radius" r with soft width s: 255 up to r − s, then falling to 0 at r along
// the band curve. Calls `strip` for the solid core and every strip, inner first; strips
// narrower than 2 pixels join the next one, and nothing below distance 0 is given.
template <class TStripSink>
void ForEachBandStrip(float r, float s, TStripSink&& strip) {
  const auto& band = EaseBand();
  const auto radius = [&](int i) { return r - s + band[i].X * s / 255.0f; };
  const auto alpha = [&](int i) { return 255.0f - band[i].Y; };
  const auto emit = [&](float from, float a0, float to, float a1) {
    if (!(to > 0) || !(to > from)) return;
    if (from < 0) {
      a0 += (a1 - a0) * (0 - from) / (to - from);
      from = 0;
    }
    strip(TBandStrip{from, a0, to, a1});
  };
  emit(0, 255, r - s, 255);
  int previous = 0;
  for (int i = 1; i < int(band.size()); ++i) {
    const bool last = i + 1 == int(band.size());
    if (!last && radius(i) - radius(previous) < 2) continue;
    emit(radius(previous), alpha(previous), radius(i), alpha(i));
    previous = i;
  }
}

// A shape growing from the centre (cx, cy) (fractions of the frame) with a soft edge: the
// masked slide shows where the shape's distance from the centre is below the current
// radius. Reversed, the shape shrinks instead.
class TCommonFilter : public TDrawFilter {
public:
  TCommonFilter(float cx, float cy) : FCx(cx), FCy(cy) {}
  void Init(const TRectF& frame, float soft_width, double duration) override;
  void Render(TEffTile& canvas) override;

  // The radius of the band's outer edge now, counted from the centre.
  float CurrentRadius() const;
  // The radius at which the shape covers the frame with its solid core.
  float MaxRadius() const { return FOffset + FRange; }
  TPointF Centre() const { return FCentre; }
  // The shape's distance of a point from the centre.
  virtual float Distance(TPointF point) const = 0;

protected:
  // Adds the region between distances `strip.From` and `strip.To`.
  virtual void AddRing(TEffTile& canvas, const TBandStrip& strip) const = 0;
  // The whole pixels within distance `core` of the centre, for shapes whose level lines
  // are upright; none for the others.
  virtual TRect CorePixels(float /*core*/) const { return {}; }
  // Adds what the solid core covers beyond its whole pixels.
  virtual void AddCoreRim(TEffTile& canvas, const TBandStrip& core) const { AddRing(canvas, core); }
  TRect SolidPixels() const override;
  // The distance from the centre at which the frame begins and the farthest frame point.
  virtual float NearestFrameDistance() const;
  virtual float FarthestFrameDistance() const;

private:
  float FCx;
  float FCy;
  TPointF FCentre;
  float FOffset = 0;  // the distance to the frame when the centre lies outside it
  float FRange = 0;   // the distance the band travels
};

class TCircleFilter : public TCommonFilter {
public:
  using TCommonFilter::TCommonFilter;
  float Distance(TPointF point) const override;

protected:
  void AddRing(TEffTile& canvas, const TBandStrip& strip) const override;
};

// A strip across the frame widening both ways from the centre along one axis.
class TAxisLines : public TCommonFilter {
public:
  float Distance(TPointF point) const override;

protected:
  TAxisLines(float cx, float cy, bool horizontal) : TCommonFilter(cx, cy), FHorizontal(horizontal) {}
  void AddRing(TEffTile& canvas, const TBandStrip& strip) const override;
  TRect CorePixels(float core) const override;
  void AddCoreRim(TEffTile& canvas, const TBandStrip& core) const override;

private:
  // The centre's coordinate along the axis the strip widens on.
  float Along() const { return FHorizontal ? Centre().X : Centre().Y; }

  bool FHorizontal;
};

// A vertical strip widening left and right.
class THLines : public TAxisLines {
public:
  THLines(float cx, float cy) : TAxisLines(cx, cy, true) {}
};

// A horizontal strip widening up and down.
class TVLines : public TAxisLines {
public:
  TVLines(float cx, float cy) : TAxisLines(cx, cy, false) {}
};

class TRhombFilter : public TCommonFilter {
public:
  using TCommonFilter::TCommonFilter;
  float Distance(TPointF point) const override;

protected:
  void AddRing(TEffTile& canvas, const TBandStrip& strip) const override;
};

// A rectangle of the frame's proportions.
class TSquareFilter : public TCommonFilter {
public:
  using TCommonFilter::TCommonFilter;
  float Distance(TPointF point) const override;

protected:
  void AddRing(TEffTile& canvas, const TBandStrip& strip) const override;
};

// A band between 45° lines. Mode 0 grows to the right from a line through the top left
// corner, mode 2 to the left from one through the bottom right corner, mode 1 both ways
// from one through the centre; mirrored, the lines slant the other way.
class TDiagLines : public TCommonFilter {
public:
  TDiagLines(int mode, bool mirror) : TCommonFilter(0.5f, 0.5f), FMode(mode), FMirror(mirror) {}
  float Distance(TPointF point) const override;

protected:
  void AddRing(TEffTile& canvas, const TBandStrip& strip) const override;
  float NearestFrameDistance() const override { return 0; }
  float FarthestFrameDistance() const override;

private:
  // Where the reference line crosses the top edge, from the left edge.
  float LineOffset() const;
  // The signed distance along the horizontal from the reference line.
  float Along(TPointF point) const;
  // Adds the band of signed distances t0 … t1.
  void AddBand(TEffTile& canvas, float t0, float a0, float t1, float a1) const;

  int FMode;
  bool FMirror;
};

// The mosaic: tiles of the masked slide fade in one after another, in an order drawn from
// the seed.
class TRandomFilter : public TDrawFilter {
public:
  // Tiles per side are held within 1 and the frame's pixels; a fade of 0 fades every tile
  // at once.
  TRandomFilter(int columns, int rows, std::uint32_t seed, float fade);
  void Init(const TRectF& frame, float soft_width, double duration) override;
  void Render(TEffTile& canvas) override;

  int Columns() const { return FColumns; }
  int Rows() const { return FRows; }
  // The delay of a tile (row-major), 0 … the spread.
  int Delay(int column, int row) const { return FDelays[std::size_t(row) * std::size_t(FColumns) + std::size_t(column)]; }
  // The alpha a tile is drawn with now; 0 when it is not drawn.
  int TileAlpha(int column, int row) const;

  // The generator of the tile order: the next state and the uniform number in [0, 1) it
  // gives.
  static std::uint32_t NextSeed(std::uint32_t seed);
  static float Uniform(std::uint32_t seed);

private:
  int FRequestedColumns;
  int FRequestedRows;
  std::uint32_t FSeed;
  float FFade;
  int FColumns = 1;
  int FRows = 1;
  int FSpread = 0;
  std::vector<int> FDelays;
};

}  // namespace orv
