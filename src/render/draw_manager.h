// The draw manager: every frame the player shows is drawn through it.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "render/device_drawer.h"
#include "render/render_target_pool.h"
#include "render/screen_3d.h"
#include "render/texture_tiles.h"
#include "render/video_surface.h"

namespace orv {

// How a batch of triangles is drawn: the named shader, its textures by stage, its
// parameters, sampling and blending.
struct TShaderDraw {
  std::string Shader = "texture";
  std::array<TBaseTexture*, 5> Textures{};
  TSamplerState Sampler{};
  TBlendMode Blend = TBlendMode::Premultiplied;
  std::vector<std::pair<std::string, std::array<float, 4>>> Params;

  TShaderDraw& Set(std::string name, float x, float y = 0, float z = 0, float w = 0) {
    Params.push_back({std::move(name), {x, y, z, w}});
    return *this;
  }
};

// The corner colours of a quad (straight alpha): top left, top right, bottom right, bottom left.
using TCornerColors = std::array<TColor32, 4>;

// Adds the triangles of a quad to `out`. Sides flagged in `edges` (TEdgeFlags) fade out
// over one pixel centred on the side, which antialiases them.
void AddQuad(TVertexBuffer& out, const TQuadFrame& frame, const TRectF& tex, unsigned edges,
             const TCornerColors& colors);

// What the transition machinery keeps with the draw manager between frames (its render
// targets and geometry): made by the transitions on first use, dropped with the device
// objects.
class TEffecterSlot : public TRefObject {};

class T3DDrawer : public TDeviceDrawer {
public:
  explicit T3DDrawer(Ref<T3DEngine> engine);

  // Binds the drawer to a window device and makes its renderer (main thread).
  void Attach(Ref<TDrawDevice> device);
  // Frees the device objects; the drawer can be attached again.
  void Close();
  // Called when the device was lost.
  void SetLostHandler(std::function<void()> handler) { FScreen->SetLostHandler(std::move(handler)); }
  // Sharpening (> 0) or softening (< 0) of the next frames; 0 draws them as they are.
  void SetUnsharpAmount(float amount) { FUnsharpAmount = amount; }
  // The frame width the show was designed for (0: none); post-processing scales with it.
  void SetDesignWidth(float width) { FDesignWidth = width; }

  bool IsUsable() override;
  void SetFrameRect(const TRect& rect) override { FFrameRect = rect; }
  TRect GetScreenRect() override { return FScreen->Rect(); }
  int ShaderLevel() override;
  void PrepareImage(TImage& picture, const TImageDrawParams& params) override;
  void ReleaseImage(TImage& picture) override;
  void Clear(TColor32 color) override;
  void SetViewport(const TRect& area) override;
  bool DrawRoot(TDrawItem& root) override;
  void DrawTransition(TDrawItem* a, TDrawItem* b, TFilterParams* filter) override;
  Ref<TImage> CaptureImage(TDrawItem& root, TCaptureArea area) override;
  void DrawImage(TImage& picture, const TQuadFrame& frame, const TRectF& window,
                 const TImageDrawParams& params) override;
  void DrawBox(const TQuadFrame& frame, const TBoxDrawParams& params) override;
  void DrawBorder(const TQuadFrame& frame, float width_u, float width_v, TColor32 color, float opacity,
                  bool antialias) override;
  void DrawVideo(T3DYUV& surface, const TQuadFrame& frame, const TVideoDrawParams& params) override;
  void ComposeMask(TDrawItem& stencil, TDrawItem& content, float opacity) override;
  Ref<T3DYUV> CreateVideoSurface(int width, int height, bool alpha) override;

