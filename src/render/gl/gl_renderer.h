// GL objects behind the device interfaces. Only the GL layer includes this.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <memory>
#include <string>
#include <unordered_map>

#include "render/device.h"
#include "render/gl/gl_resources.h"

namespace orv {

class TGLContext;

namespace gl {

class T3DTextureGL : public T3DTexture {
public:
  T3DTextureGL(Ref<TGLResources> resources, int width, int height, TTextureFormat format);
  ~T3DTextureGL() override;
  void Upload(const TRect& area, const void* bits, std::ptrdiff_t stride) override;
  GLuint Name() const { return FName; }
  // Applies the sampler state when it differs from the last one (texture bound).
  void ApplySampler(const TSamplerState& sampler);

private:
  Ref<TGLResources> FResources;
  GLuint FName = 0;
  std::size_t FBytes;
  TSamplerState FSampler{};
  bool FSamplerSet = false;
};

class TVolumeTextureGL : public TVolumeTexture {
public:
  TVolumeTextureGL(Ref<TGLResources> resources, int size);
  ~TVolumeTextureGL() override;
  void Upload(const std::uint8_t* bgr) override;
  GLuint Name() const { return FName; }

private:
  Ref<TGLResources> FResources;
  GLuint FName = 0;
  std::size_t FBytes;
};

class T3DSurfaceGL : public T3DSurface {
public:
  T3DSurfaceGL(Ref<TGLResources> resources, int width, int height, bool alpha);
  ~T3DSurfaceGL() override;
  T3DTexture& Texture() override { return *FTexture; }
  bool HasAlpha() const override { return FAlpha; }
  GLuint Framebuffer() const { return FFramebuffer; }

private:
  Ref<TGLResources> FResources;
  Ref<T3DTextureGL> FTexture;
  GLuint FFramebuffer = 0;
  bool FAlpha;
};

// A vertex buffer with the vertex layout bound to it.
class T3DVertexListGL : public T3DVertexList {
public:
  explicit T3DVertexListGL(Ref<TGLResources> resources);
  ~T3DVertexListGL() override;
  void Assign(const T3DVertex* vertices, int count) override;
  int Count() const override { return FCount; }
  void Bind() const { glBindVertexArray(FVertexArray); }

private:
  Ref<TGLResources> FResources;
  GLuint FVertexArray = 0;
  GLuint FBuffer = 0;
  int FCount = 0;
  int FCapacity = 0;
};

class T3DShaderGL : public T3DShader {
public:
  T3DShaderGL(Ref<TGLResources> resources, GLuint vertex_shader, std::string_view name);
  ~T3DShaderGL() override;
  void SetFloat(std::string_view name, float value) override;
  void SetVector(std::string_view name, float x, float y, float z, float w) override;
  void SetFloats(std::string_view name, const float* values, int count) override;
  // Makes the program current with the camera and the parameters set since last time.
  void Use(const std::array<float, 16>& projection, unsigned camera_serial);

private:
  GLint Location(std::string_view name);
  void BindSamplers();

  Ref<TGLResources> FResources;
  GLuint FProgram = 0;
  GLint FProjection = -1;
  unsigned FCameraSerial = 0;
  std::unordered_map<std::string, GLint> FLocations;
  std::unordered_map<GLint, GLenum> FTypes;
  std::unordered_map<GLint, std::array<float, 4>> FPending;
};

class T3DRendererGL : public T3DRenderer {
public:
  T3DRendererGL(std::unique_ptr<TGLContext> context, int max_texture_size);
  bool BeginUse() override;
  void EndUse() override;
  bool IsUsable() override;
  void BackBufferSize(int& width, int& height) override;
  void Present() override;
  void Finish() override { glFinish(); }
  int MaxTextureSize() const override { return FMaxTextureSize; }

  Ref<T3DTexture> CreateTexture(int width, int height, TTextureFormat format) override;
  Ref<TVolumeTexture> CreateVolumeTexture(int size) override;
  Ref<T3DSurface> CreateRenderTarget(int width, int height, bool alpha) override;
  Ref<T3DVertexList> CreateVertexList() override;
  Ref<T3DShader> CreateShader(std::string_view name) override;

  void SetRenderTarget(T3DSurface* target) override;
  void SetViewport(const TRect& area) override;
  void SetClip(const TRect& area) override;
  void SetCamera(int width, int height) override;
  void Clear(TColor32 color) override;
  void SetTexture(int stage, TBaseTexture* texture, const TSamplerState& sampler) override;
  void SetShader(T3DShader* shader) override;
  void SetBlend(TBlendMode mode) override;
  void DrawTriangles(const T3DVertex* vertices, int count) override;
  void DrawList(T3DVertexList& list) override;
  void CopyRect(T3DSurface* source, const TRect& area, T3DSurface* target, int x, int y) override;
  void ReadPixels(T3DSurface* source, const TRect& area, TBitmap& out) override;

protected:
  void Dispose() override;

private:
  void InitState();
  void PrepareDraw();
  // GL's window rows count from the bottom; render targets keep the top row first.
  int TargetHeight(T3DSurface* target);
  GLint GLRow(T3DSurface* target, int top, int height);
  void BindFramebuffer(GLenum binding, T3DSurface* target);
  // Sets GL's scissor box to `area` of the current target.
  void Scissor(const TRect& area);

  std::unique_ptr<TGLContext> FContext;
  Ref<TGLResources> FResources;
  int FMaxTextureSize;
  GLuint FVertexShader = 0;
  Ref<T3DVertexListGL> FStream;
  T3DShaderGL* FShader = nullptr;
  Ref<T3DSurface> FTarget;
  std::array<float, 16> FProjection{};
  unsigned FCameraSerial = 1;
  TRect FViewport;
  TRect FClip;  // empty: none
};

}  // namespace gl
}  // namespace orv
