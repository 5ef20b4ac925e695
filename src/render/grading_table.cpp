#include "render/grading_table.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/exceptions.h"
#include "base/log.h"
#include "render/render_errors.h"
#include "render/screen_3d.h"

namespace orv {

namespace {

constexpr int kCube = TGradingTable::kCubeSize;
constexpr std::size_t kCubeBytes = std::size_t(kCube) * kCube * kCube * 3;
constexpr std::size_t kLinearBytes = std::size_t(TGradingTable::kLinearSize) * 4;
constexpr int kLinearRows = 16;

void CheckSize(std::size_t size, std::size_t expected, const char* what) {
  if (size != expected)
    throw EConvertError(std::string(what) + " of " + std::to_string(size) + " bytes, " + std::to_string(expected) +
                        " expected");
}

// Where a colour value 0..1 falls on a table of n entries, sampled at c × (n − 1) / n + 1 / 2n.
void TableSpan(float c, int n, int& low, int& high, float& f) {
  const float at = std::clamp(c, 0.0f, 1.0f) * float(n - 1);
  low = std::min(int(at), n - 1);
  high = std::min(low + 1, n - 1);
  f = at - float(low);
}

}  // namespace

Ref<TGradingTable> TGradingTable::Cube(const std::uint8_t* bgr, std::size_t size) {
  CheckSize(size, kCubeBytes, "Colour cube");
  return Ref<TGradingTable>::Adopt(new TGradingTable(TKind::Cube, std::vector<std::uint8_t>(bgr, bgr + size)));
}

Ref<TGradingTable> TGradingTable::Linear(const std::uint8_t* bgra, std::size_t size) {
  CheckSize(size, kLinearBytes, "Colour table");
  std::vector<std::uint8_t> rows;
  rows.reserve(kLinearBytes * kLinearRows);
  for (int i = 0; i < kLinearRows; ++i) rows.insert(rows.end(), bgra, bgra + size);
  return Ref<TGradingTable>::Adopt(new TGradingTable(TKind::Linear, std::move(rows)));
}

Ref<TGradingTable> TGradingTable::IdentityCube() {
  std::vector<std::uint8_t> bytes(kCubeBytes);
  const auto v = [](int n) { return std::uint8_t(n * 256 / 32 + (n * 256 / 32) / 32); };
  std::size_t at = 0;
  for (int i = 0; i < kCube; ++i)
    for (int j = 0; j < kCube; ++j)
      for (int k = 0; k < kCube; ++k) {
        bytes[at++] = v(i);
        bytes[at++] = v(j);
        bytes[at++] = v(k);
      }
  return Cube(bytes.data(), bytes.size());
}

float TGradingTable::CubeAt(int r, int g, int b, int channel) const {
  // Bytes are B, G, R; the red output is the third byte.
  const std::size_t texel = (std::size_t(b) * kCube + std::size_t(g)) * kCube + std::size_t(r);
  return FBytes[texel * 3 + std::size_t(2 - channel)] / 255.0f;
}

void TGradingTable::Apply(const float rgb[3], float out[3]) const {
  if (FKind == TKind::Linear) {
    for (int c = 0; c < 3; ++c) {
      int low, high;
      float f;
      TableSpan(rgb[c], kLinearSize, low, high, f);
      const float a = FBytes[std::size_t(low) * 4 + std::size_t(2 - c)] / 255.0f;
      const float b = FBytes[std::size_t(high) * 4 + std::size_t(2 - c)] / 255.0f;
      out[c] = a + (b - a) * f;
    }
    return;
  }
  int lo[3], hi[3];
  float f[3];
  for (int c = 0; c < 3; ++c) TableSpan(rgb[c], kCube, lo[c], hi[c], f[c]);
  for (int channel = 0; channel < 3; ++channel) {
    float sum = 0;
    for (int corner = 0; corner < 8; ++corner) {
      const int r = corner & 1 ? hi[0] : lo[0];
      const int g = corner & 2 ? hi[1] : lo[1];
      const int b = corner & 4 ? hi[2] : lo[2];
      const float w = (corner & 1 ? f[0] : 1 - f[0]) * (corner & 2 ? f[1] : 1 - f[1]) * (corner & 4 ? f[2] : 1 - f[2]);
      sum += w * CubeAt(r, g, b, channel);
    }
    out[channel] = sum;
  }
}

TGradingTable& TGradingTable::ForVideo() {
  if (FVideo) return *FVideo;
  // The video cube's first coordinate (red) is V, the second U, the third Y.
  std::vector<std::uint8_t> bytes(kCubeBytes);
  const TYuvConstants k;
  std::size_t at = 0;
  for (int y = 0; y < kCube; ++y)
    for (int u = 0; u < kCube; ++u)
      for (int v = 0; v < kCube; ++v) {
        float rgb[3], graded[3];
        YuvToRgb(k, y / float(kCube - 1), u / float(kCube - 1), v / float(kCube - 1), rgb);
        Apply(rgb, graded);
        for (int c = 2; c >= 0; --c) bytes[at++] = std::uint8_t(std::lround(std::clamp(graded[c], 0.0f, 1.0f) * 255));
      }
  FVideo = Cube(bytes.data(), bytes.size());
  return *FVideo;
}

TBaseTexture* TGradingTable::DeviceTexture(T3DScreen& screen) {
  if (FTexture && FScreen == screen.Link() && FGeneration == screen.Generation()) return FTexture.Get();
  FTexture.Reset();
  if (!screen.HasRenderer()) return nullptr;
  try {
    if (FKind == TKind::Cube) {
      Ref<TVolumeTexture> cube = screen.Renderer().CreateVolumeTexture(kCube);
      cube->Upload(FBytes.data());
      FTexture = cube;
    } else {
      Ref<T3DTexture> table = screen.CreateTexture(kLinearSize, kLinearRows, TTextureFormat::BGRA8);
      table->Upload(RectOfSize(kLinearSize, kLinearRows), FBytes.data(), kLinearSize * 4);
      FTexture = table;
    }
  } catch (const ERenderError& e) {
    Log().Write(e.what());
    return nullptr;
  }
  FScreen = screen.Link();
  FGeneration = screen.Generation();
  return FTexture.Get();
}

void YuvToRgb(const TYuvConstants& k, float y, float u, float v, float out[3]) {
  const float l = (y - 0.0625f) * k.Scy;
  out[0] = std::clamp(l + k.Crv * (v - 0.5f), 0.0f, 1.0f);
  out[1] = std::clamp(l - k.Cgu * (u - 0.5f) - k.Cgv * (v - 0.5f), 0.0f, 1.0f);
  out[2] = std::clamp(l + k.Cbu * (u - 0.5f), 0.0f, 1.0f);
}

}  // namespace orv
