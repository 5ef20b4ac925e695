#include "render/gl/gl_renderer.h"

#include <algorithm>
#include <cstring>

#include "base/assertions.h"
#include "platform/platform_window.h"
#include "render/gl/gl_shader_sources.h"
#include "image/bitmap.h"
#include "render/render_errors.h"

namespace orv::gl {

namespace {

struct TFormatGL {
  GLint Internal;
  GLenum Format;
  GLenum Type;
};

TFormatGL FormatGL(TTextureFormat format) {
  switch (format) {
    case TTextureFormat::BGRA8:
      return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
    case TTextureFormat::Luminance8:
      return {GL_R8, GL_RED, GL_UNSIGNED_BYTE};
    case TTextureFormat::RGB565:
      return {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
  }
  return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
}

// Drains GL's error flags; memory exhaustion is reported as such.
void CheckAllocation(const char* what) {
  bool out_of_memory = false;
  bool failed = false;
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
    out_of_memory |= e == GL_OUT_OF_MEMORY;
    failed = true;
  }
  if (out_of_memory) throw EOutOfVideoMemory(std::string("Out of video memory for ") + what);
  if (failed) throw ERenderError(std::string("Can't create ") + what);
}

std::size_t TextureBytes(int width, int height, int texel_bytes) {
  return std::size_t(width) * std::size_t(height) * std::size_t(texel_bytes);
}

void ReserveOrFail(TGLResources& resources, std::size_t bytes, const char* what) {
  if (!resources.Reserve(bytes)) throw EOutOfVideoMemory(std::string("Out of video memory for ") + what);
}

GLuint CompileShader(GLenum kind, const std::string& source, std::string_view name) {
  const GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == GL_TRUE) return shader;
  char log[1024] = {};
  glGetShaderInfoLog(shader, sizeof(log) - 1, nullptr, log);
  glDeleteShader(shader);
  throw ERenderError("Shader \"" + std::string(name) + "\" does not compile: " + log);
}

void SetVertexLayout() {
  const auto offset = [](std::size_t bytes) { return reinterpret_cast<const void*>(bytes); };
  constexpr GLsizei stride = sizeof(T3DVertex);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, offset(offsetof(T3DVertex, X)));
  glEnableVertexAttribArray(1);
  // 0xAARRGGBB little-endian is B, G, R, A in memory: GL_BGRA reads it as red, green, blue, alpha.
  glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, offset(offsetof(T3DVertex, Color)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, offset(offsetof(T3DVertex, U)));
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, offset(offsetof(T3DVertex, U2)));
}

}  // namespace

// ---- textures ----

T3DTextureGL::T3DTextureGL(Ref<TGLResources> resources, int width, int height, TTextureFormat format)
    : T3DTexture(width, height, format),
      FResources(std::move(resources)),
      FBytes(TextureBytes(width, height, BytesPerTexel(format))) {
  ReserveOrFail(*FResources, FBytes, "a texture");
  glGenTextures(1, &FName);
  glBindTexture(GL_TEXTURE_2D, FName);
  const TFormatGL f = FormatGL(format);
  glTexImage2D(GL_TEXTURE_2D, 0, f.Internal, width, height, 0, f.Format, f.Type, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  if (format == TTextureFormat::Luminance8) {
    const GLint grey[] = {GL_RED, GL_RED, GL_RED, GL_ONE};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, grey);
  }
  try {
    CheckAllocation("a texture");
  } catch (...) {
    glDeleteTextures(1, &FName);
    FResources->Unreserve(FBytes);
    throw;
  }
}

T3DTextureGL::~T3DTextureGL() {
  FResources->Discard(TNameKind::Texture, FName);
  FResources->Unreserve(FBytes);
}

