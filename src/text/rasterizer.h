// The scan converter that fills outlines (glyphs, underlines, interface icons): paths of
// lines and Bézier curves are flattened into edges in 1/16 pixel, scanned at 16 sub-scanlines
// per pixel row, and the coverage of each pixel (0…256) weights the paint colour blended
// into an "A8R8G8B8" bitmap.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/bitmap.h"
#include "text/vector_path.h"

namespace orv {

struct TPointD {
  double X = 0;
  double Y = 0;
};

// Where path points land: x → ScaleX × x + OffsetX, y → ScaleY × y + OffsetY.
struct TPointTransform {
  double ScaleX = 1;
  double ScaleY = 1;
  double OffsetX = 0;
  double OffsetY = 0;
};

// The edges of one path in 1/16-pixel integer coordinates.
class TOutline {
public:
  struct TEdge {
    int X = 0;       // of the upper end
    int Y = 0;
    int Height = 0;  // negative for an edge drawn upward
    float InverseSlope = 0;  // x change per 1/16-pixel row
  };

  // Forgets the edges of the previous path; keeps the memory.
  void Reset(bool even_odd);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  // Closes the last contour and sorts the edges by their upper end.
  void Finish();

  const std::vector<TEdge>& Edges() const noexcept { return FEdges; }
  bool EvenOdd() const noexcept { return FEvenOdd; }
  // The smallest and largest coordinates of the points added (1/16 pixel); left > right
  // without any.
  int Left() const noexcept { return FLeft; }
  int Top() const noexcept { return FTop; }
  int Right() const noexcept { return FRight; }
  int Bottom() const noexcept { return FBottom; }
  // Moves every edge by whole sixteenths.
  void Translate(int dx, int dy);

private:
  void CloseContour();
  void Include(int x, int y);

  std::vector<TEdge> FEdges;
  int FLeft = 1, FTop = 1, FRight = 0, FBottom = 0;
  int FStartX = 0, FStartY = 0;
  int FCurrentX = 0, FCurrentY = 0;
  bool FHasStart = false;
  bool FClosed = true;
  bool FEvenOdd = false;
};

// Receives the coverage of a run of consecutive pixels of one row.
class TCoveragePainter {
public:
  virtual ~TCoveragePainter() = default;
  virtual void PaintRun(int y, int x, const uint16_t* coverage, int count) = 0;
};

class TRasterizer {
public:
  // Scans `outline` over a width × height pixel area.
  void Fill(const TOutline& outline, int width, int height, TCoveragePainter& painter);

private:
  struct TCrossing {
    int X;
    int Direction;  // −1 for an upward edge, +1 otherwise
  };
  // An edge while the rows it spans are scanned, in the terms the crossings are computed in.
  struct TActiveEdge {
    int64_t Top = 0;     // its first sub-scanline
    int64_t Bottom = 0;  // the first sub-scanline below it
    double X = 0;        // of the upper end
    double InverseSlope = 0;
    int Direction = 1;
  };

  // Scans the 16 sub-scanlines of one pixel row with the active edges.
  void ScanRow(int64_t row, bool even_odd);
  // Puts each active edge's crossings of the row's sub-scanlines into their lists.
  void CollectCrossings(int64_t row);
  void AddSpans(std::span<TCrossing> crossings, bool even_odd);
  void AddSpan(int x0, int x1);
  void FlushRow(int y, TCoveragePainter& painter);

  std::vector<TActiveEdge> FActive;
  // One list per sub-scanline of the row, each with room for every active edge.
  std::vector<TCrossing> FCrossings;
  std::array<size_t, 16> FCrossingCounts{};  // one per sub-scanline
  // Per pixel of the row, the change of coverage from the pixel before: a span adds at its
  // two ends only, whatever its length.
  std::vector<int32_t> FSteps;
  std::vector<uint16_t> FCoverage;
  int FLow = 0, FHigh = -1;  // pixels touched in the current row
  int FWidth = 0;
  int FRightLimit = 0;  // bitmap width × 16
};

// The coverage of one filled path (0…256 per pixel) over the pixels it may touch, kept to be
// blended again wherever the same path lands at the same sub-pixel phase.
struct TCoverageMask {
  int Left = 0, Top = 0;  // of the first cell, in the pixels of the frame the path was placed in
  int Width = 0, Height = 0;
  std::vector<uint16_t> Cells;  // rows top to bottom
};

// Blends `source` (0xAARRGGBB) onto `pixel` (bytes B, G, R, A) by the source's alpha.
void BlendPixel(uint8_t* pixel, uint32_t source) noexcept;

// Paints paths into a bitmap it creates.
class TRasterHelper : private TCoveragePainter {
public:
  // Creates the target bitmap filled with `background` (0xAARRGGBB). Internal errors: a
  // bitmap already open, a side ≤ 0.
  void BeginPaint(int width, int height, uint32_t background);
  void SetPaintColor(uint32_t argb) noexcept { FColor = argb; }
  void SetTransform(const TPointTransform& transform) noexcept { FTransform = transform; }
  // Fills the path with the non-zero rule, or the even-odd one. A path that does not start
  // with a move to (also after an end of figure) or that ends inside a curve fills nothing;
  // an unknown command is an internal error.
  void DrawPath(const TPath& path, bool even_odd = false);
  // The coverage of the path under the current transform, without painting it; none for a
  // path that fills nothing.
  std::optional<TCoverageMask> MaskOf(const TPath& path, bool even_odd = false);
  // Blends the paint colour by the mask's coverage, its frame's origin at pixel (x, y).
  void DrawMask(const TCoverageMask& mask, int x, int y);
  // The bitmap painted since BeginPaint; internal error without one.
  Ref<TBitmap> EndPaint();

private:
  void PaintRun(int y, int x, const uint16_t* coverage, int count) override;
  bool BuildOutline(const TPath& path, bool even_odd);
  TPointD Transformed(const TPathPoint& point) const;
  void AddPoint(const TPathPoint& point, bool move);

  Ref<TBitmap> FBitmap;
  uint32_t FColor = 0xFFFFFFFFu;
  TPointTransform FTransform;
  TOutline FOutline;
  TRasterizer FRasterizer;
  double FLastX = 0, FLastY = 0;  // the last point added, transformed
};

}  // namespace orv
