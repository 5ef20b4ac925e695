// Colour grading tables as the shaders sample them, with the device texture made from
// each kept beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/ref_object.h"
#include "render/device.h"
#include "render/screen_3d.h"

namespace orv {

class TGradingTable : public TRefObject {
public:
  enum class TKind : std::uint8_t {
    Cube,    // 32 × 32 × 32 colours
    Linear,  // one 256-step table per channel
  };
  static constexpr int kCubeSize = 32;
  static constexpr int kLinearSize = 256;

  // A cube stored as 32 columns × 1024 rows of bytes B, G, R: row j + 32 i, column k
  // holds the colour for blue index i, green index j, red index k. Raises EConvertError
  // for a wrong size.
  static Ref<TGradingTable> Cube(const std::uint8_t* bgr, std::size_t size);
  // 256 entries of bytes B, G, R, A (the first row of the 256 × 16 table).
  static Ref<TGradingTable> Linear(const std::uint8_t* bgra, std::size_t size);
  // The identity cube.
  static Ref<TGradingTable> IdentityCube();

  TKind Kind() const { return FKind; }
  // The graded colour of (r, g, b) in 0..1, interpolated as the device does.
  void Apply(const float rgb[3], float out[3]) const;
  // The same grading for video: a cube indexed by (V, U, Y) that gives graded RGB of the
  // video-range YUV colour. Made once per table.
  TGradingTable& ForVideo();

  // The device texture on `screen`, made when missing (drawing lock held); null when it
  // cannot be made.
  TBaseTexture* DeviceTexture(T3DScreen& screen);

private:
  TGradingTable(TKind kind, std::vector<std::uint8_t> bytes) : FKind(kind), FBytes(std::move(bytes)) {}
  float CubeAt(int r, int g, int b, int channel) const;

  TKind FKind;
  std::vector<std::uint8_t> FBytes;
  Ref<TGradingTable> FVideo;
  Ref<TBaseTexture> FTexture;
  Ref<TScreenLink> FScreen;
  unsigned FGeneration = 0;
};

// Video-range YUV (BT.601) to RGB in 0..1, as the "yuv" shader computes it.
struct TYuvConstants {
  float Crv = 1.596f;
  float Cgu = 0.391f;
  float Cgv = 0.813f;
  float Cbu = 2.018f;
  float Scy = 255.0f / 219.0f;
};
void YuvToRgb(const TYuvConstants& k, float y, float u, float v, float out[3]);

}  // namespace orv