void T3DTextureGL::Upload(const TRect& area, const void* bits, std::ptrdiff_t stride) {
  ORV_ASSERT(area.Left >= 0 && area.Top >= 0 && area.Right <= Width() && area.Bottom <= Height(),
             "T3DTexture.Upload outside the texture");
  if (area.IsEmpty()) return;
  const int texel = BytesPerTexel(Format());
  ORV_ASSERT(stride % texel == 0 && stride >= std::ptrdiff_t(area.Width()) * texel, "T3DTexture.Upload stride");
  const TFormatGL f = FormatGL(Format());
  glBindTexture(GL_TEXTURE_2D, FName);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(stride / texel));
  glTexSubImage2D(GL_TEXTURE_2D, 0, area.Left, area.Top, area.Width(), area.Height(), f.Format, f.Type, bits);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void T3DTextureGL::ApplySampler(const TSamplerState& sampler) {
  if (FSamplerSet && sampler.Filter == FSampler.Filter && sampler.LodBias == FSampler.LodBias) return;
  const GLint filter = sampler.Filter == TImageFiltering::Nearest ? GL_NEAREST : GL_LINEAR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_LOD_BIAS, sampler.LodBias);
  FSampler = sampler;
  FSamplerSet = true;
}

TVolumeTextureGL::TVolumeTextureGL(Ref<TGLResources> resources, int size)
    : TVolumeTexture(size), FResources(std::move(resources)), FBytes(TextureBytes(size * size, size, 4)) {
  ReserveOrFail(*FResources, FBytes, "a volume texture");
  glGenTextures(1, &FName);
  glBindTexture(GL_TEXTURE_3D, FName);
  glTexImage3D(GL_TEXTURE_3D, 0, GL_RGB8, size, size, size, 0, GL_BGR, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
    glTexParameteri(GL_TEXTURE_3D, wrap, GL_CLAMP_TO_EDGE);
  try {
    CheckAllocation("a volume texture");
  } catch (...) {
    glDeleteTextures(1, &FName);
    FResources->Unreserve(FBytes);
    throw;
  }
}

TVolumeTextureGL::~TVolumeTextureGL() {
  FResources->Discard(TNameKind::Texture, FName);
  FResources->Unreserve(FBytes);
}

void TVolumeTextureGL::Upload(const std::uint8_t* bgr) {
  glBindTexture(GL_TEXTURE_3D, FName);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage3D(GL_TEXTURE_3D, 0, 0, 0, 0, Width(), Width(), Width(), GL_BGR, GL_UNSIGNED_BYTE, bgr);
}

T3DSurfaceGL::T3DSurfaceGL(Ref<TGLResources> resources, int width, int height, bool alpha)
    : FResources(resources), FAlpha(alpha) {
  FTexture = MakeRef<T3DTextureGL>(std::move(resources), width, height, TTextureFormat::BGRA8);
  glGenFramebuffers(1, &FFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, FFramebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, FTexture->Name(), 0);
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    glDeleteFramebuffers(1, &FFramebuffer);
    throw ERenderError("Can't create a render target of " + std::to_string(width) + " x " + std::to_string(height));
  }
}

T3DSurfaceGL::~T3DSurfaceGL() { FResources->Discard(TNameKind::Framebuffer, FFramebuffer); }

// ---- vertex lists ----

T3DVertexListGL::T3DVertexListGL(Ref<TGLResources> resources) : FResources(std::move(resources)) {
  glGenVertexArrays(1, &FVertexArray);
  glGenBuffers(1, &FBuffer);
  glBindVertexArray(FVertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, FBuffer);
  SetVertexLayout();
}

T3DVertexListGL::~T3DVertexListGL() {
  FResources->Discard(TNameKind::VertexArray, FVertexArray);
  FResources->Discard(TNameKind::Buffer, FBuffer);
}

void T3DVertexListGL::Assign(const T3DVertex* vertices, int count) {
  glBindBuffer(GL_ARRAY_BUFFER, FBuffer);
  const GLsizeiptr bytes = GLsizeiptr(count) * GLsizeiptr(sizeof(T3DVertex));
  if (count > FCapacity) {
    // Grows in steps so that a stream of small batches does not reallocate each time.
    FCapacity = std::max(count, FCapacity * 2);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(FCapacity) * GLsizeiptr(sizeof(T3DVertex)), nullptr, GL_STREAM_DRAW);
  }
  glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, vertices);
  FCount = count;
}

// ---- shaders ----

