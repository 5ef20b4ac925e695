// The tile grid a transition is drawn on, and the mask canvas that cuts the renderers'
// polygons along it.
#pragma once

#include <span>
#include <vector>

#include "base/rect.h"
#include "base/ref_object.h"
#include "render/render_types.h"
#include "transitions/polygon_separator.h"

namespace orv {

// A vertex of a slide placed in 3D: where it goes (screen pixels, depth away from the
// viewer), its colour (straight alpha: the shading and fading of the slide there) and the
// point of the slide it shows (screen pixels of the slide as it is drawn flat).
struct TPlacedVertex {
  TPoint3F Position;
  TColor32 Color = 0xFFFFFFFFu;
  TPointF Source;
};

// Where a renderer's geometry goes. Geometry is given between Begin and End.
class TEffTile : public TRefObject {
public:
  virtual void Begin() = 0;
  // A convex polygon of the mask in frame pixels, as a fan round its first vertex.
  virtual void AddMaskTriangles(std::span<const TMaskVertex> fan) = 0;
  // A convex polygon of a placed slide, as a fan round its first vertex. Only the tiles
  // that draw take them (assertion "Not Supported Yet" elsewhere).
  virtual void AddPlacedTriangles(std::span<const TPlacedVertex> fan);
  virtual void End() = 0;
};

// Finds the part of the frame a renderer's geometry draws from: the bounding box of its
// mask polygons where they are not wholly transparent, or of the slide points its placed
// polygons show, each polygon's box held within `within`.
class TBoundsTile : public TEffTile {
public:
  explicit TBoundsTile(const TRectF& within) : FWithin(within) {}
  void Begin() override {}
  void AddMaskTriangles(std::span<const TMaskVertex> fan) override;
  void AddPlacedTriangles(std::span<const TPlacedVertex> fan) override;
  void End() override {}
  // Empty when nothing was drawn.
  TRectF Bounds() const;

private:
  // Adds the box of a polygon's points, held within FWithin.
  template <class TVertex, class TPosition>
  void IncludeBox(std::span<const TVertex> fan, TPosition position);

  TRectF FWithin;
  float FLeft = 0;
  float FTop = 0;
  float FRight = 0;
  float FBottom = 0;
  bool FAny = false;
};

// The grid: column and row edges, and a tile per cell made when first asked for.
class TEffController : public TRefObject {
public:
  // Edges in increasing order, at least two of each; the tiles are made anew.
  void SetGrid(std::vector<float> column_edges, std::vector<float> row_edges);
  // One tile covering `frame`; nothing changes when the grid is that already.
  void SetSingleTile(const TRect& frame);
  int Columns() const { return int(FColumnEdges.size()) - 1; }
  int Rows() const { return int(FRowEdges.size()) - 1; }
  const std::vector<float>& ColumnEdges() const { return FColumnEdges; }
  const std::vector<float>& RowEdges() const { return FRowEdges; }
  // The tile of a cell (assertion when out of range); its rectangle is the cell's with
  // the edges rounded.
  TEffTile& Tile(int column, int row);

protected:
  virtual Ref<TEffTile> CreateTile(const TRect& rect) = 0;

private:
  std::vector<float> FColumnEdges{0, 0};
  std::vector<float> FRowEdges{0, 0};
  std::vector<Ref<TEffTile>> FTiles;
};

// The mask canvas handed to renderers: polygons are cut along the grid, what lies outside
// it is dropped, and at End every tile receives its pieces.
class TMultiTile : public TEffTile {
public:
  explicit TMultiTile(TEffController& grid);
  void Begin() override;
  void AddMaskTriangles(std::span<const TMaskVertex> fan) override;
  void End() override;

private:
  TEffController& FGrid;
  T2DSeparator FSeparator;
  bool FBegun = false;
};

}  // namespace orv
