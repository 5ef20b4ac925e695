#include "render/device.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orv {

TEngineSettings& EngineSettings() {
  static TEngineSettings settings;
  return settings;
}

int BytesPerTexel(TTextureFormat format) {
  switch (format) {
    case TTextureFormat::BGRA8:
      return 4;
    case TTextureFormat::Luminance8:
      return 1;
    case TTextureFormat::RGB565:
      return 2;
  }
  return 4;
}

int ShaderLevelFor(double pixel_shader_version, unsigned vendor) {
  constexpr unsigned kIntel = 0x8086;
  if (pixel_shader_version < 2.0) return 0;
  if (vendor == kIntel) return pixel_shader_version >= 3.0 ? 2 : 1;
  return 2;
}

float CameraDistance(int height) {
  return float(std::max(height, 1)) / 2 / float(std::tan(std::numbers::pi / 8));
}

int T3DEngine::ShaderLevel() const {
  return ShaderLevelFor(Capability("pixelshaderversion"), unsigned(Capability("vendor")));
}

}  // namespace orv