T3DShaderGL::T3DShaderGL(Ref<TGLResources> resources, GLuint vertex_shader, std::string_view name)
    : FResources(std::move(resources)) {
  const std::string source = FragmentShaderSource(name);
  if (source.empty()) throw ERenderError("No shader named \"" + std::string(name) + "\"");
  const GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, source, name);
  FProgram = glCreateProgram();
  glAttachShader(FProgram, vertex_shader);
  glAttachShader(FProgram, fragment);
  glLinkProgram(FProgram);
  glDeleteShader(fragment);
  GLint ok = GL_FALSE;
  glGetProgramiv(FProgram, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    glDeleteProgram(FProgram);
    throw ERenderError("Shader \"" + std::string(name) + "\" does not link");
  }
  FProjection = glGetUniformLocation(FProgram, "uProjection");
  BindSamplers();
}

T3DShaderGL::~T3DShaderGL() { FResources->Discard(TNameKind::Program, FProgram); }

void T3DShaderGL::BindSamplers() {
  glUseProgram(FProgram);
  for (int i = 0; i < kSamplerBindingCount; ++i) {
    const GLint location = glGetUniformLocation(FProgram, kSamplerBindings[i].Name);
    if (location >= 0) glUniform1i(location, kSamplerBindings[i].Stage);
  }
}

GLint T3DShaderGL::Location(std::string_view name) {
  auto [it, added] = FLocations.try_emplace(std::string(name), -1);
  if (!added) return it->second;
  const char* text = it->first.c_str();
  it->second = glGetUniformLocation(FProgram, text);
  GLuint index = GL_INVALID_INDEX;
  glGetUniformIndices(FProgram, 1, &text, &index);
  if (it->second >= 0 && index != GL_INVALID_INDEX) {
    GLint size = 0;
    GLenum type = GL_FLOAT;
    glGetActiveUniform(FProgram, index, 0, nullptr, &size, &type, nullptr);
    FTypes[it->second] = type;
  }
  return it->second;
}

void T3DShaderGL::SetFloat(std::string_view name, float value) { SetVector(name, value, 0, 0, 0); }

void T3DShaderGL::SetVector(std::string_view name, float x, float y, float z, float w) {
  const GLint location = Location(name);
  if (location >= 0) FPending[location] = {x, y, z, w};
}

void T3DShaderGL::SetFloats(std::string_view name, const float* values, int count) {
  std::array<float, 4> v{};
  std::copy_n(values, std::clamp(count, 0, 4), v.begin());
  SetVector(name, v[0], v[1], v[2], v[3]);
}

void T3DShaderGL::Use(const std::array<float, 16>& projection, unsigned camera_serial) {
  glUseProgram(FProgram);
  if (FCameraSerial != camera_serial) {
    glUniformMatrix4fv(FProjection, 1, GL_FALSE, projection.data());
    FCameraSerial = camera_serial;
  }
  if (FPending.empty()) return;
  for (const auto& [location, v] : FPending) {
    switch (FTypes[location]) {
      case GL_FLOAT_VEC2:
        glUniform2f(location, v[0], v[1]);
        break;
      case GL_FLOAT_VEC3:
        glUniform3f(location, v[0], v[1], v[2]);
        break;
      case GL_FLOAT_VEC4:
        glUniform4f(location, v[0], v[1], v[2], v[3]);
        break;
      default:
        glUniform1f(location, v[0]);
    }
  }
  FPending.clear();
}

// ---- renderer ----

T3DRendererGL::T3DRendererGL(std::unique_ptr<TGLContext> context, int max_texture_size)
    : FContext(std::move(context)), FResources(MakeRef<TGLResources>()), FMaxTextureSize(max_texture_size) {
  InitState();
}

void T3DRendererGL::InitState() {
  FVertexShader = CompileShader(GL_VERTEX_SHADER, kVertexShader, "vertex");
  FStream = MakeRef<T3DVertexListGL>(FResources);
  const int interval = EngineSettings().PresentInterval;
  FContext->SetSwapInterval(interval < 0 ? 1 : interval);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  SetBlend(TBlendMode::Premultiplied);
  int width = 0, height = 0;
  BackBufferSize(width, height);
  SetViewport(RectOfSize(width, height));
  SetCamera(width, height);
}

