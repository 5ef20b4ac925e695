#include "render/gl/gl_engine.h"

#include <epoxy/gl.h>

#include <cstdlib>
#include <string>

#include "base/log.h"
#include "platform/platform_window.h"
#include "render/draw_device.h"
#include "render/gl/gl_renderer.h"
#include "render/render_errors.h"

namespace orv {

namespace {

struct TCapsGL {
  double PixelShaderVersion = 0;
  unsigned Vendor = 0;
  int MaxTextureSize = 0;
  float MaxAnisotropy = 1;
};

unsigned VendorId(std::string_view vendor) {
  if (vendor.find("Intel") != std::string_view::npos) return 0x8086;
  if (vendor.find("NVIDIA") != std::string_view::npos) return 0x10DE;
  if (vendor.find("AMD") != std::string_view::npos || vendor.find("ATI") != std::string_view::npos) return 0x1002;
  return 0;
}

std::string_view GLText(GLenum name) {
  const auto* text = reinterpret_cast<const char*>(glGetString(name));
  return text ? std::string_view(text) : std::string_view();
}

// The capabilities of the current context. A 3.3 core context runs GLSL 330, which does
// all that pixel shader 3.0 did.
TCapsGL ReadCaps() {
  TCapsGL caps;
  caps.PixelShaderVersion = epoxy_gl_version() >= 33 ? 3.0 : 0.0;
  caps.Vendor = VendorId(GLText(GL_VENDOR));
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &caps.MaxTextureSize);
  if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic"))
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &caps.MaxAnisotropy);
  Log().Write("GL device: " + std::string(GLText(GL_RENDERER)) + ", " + std::string(GLText(GL_VERSION)));
  return caps;
}

class T3DEngineGL : public T3DEngine {
public:
  T3DEngineGL() {
    // The probe device: a small hidden window with its own context.
    TPlatformWindow probe(TWindowParams{"probe", RectOfSize(16, 16), TWindowMode::Borderless, 0, false});
    std::unique_ptr<TGLContext> context = probe.CreateGLContext();
    FCaps = ReadCaps();
    context.reset();
  }

  bool IsUsable() const override { return FCaps.PixelShaderVersion > 0 && FCaps.MaxTextureSize > 0; }

  Ref<T3DRenderer> CreateRenderer(TDrawDevice& device) override {
    if (!IsUsable()) throw ERenderError("Can't init");
    if (!device.HasWindow()) throw ERenderError("No window to draw");
    LogMode(device);
    std::unique_ptr<TGLContext> context = device.CreateContext();
    Ref<T3DRenderer> renderer = MakeRef<gl::T3DRendererGL>(std::move(context), FCaps.MaxTextureSize);
    Log().Write("T3DEngine9.InternalCreateRenderer: create device res= 0");
    return renderer;
  }

  double Capability(std::string_view name) const override {
    if (name == "pixelshaderversion") return FCaps.PixelShaderVersion;
    if (name == "maxtexwidth" || name == "maxtexheight") return FCaps.MaxTextureSize;
    if (name == "maxanisotropy") return FCaps.MaxAnisotropy;
    if (name == "vendor") return FCaps.Vendor;
    return 0;  // "raster" and anything unknown
  }

private:
  static void LogMode(TDrawDevice& device) {
    if (device.IsFullScreen() && EngineSettings().ExclusiveAllowed) {
      Log().Write("T3DEngine9.InternalCreateRenderer - exclusive");
      return;
    }
    const TRect r = device.Rect();
    Log().Write("T3DEngine9.InternalCreateRenderer: init windowed device: " + std::to_string(r.Left) + "," +
                std::to_string(r.Top) + "," + std::to_string(r.Right) + "," + std::to_string(r.Bottom));
  }

  TCapsGL FCaps;
};

}  // namespace

// Mesa's software rasteriser has an 8-bit "linear" path for simple textured quads. On the
// processors we run on it draws picture tiles slower than its general path (a sixth of an
// export's time), so it is turned off unless the user chose otherwise.
void PrepareGLEnvironment() { setenv("LP_PERF", "no_linear", 0); }

Ref<T3DEngine> CreateEngineGL() {
  try {
    return MakeRef<T3DEngineGL>();
  } catch (const EPlatformError& e) {
    throw ERenderError(e.what());
  }
}

}  // namespace orv
