// Cutting mask polygons along a grid: every piece lands in the cell it lies in, with new
// vertices where the edges cross the grid lines.
#pragma once

#include <span>
#include <vector>

#include "base/ref_object.h"

namespace orv {

// A vertex of a mask polygon: a point of the frame (pixels) and how much of the masked
// slide shows there, 0 … 255.
struct TMaskVertex {
  float X = 0;
  float Y = 0;
  float Alpha = 0;

  friend bool operator==(const TMaskVertex&, const TMaskVertex&) = default;
};

// The polygon pieces of one cell: triangle fans (vertices 0, i, i + 1) one after another.
class TFanList {
public:
  TFanList();
  void Add(std::span<const TMaskVertex> fan);
  void Clear();
  bool IsEmpty() const { return FStarts.empty(); }
  int FanCount() const { return int(FStarts.size()); }
  std::span<const TMaskVertex> Fan(int index) const;

private:
  std::vector<TMaskVertex> FVertices;
  std::vector<int> FStarts;  // where each fan begins in FVertices
};

// The cuts at sorted coordinates `cuts` split a line into cuts.size() + 1 intervals; the
// first and the last are unbounded.
class TCutLine {
public:
  explicit TCutLine(std::vector<float> cuts);
  int IntervalCount() const { return int(FBounds.size()) - 1; }
  // The interval holding `v`; at a cut, the one beginning there.
  int IntervalOf(float v) const;
  float Low(int interval) const { return FBounds[interval]; }
  float High(int interval) const { return FBounds[interval + 1]; }

private:
  std::vector<float> FBounds;  // the cuts between two sentinels far beyond any frame
};

// The work space of cutting, kept between polygons to spare allocations.
struct TCutScratch {
  std::vector<TMaskVertex> Rest;
  std::vector<TMaskVertex> Below;
  std::vector<TMaskVertex> Above;
};

// Cuts polygons along vertical lines into one fan list per interval.
class TXSeparator : public TRefObject {
public:
  explicit TXSeparator(std::vector<float> cuts);
  // A convex polygon (at least three vertices in order round it).
  void Cut(std::span<const TMaskVertex> polygon);
  int CellCount() const { return FCuts.IntervalCount(); }
  const TFanList& Cell(int index) const { return FCells[index]; }
  void Clear();

private:
  TCutLine FCuts;
  std::vector<TFanList> FCells;
  TCutScratch FScratch;
};

// Cuts polygons along horizontal lines into bands, and each band along vertical lines.
// Cells are numbered by interval: column 0 and row 0 lie before the first cut.
class T2DSeparator : public TRefObject {
public:
  T2DSeparator(std::vector<float> column_cuts, std::vector<float> row_cuts);
  void Cut(std::span<const TMaskVertex> polygon);
  int Columns() const { return FBands.front()->CellCount(); }
  int Rows() const { return int(FBands.size()); }
  const TFanList& Cell(int column, int row) const { return FBands[row]->Cell(column); }
  void Clear();

private:
  TCutLine FRowCuts;
  std::vector<Ref<TXSeparator>> FBands;
  TCutScratch FScratch;
};

}  // namespace orv