void T3DRendererGL::Dispose() {
  // Every GL name goes with the context, which may still be current on the drawing
  // thread: it is freed when that thread lets go.
  FResources->Abandon();
  FStream.Reset();
  FTarget.Reset();
  FContext.reset();
  T3DRenderer::Dispose();
}

bool T3DRendererGL::BeginUse() {
  if (!FContext->MakeCurrent()) return false;
  FResources->EmptyBin();
  return true;
}

void T3DRendererGL::EndUse() { FContext->ReleaseCurrent(); }

bool T3DRendererGL::IsUsable() { return FContext != nullptr; }

void T3DRendererGL::BackBufferSize(int& width, int& height) { FContext->DrawableSize(width, height); }

void T3DRendererGL::Present() { FContext->SwapBuffers(); }

Ref<T3DTexture> T3DRendererGL::CreateTexture(int width, int height, TTextureFormat format) {
  if (width <= 0 || height <= 0 || width > FMaxTextureSize || height > FMaxTextureSize)
    throw ERenderError("Can't create a texture of " + std::to_string(width) + " x " + std::to_string(height));
  return MakeRef<T3DTextureGL>(FResources, width, height, format);
}

Ref<TVolumeTexture> T3DRendererGL::CreateVolumeTexture(int size) {
  if (size <= 0 || size > 256) throw ERenderError("Can't create a volume texture of " + std::to_string(size));
  return MakeRef<TVolumeTextureGL>(FResources, size);
}

Ref<T3DSurface> T3DRendererGL::CreateRenderTarget(int width, int height, bool alpha) {
  if (width <= 0 || height <= 0 || width > FMaxTextureSize || height > FMaxTextureSize)
    throw ERenderError("Can't create a render target of " + std::to_string(width) + " x " + std::to_string(height));
  return MakeRef<T3DSurfaceGL>(FResources, width, height, alpha);
}

Ref<T3DVertexList> T3DRendererGL::CreateVertexList() { return MakeRef<T3DVertexListGL>(FResources); }

Ref<T3DShader> T3DRendererGL::CreateShader(std::string_view name) {
  return MakeRef<T3DShaderGL>(FResources, FVertexShader, name);
}

int T3DRendererGL::TargetHeight(T3DSurface* target) {
  if (target) return target->Height();
  int width = 0, height = 0;
  BackBufferSize(width, height);
  return height;
}

GLint T3DRendererGL::GLRow(T3DSurface* target, int top, int height) {
  return target ? top : TargetHeight(nullptr) - top - height;
}

void T3DRendererGL::BindFramebuffer(GLenum binding, T3DSurface* target) {
  glBindFramebuffer(binding, target ? static_cast<T3DSurfaceGL*>(target)->Framebuffer() : 0);
}

void T3DRendererGL::SetRenderTarget(T3DSurface* target) {
  FTarget = Ref<T3DSurface>::Share(target);
  BindFramebuffer(GL_FRAMEBUFFER, target);
}

void T3DRendererGL::Scissor(const TRect& area) {
  glScissor(area.Left, GLRow(FTarget.Get(), area.Top, area.Height()), std::max(area.Width(), 0),
            std::max(area.Height(), 0));
}

void T3DRendererGL::SetViewport(const TRect& area) {
  FViewport = area;
  glViewport(area.Left, GLRow(FTarget.Get(), area.Top, area.Height()), area.Width(), area.Height());
}

void T3DRendererGL::SetClip(const TRect& area) {
  FClip = area;
  if (area.IsEmpty()) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  Scissor(area);
  glEnable(GL_SCISSOR_TEST);
}

void T3DRendererGL::SetCamera(int width, int height) {
  // Eye above the centre of the target at the distance where the plane z = 0 shows one
  // unit per pixel; clip w grows with depth so farther points come out smaller. Render
  // targets keep their top row first, the window its bottom row, hence the sign.
  const float w = float(std::max(width, 1));
  const float h = float(std::max(height, 1));
  const float distance = CameraDistance(height);
  const float flip = FTarget ? 1.0f : -1.0f;
  FProjection = {2 / w, 0, 0, 0,  //
                 0, flip * 2 / h, 0, 0,
                 0, 0, 0, 1 / distance,
                 -1, -flip, 0, 1};
  ++FCameraSerial;
}

