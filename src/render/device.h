// The device operations the renderer needs, independent of the graphics library: the
// engine that makes renderers for window devices, textures, render targets, vertex lists
// and the named pixel shaders. The GL layer (render/gl) implements them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/rect.h"
#include "base/ref_object.h"
#include "render/render_types.h"

namespace orv {

class TDrawDevice;
class TBitmap;

// Process-wide engine settings, fixed at start-up.
struct TEngineSettings {
  // Full screen may take the display for itself (off under desktop composition or
  // opt_scr_noexclusive).
  bool ExclusiveAllowed = true;
  // Present interval: -1 the device default (vertical sync), 0 immediate, 1 vertical sync.
  int PresentInterval = -1;
  // Device creation, reset and disposal happen on the main thread.
  bool MainThreadDevices = true;
  // Texture memory the renderer may take; past it creation reports lack of video memory.
  // Software GL takes it from the process, so it must stay bounded.
  std::size_t VideoMemoryBudget = std::size_t(1) << 30;
};
TEngineSettings& EngineSettings();

enum class TTextureFormat : std::uint8_t {
  BGRA8,       // bytes B, G, R, A
  Luminance8,  // one byte, sampled as grey (a video plane, a mask)
  RGB565,      // 16 bits, red on top
};
int BytesPerTexel(TTextureFormat format);

struct TSamplerState {
  TImageFiltering Filter = TImageFiltering::Default;
  float LodBias = 0;
};

// Texture stages as the shaders name their inputs: "image", "sharp" and the Y plane on the
// first; "mask", "blurred" and the U plane on the second; the V plane on the third; the two
// colour grading tables on the fourth and fifth.
enum TTextureStage : int { kStageImage = 0, kStageSecond = 1, kStageThird = 2, kStageTableA = 3, kStageTableB = 4 };

enum class TBlendMode : std::uint8_t {
  Replace,        // the source as it is (copies, clearing passes)
  Premultiplied,  // source + destination * (1 - source alpha)
};

class TBaseTexture : public TRefObject {
public:
  TBaseTexture(int width, int height) : FWidth(width), FHeight(height) {}
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

private:
  int FWidth;
  int FHeight;
};

class T3DTexture : public TBaseTexture {
public:
  T3DTexture(int width, int height, TTextureFormat format) : TBaseTexture(width, height), FFormat(format) {}
  TTextureFormat Format() const { return FFormat; }
  // Writes a rectangle of texels given in the texture's own format.
  virtual void Upload(const TRect& area, const void* bits, std::ptrdiff_t stride) = 0;

private:
  TTextureFormat FFormat;
};

// A cube of colours (the colour grading tables): size³ texels, bytes B, G, R, with the
// first index (blue in the table's own layout) running slowest.
class TVolumeTexture : public TBaseTexture {
public:
  explicit TVolumeTexture(int size) : TBaseTexture(size, size) {}
  virtual void Upload(const std::uint8_t* bgr) = 0;
};

// A texture that can be drawn into.
class T3DSurface : public TRefObject {
public:
  virtual T3DTexture& Texture() = 0;
  virtual bool HasAlpha() const = 0;
  int Width() { return Texture().Width(); }
  int Height() { return Texture().Height(); }
};

// Vertices kept on the device for repeated drawing.
class T3DVertexList : public TRefObject {
public:
  virtual void Assign(const T3DVertex* vertices, int count) = 0;
  virtual int Count() const = 0;
};

// One of the named pixel shaders, with its parameters set by name.
class T3DShader : public TRefObject {
public:
  virtual void SetFloat(std::string_view name, float value) = 0;
  virtual void SetVector(std::string_view name, float x, float y, float z = 0, float w = 0) = 0;
  virtual void SetFloats(std::string_view name, const float* values, int count) = 0;
};

// The device operations of one window. A renderer is used only while its context is
// current on the calling thread: from BeginUse on until EndUse or the thread's end.
class T3DRenderer : public TRefObject {
public:
  // False while another thread has the context.
  virtual bool BeginUse() = 0;
  virtual void EndUse() = 0;
  // False once the device's objects are gone (context reset, window re-created).
  virtual bool IsUsable() = 0;

  // The back buffer's size in pixels.
  virtual void BackBufferSize(int& width, int& height) = 0;
  virtual void Present() = 0;
  // Waits until the device has drawn everything asked of it.
  virtual void Finish() = 0;
  virtual int MaxTextureSize() const = 0;

  // Creation raises EOutOfVideoMemory when memory runs out, ERenderError otherwise.
  virtual Ref<T3DTexture> CreateTexture(int width, int height, TTextureFormat format) = 0;
  virtual Ref<TVolumeTexture> CreateVolumeTexture(int size) = 0;
  virtual Ref<T3DSurface> CreateRenderTarget(int width, int height, bool alpha) = 0;
  virtual Ref<T3DVertexList> CreateVertexList() = 0;
  // The shaders by name: "color", "texture", "texture_premul" (the fixed stages) and the
  // named pixel shaders of the draw manager.
  virtual Ref<T3DShader> CreateShader(std::string_view name) = 0;

  // Null draws into the back buffer.
  virtual void SetRenderTarget(T3DSurface* target) = 0;
  virtual void SetViewport(const TRect& area) = 0;
  // Holds drawing and clearing within `area` of the target (pixels, top row first); an
  // empty area lets them reach the whole viewport again.
  virtual void SetClip(const TRect& area) = 0;
  // A perspective camera that shows the plane z = 0 one unit per pixel over a target of
  // this size, the eye CameraDistance(height) in front of the plane's centre.
  virtual void SetCamera(int width, int height) = 0;
  virtual void Clear(TColor32 color) = 0;
  virtual void SetTexture(int stage, TBaseTexture* texture, const TSamplerState& sampler = {}) = 0;
  virtual void SetShader(T3DShader* shader) = 0;
  virtual void SetBlend(TBlendMode mode) = 0;
  virtual void DrawTriangles(const T3DVertex* vertices, int count) = 0;
  virtual void DrawList(T3DVertexList& list) = 0;

  // Copies pixels between render targets (null = the back buffer).
  virtual void CopyRect(T3DSurface* source, const TRect& area, T3DSurface* target, int x, int y) = 0;
  // Reads pixels of a render target (null = the back buffer) into `out` ("A8R8G8B8", the
  // size of `area`), top row first.
  virtual void ReadPixels(T3DSurface* source, const TRect& area, TBitmap& out) = 0;
};

// Makes renderers for window devices and answers capability questions.
class T3DEngine : public TRefObject {
public:
  virtual bool IsUsable() const = 0;
  // A renderer on the window (main thread). Raises ERenderError when it cannot be made.
  virtual Ref<T3DRenderer> CreateRenderer(TDrawDevice& device) = 0;
  // By lower-cased name: "pixelshaderversion", "maxtexwidth", "maxtexheight",
  // "maxanisotropy", "raster", "vendor". 0 for an unknown name.
  virtual double Capability(std::string_view name) const = 0;
  // 0, 1 or 2 from the pixel shader version and the vendor.
  int ShaderLevel() const;
};

// Below 2.0 → 0; vendor 0x8086 → 1 for 2.x and 2 from 3.0 on; any other vendor from 2.0 on → 2.
int ShaderLevelFor(double pixel_shader_version, unsigned vendor);

// How far the screen camera's eye is from the plane z = 0 over a target `height` pixels
// high (a vertical field of view of 45 degrees): a point at depth z shows at
// distance / (distance + z) of its size.
float CameraDistance(int height);

}  // namespace orv