  // What the transition machinery builds on.
  T3DScreen& Screen() { return *FScreen; }
  TRenderTargetManager& FullPool() { return *FFullPool; }
  TRenderTargetManager& HalfPool() { return *FHalfPool; }
  TTextureManager6& Tiles() { return *FTiles; }
  Ref<TEffecterSlot>& Effecter() { return FEffecter; }
  // The slide frame of this frame within the screen (the whole screen when none was set).
  TRect FrameArea() const;
  // Draws triangles with a shader; false when the shader cannot be had.
  bool DrawTriangles(const T3DVertex* vertices, int count, const TShaderDraw& draw);
  // Draws `item` into `target` (cleared to `clear` first) over the screen rectangle.
  void RenderInto(T3DSurface& target, TDrawItem& item, TColor32 clear);
  // Until ClearPictureSources, `picture` is drawn from `coords` of `texture` (premultiplied,
  // such as a render target) instead of its own pixels; a null texture draws nothing.
  void SetPictureSource(const TImage& picture, T3DTexture* texture, const TRectF& coords);
  void ClearPictureSources() { FPictureSources.clear(); }

  // The soften post-process: what is drawn between the two is blurred by `radius` pixels.
  // BeginBlur is false when it cannot blur (then nothing is to be ended).
  bool BeginBlur(float radius);
  void EndBlur();

  // The standard deviation and tap spacing used for a blur radius at half resolution,
  // and the seven weights of that Gaussian (summing to 1).
  static std::array<float, 7> GaussWeights(float sigma, float spacing);

protected:
  virtual bool BeginFrame();
  virtual void EndFrame();
  virtual void Present();
  void Dispose() override;

private:
  void DrawFrameContent(TDrawItem& root);
  Ref<TBitmap> FreeCaptureBitmap(int width, int height);
  void Sharpen(TDrawItem& root, float amount);
  // False when the half-size targets cannot be had.
  bool BlurAndMix(T3DTexture& frame);
  void BlurPass(T3DSurface& target, T3DTexture& source, const TRenderTargetManager& source_pool,
                const TRectF& source_area, const char* shader, TPointF step, const TRectF& half,
                const std::array<float, 7>& weights);
  void SetTexelClamp(TShaderDraw& draw, const TRenderTargetManager& pool, const TRectF& area) const;
  float FrameScale() const;
  TRectF ScreenArea() const;
  // The texture coordinates of the screen area in a pooled target.
  TRectF PoolCoords(const TRenderTargetManager& pool, const TRectF& area) const;
  void Submit(TVertexBuffer& buffer, const TShaderDraw& draw);
  void DrawScreenQuad(const TRectF& area, const TRectF& tex, const TRectF& tex2, TColor32 color,
                      const TShaderDraw& draw);
  struct TPictureSource {
    const TImage* Picture;
    T3DTexture* Texture;
    TRectF Coords;
  };
  const TPictureSource* PictureSourceOf(const TImage& picture) const;
  void DrawFromSource(const TPictureSource& source, TImage& picture, const TQuadFrame& frame, const TRectF& window,
                      const TImageDrawParams& params);
  Ref<TMultiTexture6> ObtainTexture(TImage& picture, int level, int columns, int rows, bool count_user);
  int ImageLevel(const TImage& picture, const TQuadFrame& frame, const TRectF& window,
                 const TImageDrawParams& params) const;
  bool SetGrading(TShaderDraw& draw, const TColorGrading& grading, bool video);
  std::string VideoShader(const TVideoDrawParams& params, bool graded) const;
  // Chooses and sets up the shader of a video frame; false when it cannot be drawn.
  bool SetVideoShader(TShaderDraw& draw, const T3DYUV& surface, const TVideoDrawParams& params);

  Ref<T3DEngine> FEngine;
  Ref<T3DScreen> FScreen;
  Ref<TRenderTargetManager> FFullPool;
  Ref<TRenderTargetManager> FHalfPool;
  Ref<TTextureManager6> FTiles;
  Ref<TEffecterSlot> FEffecter;
  Ref<TGradingTable> FIdentityCube;
  TRect FFrameRect;
  float FUnsharpAmount = 0;
  float FDesignWidth = 0;
  // Frames a capture may fill again: an encoder queue's worth and the frame being drawn.
  static constexpr size_t kKeptCaptures = 5;
  std::vector<Ref<TBitmap>> FCaptures;
  Ref<TRenderTargetTexture> FBlurTarget;
  float FBlurRadius = 0;
  std::vector<TPictureSource> FPictureSources;
};

}  // namespace orv