// A clear covers the viewport only, and within it the clip.
void T3DRendererGL::Clear(TColor32 color) {
  Scissor(FClip.IsEmpty() ? FViewport : IntersectRect(FViewport, FClip));
  glEnable(GL_SCISSOR_TEST);
  glClearColor(RedOf(color) / 255.0f, GreenOf(color) / 255.0f, BlueOf(color) / 255.0f, AlphaOf(color) / 255.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  SetClip(FClip);
}

void T3DRendererGL::SetTexture(int stage, TBaseTexture* texture, const TSamplerState& sampler) {
  glActiveTexture(GL_TEXTURE0 + GLenum(stage));
  if (auto* flat = dynamic_cast<T3DTextureGL*>(texture)) {
    glBindTexture(GL_TEXTURE_2D, flat->Name());
    flat->ApplySampler(sampler);
  } else if (auto* volume = dynamic_cast<TVolumeTextureGL*>(texture)) {
    glBindTexture(GL_TEXTURE_3D, volume->Name());
  } else {
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  glActiveTexture(GL_TEXTURE0);
}

void T3DRendererGL::SetShader(T3DShader* shader) { FShader = static_cast<T3DShaderGL*>(shader); }

void T3DRendererGL::SetBlend(TBlendMode mode) {
  if (mode == TBlendMode::Replace) {
    glDisable(GL_BLEND);
  } else {
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }
}

void T3DRendererGL::PrepareDraw() {
  ORV_ASSERT(FShader != nullptr, "T3DRenderer.Draw without a shader");
  FShader->Use(FProjection, FCameraSerial);
}

void T3DRendererGL::DrawTriangles(const T3DVertex* vertices, int count) {
  if (count < 3) return;
  PrepareDraw();
  FStream->Assign(vertices, count);
  FStream->Bind();
  glDrawArrays(GL_TRIANGLES, 0, count);
}

void T3DRendererGL::DrawList(T3DVertexList& list) {
  if (list.Count() < 3) return;
  PrepareDraw();
  auto& gl_list = static_cast<T3DVertexListGL&>(list);
  gl_list.Bind();
  glDrawArrays(GL_TRIANGLES, 0, gl_list.Count());
}

void T3DRendererGL::CopyRect(T3DSurface* source, const TRect& area, T3DSurface* target, int x, int y) {
  if (area.IsEmpty()) return;
  BindFramebuffer(GL_READ_FRAMEBUFFER, source);
  BindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
  const GLint source_row = GLRow(source, area.Top, area.Height());
  const GLint target_row = GLRow(target, y, area.Height());
  glBlitFramebuffer(area.Left, source_row, area.Right, source_row + area.Height(), x, target_row, x + area.Width(),
                    target_row + area.Height(), GL_COLOR_BUFFER_BIT, GL_NEAREST);
  BindFramebuffer(GL_FRAMEBUFFER, FTarget.Get());
}

void T3DRendererGL::ReadPixels(T3DSurface* source, const TRect& area, TBitmap& out) {
  ORV_ASSERT(out.Width() == area.Width() && out.Height() == area.Height() && &out.Format() == &pf::A8R8G8B8 &&
                 out.Stride() % 4 == 0,
             "T3DRenderer.ReadPixels: bitmap of another size or format");
  if (area.IsEmpty()) return;
  BindFramebuffer(GL_READ_FRAMEBUFFER, source);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, GLint(out.Stride() / 4));
  glReadPixels(area.Left, GLRow(source, area.Top, area.Height()), area.Width(), area.Height(), GL_BGRA,
               GL_UNSIGNED_BYTE, out.Row(0));
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  if (!source) {
    // The window's rows arrive bottom first.
    std::vector<std::uint8_t> swap(std::size_t(out.Width()) * 4);
    for (int top = 0, bottom = out.Height() - 1; top < bottom; ++top, --bottom) {
      std::memcpy(swap.data(), out.Row(top), swap.size());
      std::memcpy(out.Row(top), out.Row(bottom), swap.size());
      std::memcpy(out.Row(bottom), swap.data(), swap.size());
    }
  }
  BindFramebuffer(GL_FRAMEBUFFER, FTarget.Get());
}

}  // namespace orv::gl
