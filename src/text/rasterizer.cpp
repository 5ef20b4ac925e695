#include "text/rasterizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "base/assertions.h"
#include "image/picture_limits.h"

namespace orv {
namespace {

constexpr int kSub = 16;  // sub-scanlines per pixel row and coverage steps per pixel
constexpr double kCoordinateLimit = 67108864;
constexpr double kFlatChord = 2;  // pixels
constexpr int kMaxCurveDepth = 32;
// Crossings of one sub-scanline up to this many are sorted by insertion.
constexpr size_t kInsertionSortLimit = 32;

// Rounds half away from zero, as lround does, without its library call: every sub-scanline
// of every edge rounds a crossing. `v` must lie within the 32-bit range.
int RoundToInt(double v) noexcept { return v < 0 ? -int(int64_t(0.5 - v)) : int(int64_t(v + 0.5)); }

int64_t FloorDiv(int64_t a, int64_t b) noexcept { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Pixels to 1/16 pixel, clamped first so that the product fits.
int ToSubPixels(double v) {
  if (std::isnan(v)) return 0;
  return RoundToInt(std::clamp(v, -kCoordinateLimit, kCoordinateLimit) * kSub);
}

// The Bernstein polynomial of a quadratic (order 2) or cubic (order 3) curve at t.
TPointD CurvePoint(const std::array<TPointD, 4>& p, int order, double t) {
  const double u = 1 - t;
  if (order == 2)
    return {u * u * p[0].X + 2 * u * t * p[1].X + t * t * p[2].X, u * u * p[0].Y + 2 * u * t * p[1].Y + t * t * p[2].Y};
  const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
  return {a * p[0].X + b * p[1].X + c * p[2].X + d * p[3].X, a * p[0].Y + b * p[1].Y + c * p[2].Y + d * p[3].Y};
}

// Splits the parameter range in halves until each piece's chord is short, and emits the end
// of every accepted piece; a piece still too long at the last level is dropped.
template <class Emit>
void Flatten(const std::array<TPointD, 4>& p, int order, double t0, double t1, int depth, const Emit& emit) {
  const TPointD a = CurvePoint(p, order, t0);
  const TPointD b = CurvePoint(p, order, t1);
  if (std::abs(b.X - a.X) < kFlatChord && std::abs(b.Y - a.Y) < kFlatChord) {
    emit(b);
    return;
  }
  if (depth + 1 >= kMaxCurveDepth) return;
  const double middle = (t0 + t1) / 2;
  Flatten(p, order, t0, middle, depth + 1, emit);
  Flatten(p, order, middle, t1, depth + 1, emit);
}

uint8_t Channel(uint32_t argb, int shift) { return uint8_t(argb >> shift); }

// Keeps the coverage of each run in the mask.
class TMaskPainter : public TCoveragePainter {
public:
  explicit TMaskPainter(TCoverageMask& mask) : FMask(mask) {}
  void PaintRun(int y, int x, const uint16_t* coverage, int count) override {
    std::copy_n(coverage, count, &FMask.Cells[size_t(y) * size_t(FMask.Width) + size_t(x)]);
  }

private:
  TCoverageMask& FMask;
};

}  // namespace

// ---- TOutline

void TOutline::Reset(bool even_odd) {
  FEdges.clear();
  FLeft = FTop = 1;
  FRight = FBottom = 0;
  FHasStart = false;
  FClosed = true;
  FEvenOdd = even_odd;
}

void TOutline::MoveTo(int x, int y) {
  CloseContour();
  FStartX = FCurrentX = x;
  FStartY = FCurrentY = y;
  FHasStart = true;
  FClosed = false;
  Include(x, y);
}

void TOutline::Include(int x, int y) {
  if (FLeft > FRight) {
    FLeft = FRight = x;
    FTop = FBottom = y;
    return;
  }
  FLeft = std::min(FLeft, x);
  FRight = std::max(FRight, x);
  FTop = std::min(FTop, y);
  FBottom = std::max(FBottom, y);
}

void TOutline::Translate(int dx, int dy) {
  for (TEdge& e : FEdges) {
    e.X += dx;
    e.Y += dy;
  }
  FLeft += dx, FRight += dx, FTop += dy, FBottom += dy;
}

void TOutline::LineTo(int x, int y) {
  ORV_ASSERT(FHasStart && !FClosed, "TOutline.AddPoint Error: No Start Point or Closed Outline");
  const int height = y - FCurrentY;
  if (height != 0) {
    if (FEdges.capacity() == FEdges.size()) FEdges.reserve(std::max<size_t>(16, FEdges.size() * 2));
    const float inverse_slope = float(double(x - FCurrentX) / double(height));
    if (height < 0)
      FEdges.push_back({x, y, height, inverse_slope});
    else
      FEdges.push_back({FCurrentX, FCurrentY, height, inverse_slope});
  }
  FCurrentX = x;
  FCurrentY = y;
  Include(x, y);
}

void TOutline::CloseContour() {
  if (!FHasStart || FClosed) return;
  if (FCurrentX != FStartX || FCurrentY != FStartY) LineTo(FStartX, FStartY);
  FClosed = true;
}

void TOutline::Finish() {
  CloseContour();
  std::stable_sort(FEdges.begin(), FEdges.end(), [](const TEdge& a, const TEdge& b) { return a.Y < b.Y; });
}

// ---- TRasterizer

void TRasterizer::Fill(const TOutline& outline, int width, int height, TCoveragePainter& painter) {
  const std::vector<TOutline::TEdge>& edges = outline.Edges();
  if (edges.empty() || width <= 0 || height <= 0) return;
  FWidth = width;
  FRightLimit = width * kSub;
  // A span ending at the right limit steps down one pixel beyond the last one.
  if (FSteps.size() < size_t(width) + 2) FSteps.resize(std::max(size_t(width) + 2, FSteps.size() * 2));
  if (FCoverage.size() < size_t(width)) FCoverage.resize(std::max(size_t(width), FCoverage.size() * 2));
  FActive.clear();
  FLow = width;
  FHigh = -1;
  size_t waiting = 0;
  for (int64_t row = std::max<int64_t>(0, FloorDiv(edges.front().Y, kSub)); row < height; ++row) {
    const int64_t row_end = (row + 1) * kSub;
    for (; waiting < edges.size() && edges[waiting].Y < row_end; ++waiting) {
      const TOutline::TEdge& e = edges[waiting];
      FActive.push_back({e.Y, e.Y + std::abs(int64_t(e.Height)), double(e.X), double(e.InverseSlope), e.Height < 0 ? -1 : 1});
    }
    std::erase_if(FActive, [row](const TActiveEdge& e) { return e.Bottom <= row * kSub; });
    if (FActive.empty()) {
      if (waiting == edges.size()) break;
      // Nothing to scan until the next edge begins.
      row = std::max(row, FloorDiv(edges[waiting].Y, kSub)) - 1;
      continue;
    }
    ScanRow(row, outline.EvenOdd());
    FlushRow(int(row), painter);
  }
}

// The span [x0, x1) in 1/16 pixel covers x1 − x0 of a pixel it lies in alone, else
// 16 − x0 mod 16 of its first pixel, 16 of each one between and the rest of its last: as
// steps, its first pixel rises by 16 − x0 mod 16 and the next by the rest, and the same
// falls at x1.
void TRasterizer::AddSpan(int x0, int x1) {
  if (x1 <= x0) return;
  const int first = x0 / kSub, first_part = x0 % kSub;
  const int end = x1 / kSub, end_part = x1 % kSub;
  FSteps[size_t(first)] += kSub - first_part;
  FSteps[size_t(first) + 1] += first_part;
  FSteps[size_t(end)] -= kSub - end_part;
  FSteps[size_t(end) + 1] -= end_part;
  FLow = std::min(FLow, first);
  FHigh = std::max(FHigh, end);
}

void TRasterizer::ScanRow(int64_t row, bool even_odd) {
  CollectCrossings(row);
  for (size_t k = 0; k < FCrossingCounts.size(); ++k) {
    const auto crossings = std::span(FCrossings).subspan(k * FActive.size(), FCrossingCounts[k]);
    // Two crossings enclose one span whatever their directions, in either order.
    if (crossings.size() == 2) {
      const auto [left, right] = std::minmax(crossings[0].X, crossings[1].X);
      AddSpan(std::max(left, 0), std::min(right, FRightLimit));
    } else if (crossings.size() > 2) {
      AddSpans(crossings, even_odd);
    }
  }
}

// Each edge crosses the middle of each sub-scanline it spans at its own x.
void TRasterizer::CollectCrossings(int64_t row) {
  const size_t stride = FActive.size();
  const size_t needed = FCrossingCounts.size() * stride;
  if (FCrossings.size() < needed) FCrossings.resize(std::max(needed, FCrossings.size() * 2));
  FCrossingCounts.fill(0);
  const int64_t row_top = row * kSub;
  for (const TActiveEdge& e : FActive) {
    const int64_t first = std::max(e.Top, row_top), end = std::min(e.Bottom, row_top + kSub);
    for (int64_t j = first; j < end; ++j) {
      const double x = e.X + (double(j - e.Top) + 0.5) * e.InverseSlope;
      const size_t k = size_t(j - row_top);
      FCrossings[k * stride + FCrossingCounts[k]++] = {RoundToInt(std::clamp(x, -2147483647.0, 2147483647.0)), e.Direction};
    }
  }
}

// Walks the crossings sorted by x. Crossings at the same x leave no span between them, so
// their order does not matter.
void TRasterizer::AddSpans(std::span<TCrossing> crossings, bool even_odd) {
  const auto by_x = [](const TCrossing& a, const TCrossing& b) { return a.X < b.X; };
  if (crossings.size() > kInsertionSortLimit)
    std::sort(crossings.begin(), crossings.end(), by_x);
  else
    for (size_t i = 1; i < crossings.size(); ++i) {
      const TCrossing moved = crossings[i];
      size_t k = i;
      for (; k > 0 && moved.X < crossings[k - 1].X; --k) crossings[k] = crossings[k - 1];
      crossings[k] = moved;
    }
  int winding = 0;
  int reference = 1;
  int previous = 0;
  for (const TCrossing& crossing : crossings) {
    const bool inside = even_odd ? (winding & 1) != 0 : winding * reference > 0;
    if (inside) AddSpan(std::max(previous, 0), std::min(crossing.X, FRightLimit));
    if (crossing.X >= FRightLimit) break;
    if (winding == 0) reference = crossing.Direction;
    winding += crossing.Direction;
    previous = crossing.X;
  }
}

void TRasterizer::FlushRow(int y, TCoveragePainter& painter) {
  if (FHigh < FLow) return;
  const int last = std::min(FHigh, FWidth - 1);
  int32_t coverage = 0;
  for (int x = FLow; x <= last; ++x) {
    coverage += FSteps[size_t(x)];
    FCoverage[size_t(x)] = uint16_t(coverage);
  }
  std::fill(FSteps.begin() + FLow, FSteps.begin() + FHigh + 2, 0);
  for (int x = FLow; x <= last;) {
    if (FCoverage[size_t(x)] == 0) {
      ++x;
      continue;
    }
    const int start = x;
    while (x <= last && FCoverage[size_t(x)] != 0) ++x;
    painter.PaintRun(y, start, &FCoverage[size_t(start)], x - start);
  }
  FLow = FWidth;
  FHigh = -1;
}

// ---- blending

void BlendPixel(uint8_t* pixel, uint32_t source) noexcept {
  const int sa = Channel(source, 24);
  const int da = pixel[3];
  if (sa == 0) return;
  if (sa == 255 || da == 0) {
    for (int c = 0; c < 4; ++c) pixel[c] = Channel(source, 8 * c);
    return;
  }
  if (da == 255) {
    for (int c = 0; c < 3; ++c) {
      const int d = pixel[c];
      pixel[c] = uint8_t(d + sa * (Channel(source, 8 * c) - d) / 256);
    }
    return;
  }
  const int f = sa + da - da * sa / 256;
  const int64_t reciprocal = 65536 / f;
  for (int c = 0; c < 3; ++c) {
    const int d = pixel[c];
    const int64_t weighted = da * d + sa * (Channel(source, 8 * c) - da * d / 256);
    pixel[c] = uint8_t(std::clamp<int64_t>(reciprocal * weighted / 65536, 0, 255));
  }
  pixel[3] = uint8_t(std::min(f, 255));
}

// ---- TRasterHelper

void TRasterHelper::BeginPaint(int width, int height, uint32_t background) {
  ORV_ASSERT(!FBitmap, "Previous TRasterHelper.BeginPaint not Closed");
  ORV_ASSERT(width > 0 && height > 0, "TRasterHelper.BeginPaint: W or H = 0");
  FBitmap = TBitmap::Create(width, height, pf::A8R8G8B8);
  FBitmap->Fill(background);
}

Ref<TBitmap> TRasterHelper::EndPaint() {
  ORV_ASSERT(bool(FBitmap), "No Previous Call of TRasterHelper.BeginPaint");
  return std::move(FBitmap);
}

void TRasterHelper::DrawPath(const TPath& path, bool even_odd) {
  ORV_ASSERT(bool(FBitmap), "No Previous Call of TRasterHelper.BeginPaint");
  if (BuildOutline(path, even_odd)) FRasterizer.Fill(FOutline, FBitmap->Width(), FBitmap->Height(), *this);
}

std::optional<TCoverageMask> TRasterHelper::MaskOf(const TPath& path, bool even_odd) {
  if (!BuildOutline(path, even_odd) || FOutline.Edges().empty()) return std::nullopt;
  // Whole pixels of the points' box, and one more on the right so that no span is clipped.
  TCoverageMask mask;
  mask.Left = int(FloorDiv(FOutline.Left(), kSub));
  mask.Top = int(FloorDiv(FOutline.Top(), kSub));
  mask.Width = int(FloorDiv(FOutline.Right(), kSub)) - mask.Left + 2;
  mask.Height = int(FloorDiv(FOutline.Bottom(), kSub)) - mask.Top + 1;
  if (!PictureSizeAllowed(mask.Width, mask.Height)) return std::nullopt;
  mask.Cells.assign(size_t(mask.Width) * size_t(mask.Height), 0);
  FOutline.Translate(-mask.Left * kSub, -mask.Top * kSub);
  TMaskPainter painter(mask);
  FRasterizer.Fill(FOutline, mask.Width, mask.Height, painter);
  return mask;
}

void TRasterHelper::DrawMask(const TCoverageMask& mask, int x, int y) {
  ORV_ASSERT(bool(FBitmap), "No Previous Call of TRasterHelper.BeginPaint");
  const int left = x + mask.Left, top = y + mask.Top;
  const int first_column = std::max(0, -left), end_column = std::min(mask.Width, FBitmap->Width() - left);
  if (first_column >= end_column) return;
  for (int row = std::max(0, -top); row < std::min(mask.Height, FBitmap->Height() - top); ++row) {
    const uint16_t* cells = &mask.Cells[size_t(row) * size_t(mask.Width)];
    PaintRun(top + row, left + first_column, cells + first_column, end_column - first_column);
  }
}

bool TRasterHelper::BuildOutline(const TPath& path, bool even_odd) {
  FOutline.Reset(even_odd);
  bool need_move = true;
  for (size_t i = 0; i < path.size(); ++i) {
    const TPathPoint& point = path[i];
    ORV_ASSERT(IsPathCommand(int32_t(point.Command)), "Unknown Path Command");
    if (need_move && point.Command != TPathCommand::MoveTo) return false;
    need_move = false;
    switch (point.Command) {
      case TPathCommand::MoveTo:
      case TPathCommand::LineTo:
        AddPoint(point, point.Command == TPathCommand::MoveTo);
        break;
      case TPathCommand::QuadTo:
      case TPathCommand::CubicTo: {
        const int order = point.Command == TPathCommand::QuadTo ? 2 : 3;
        if (i + size_t(order) > path.size()) return false;
        std::array<TPointD, 4> control{TPointD{FLastX, FLastY}};
        for (int k = 0; k < order; ++k) control[size_t(k + 1)] = Transformed(path[i + size_t(k)]);
        Flatten(control, order, 0, 1, 0, [this](TPointD p) {
          FLastX = p.X;
          FLastY = p.Y;
          FOutline.LineTo(ToSubPixels(p.X), ToSubPixels(p.Y));
        });
        i += size_t(order) - 1;
        break;
      }
      case TPathCommand::EndFigure:
        need_move = true;
        break;
    }
  }
  FOutline.Finish();
  return true;
}

TPointD TRasterHelper::Transformed(const TPathPoint& point) const {
  return {FTransform.ScaleX * point.X + FTransform.OffsetX, FTransform.ScaleY * point.Y + FTransform.OffsetY};
}

void TRasterHelper::AddPoint(const TPathPoint& point, bool move) {
  const TPointD p = Transformed(point);
  FLastX = p.X;
  FLastY = p.Y;
  const int sx = ToSubPixels(FLastX), sy = ToSubPixels(FLastY);
  if (move)
    FOutline.MoveTo(sx, sy);
  else
    FOutline.LineTo(sx, sy);
}

void TRasterHelper::PaintRun(int y, int x, const uint16_t* coverage, int count) {
  uint8_t* pixel = FBitmap->Row(y) + 4 * x;
  const uint32_t alpha = FColor >> 24;
  for (int i = 0; i < count; ++i, pixel += 4) {
    // No coverage blends a transparent colour: the pixel stays.
    if (coverage[i] == 0) continue;
    const uint32_t c = std::min<uint32_t>(coverage[i], 256);
    const uint32_t colour = c == 256 ? FColor : (FColor & 0xFFFFFFu) | (alpha * c / 256) << 24;
    BlendPixel(pixel, colour);
  }
}

}  // namespace orv
