#include "slide/object_drawing.h"

#include <algorithm>
#include <cmath>

#include "image/color_profile.h"
#include "slide/orv_image.h"

namespace orv {
namespace {

// Frames of a sprite animation without "AnimInterval" last this long (ms).
constexpr double kDefaultFrameInterval = 100;
constexpr size_t kLinearTableBytes = size_t(TGradingTable::kLinearSize) * 4;

double FrameInterval(const TAnimationSettings& a, int frame) {
  if (a.Intervals.empty()) return kDefaultFrameInterval;
  return a.Intervals[std::min(size_t(frame), a.Intervals.size() - 1)];
}

// Our tables hold four bytes per entry (blue, green, red, alpha); the device cube takes three.
Ref<TGradingTable> CubeTable(const TColorTable& table) {
  std::vector<uint8_t> bgr;
  bgr.reserve(table.Pixels.size() / 4 * 3);
  for (size_t at = 0; at + 3 < table.Pixels.size(); at += 4) bgr.insert(bgr.end(), &table.Pixels[at], &table.Pixels[at + 3]);
  return TGradingTable::Cube(bgr.data(), bgr.size());
}

// The first row of a ramp; the device repeats it.
Ref<TGradingTable> LinearTable(const TColorTable& table) {
  return TGradingTable::Linear(table.Pixels.data(), std::min(table.Pixels.size(), kLinearTableBytes));
}

}  // namespace

TQuadFrame QuadOf(const TObjectFrame& frame, const TRectF& local) {
  return {frame.At(local.Left, local.Top), frame.X * local.Width(), frame.Y * local.Height()};
}

TQuadFrame SubQuad(const TQuadFrame& quad, const TRectF& part) {
  return {quad.At(part.Left, part.Top), quad.XAxis * part.Width(), quad.YAxis * part.Height()};
}

TColor32 ColorOf(const TIniColor& color) { return ColorOf(color, color.Alpha); }

TColor32 ColorOf(const TIniColor& color, int alpha) { return MakeColor(color.Red, color.Green, color.Blue, alpha); }

// ---- sprite sheets

int SpriteFrameIndex(const TAnimationSettings& a, double elapsed) {
  const int count = int(std::clamp<int64_t>(a.Count, 1, int64_t(std::max(a.Columns, 1)) * std::max(a.Rows, 1)));
  if (!(elapsed > 0)) return 0;
  double period = 0;
  for (int frame = 0; frame < count; ++frame) period += FrameInterval(a, frame);
  // Frames of no length are over as soon as they start.
  if (period <= 0) return count - 1;
  // A frame is shown until the end of its interval, inclusive.
  const double passes = std::ceil(elapsed / period) - 1;
  if (a.RepCount > 0 && passes >= a.RepCount) return count - 1;
  const double into_pass = elapsed - passes * period;
  double end = 0;
  for (int frame = 0; frame < count; ++frame) {
    end += FrameInterval(a, frame);
    if (end >= into_pass) return frame;
  }
  return count - 1;
}

TRectF SpriteCell(int index, int columns, int rows, float width, float height) {
  columns = std::max(columns, 1);
  rows = std::max(rows, 1);
  const int column = index % columns;
  const int row = index / columns % rows;
  const float cell_width = width / float(columns);
  const float cell_height = height / float(rows);
  const float left = cell_width * float(column) + float(2 * column + 1);
  const float top = cell_height * float(row) + float(2 * row + 1);
  return {left, top, left + cell_width, top + cell_height};
}

// ---- colour grading

// Both tables are 32 × 1024 entries of blue, green and red in the same order; ours adds alpha.
std::optional<TColorTable> ProfileCube(const TImage& picture) {
  const Ref<TColorProfile> profile = picture.Store().Attachments().Find<TColorProfile>();
  if (!profile) return std::nullopt;
  const Ref<TBitmap> table = MakeIdentityColorTable();
  profile->Apply(*table);
  TColorTable cube = TColorTable::IdentityCube();
  for (int row = 0; row < cube.Rows; ++row)
    for (int column = 0; column < cube.Width; ++column)
      std::copy_n(table->Row(row) + 3 * column, 3, &cube.Pixels[4 * (size_t(row) * cube.Width + column)]);
  return cube;
}

TColorGrading TGradingTextures::Get(const TGradingParams* params) {
  if (!params || !params->Left || !params->Right) return {};
  TColorGrading grading;
  grading.A = TableFor(FLeft, *params->Left);
  // One table on both sides (a colour profile alone) is made once.
  grading.B = params->Right == params->Left ? grading.A : TableFor(FRight, *params->Right);
  grading.T = float(params->Blend);
  return grading;
}

const Ref<TGradingTable>& TGradingTextures::TableFor(TSide& side, const TColorTable& table) {
  if (side.Table && side.ThreeD == table.ThreeD) {
    if (side.Buffer == table.Pixels.data()) return side.Table;
    // Another key point's table, or the same one rebuilt: often the same colours.
    side.Buffer = table.Pixels.data();
    if (side.Source == table.Pixels) return side.Table;
  }
  side.Table = table.ThreeD ? CubeTable(table) : LinearTable(table);
  side.Buffer = table.Pixels.data();
  side.Source = table.Pixels;
  side.ThreeD = table.ThreeD;
  return side.Table;
}

// ---- prepared textures

void TPreparedPicture::Prepare(TDeviceDrawer& drawer, const Ref<TImage>& picture, const TImageDrawParams& params) {
  if (FPicture != picture || FDrawer.Get() != &drawer) Release();
  if (!picture) return;
  const TVariant variant{params.Level, params.Columns, params.Rows};
  if (std::find(FVariants.begin(), FVariants.end(), variant) != FVariants.end()) return;
  drawer.PrepareImage(*picture, params);
  FDrawer = Ref<TDeviceDrawer>::Share(&drawer);
  FPicture = picture;
  FVariants.push_back(variant);
}

void TPreparedPicture::Release() {
  if (FPicture && FDrawer) FDrawer->ReleaseImage(*FPicture);
  FDrawer.Reset();
  FPicture.Reset();
  FVariants.clear();
}

}  // namespace orv
