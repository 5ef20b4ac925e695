#include "transitions/effect_tiles.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

#include "base/assertions.h"

namespace orv {

namespace {

bool Increasing(const std::vector<float>& edges) {
  if (edges.size() < 2) return false;
  for (std::size_t i = 1; i < edges.size(); ++i)
    if (!(edges[i - 1] < edges[i])) return false;
  return true;
}

int Rounded(float v) { return int(std::lround(v)); }

}  // namespace

void TEffTile::AddPlacedTriangles(std::span<const TPlacedVertex> /*fan*/) { ORV_ASSERT(false, "Not Supported Yet"); }

// ---- TBoundsTile ----

template <class TVertex, class TPosition>
void TBoundsTile::IncludeBox(std::span<const TVertex> fan, TPosition position) {
  TRectF box{FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX};
  for (const TVertex& v : fan) {
    const TPointF p = position(v);
    if (!std::isfinite(p.X) || !std::isfinite(p.Y)) continue;
    box = TRectF{std::min(box.Left, p.X), std::min(box.Top, p.Y), std::max(box.Right, p.X), std::max(box.Bottom, p.Y)};
  }
  box = Intersection(box, FWithin);
  if (box.IsEmpty()) return;
  if (!FAny) {
    FLeft = box.Left, FTop = box.Top, FRight = box.Right, FBottom = box.Bottom;
    FAny = true;
    return;
  }
  FLeft = std::min(FLeft, box.Left);
  FTop = std::min(FTop, box.Top);
  FRight = std::max(FRight, box.Right);
  FBottom = std::max(FBottom, box.Bottom);
}

void TBoundsTile::AddMaskTriangles(std::span<const TMaskVertex> fan) {
  if (std::none_of(fan.begin(), fan.end(), [](const TMaskVertex& v) { return v.Alpha > 0; })) return;
  IncludeBox(fan, [](const TMaskVertex& v) { return TPointF{v.X, v.Y}; });
}

void TBoundsTile::AddPlacedTriangles(std::span<const TPlacedVertex> fan) {
  IncludeBox(fan, [](const TPlacedVertex& v) { return v.Source; });
}

TRectF TBoundsTile::Bounds() const { return FAny ? TRectF{FLeft, FTop, FRight, FBottom} : TRectF{}; }

// ---- TEffController ----

void TEffController::SetGrid(std::vector<float> column_edges, std::vector<float> row_edges) {
  ORV_ASSERT(Increasing(column_edges) && Increasing(row_edges), "TEffController: edges not increasing");
  FColumnEdges = std::move(column_edges);
  FRowEdges = std::move(row_edges);
  FTiles.assign(std::size_t(Columns()) * std::size_t(Rows()), nullptr);
}

void TEffController::SetSingleTile(const TRect& frame) {
  std::vector<float> columns{float(frame.Left), float(frame.Right)};
  std::vector<float> rows{float(frame.Top), float(frame.Bottom)};
  if (columns != FColumnEdges || rows != FRowEdges) SetGrid(std::move(columns), std::move(rows));
}

TEffTile& TEffController::Tile(int column, int row) {
  ORV_ASSERT(column >= 0 && column < Columns() && row >= 0 && row < Rows(), "TEffController.Tile out of range");
  Ref<TEffTile>& tile = FTiles[std::size_t(row) * std::size_t(Columns()) + std::size_t(column)];
  if (!tile) {
    tile = CreateTile(TRect{Rounded(FColumnEdges[column]), Rounded(FRowEdges[row]), Rounded(FColumnEdges[column + 1]),
                            Rounded(FRowEdges[row + 1])});
  }
  return *tile;
}

// ---- TMultiTile ----

TMultiTile::TMultiTile(TEffController& grid) : FGrid(grid), FSeparator(grid.ColumnEdges(), grid.RowEdges()) {}

void TMultiTile::Begin() {
  ORV_ASSERT(!FBegun, "TMultiTile.Begin twice");
  FSeparator.Clear();
  FBegun = true;
}

void TMultiTile::AddMaskTriangles(std::span<const TMaskVertex> fan) {
  ORV_ASSERT(FBegun, "TMultiTile.AddMaskTriangles without Begin");
  if (fan.size() >= 3) FSeparator.Cut(fan);
}

void TMultiTile::End() {
  ORV_ASSERT(FBegun, "TMultiTile.End without Begin");
  FBegun = false;
  // The separator's first and last intervals lie outside the grid.
  for (int row = 0; row < FGrid.Rows(); ++row) {
    for (int column = 0; column < FGrid.Columns(); ++column) {
      const TFanList& pieces = FSeparator.Cell(column + 1, row + 1);
      if (pieces.IsEmpty()) continue;
      TEffTile& tile = FGrid.Tile(column, row);
      tile.Begin();
      for (int i = 0; i < pieces.FanCount(); ++i) tile.AddMaskTriangles(pieces.Fan(i));
      tile.End();
    }
  }
}

}  // namespace orv
