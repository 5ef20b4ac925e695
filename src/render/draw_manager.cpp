#include "render/draw_manager.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>

#include "base/assertions.h"
#include "base/log.h"
#include "render/drawing_lock.h"
#include "render/render_errors.h"
#include "image/image.h"
#include "render/texture_store.h"

namespace orv {

namespace {

// Differences below this stay unsharpened, so flat areas keep their noise level.
constexpr float kUnsharpThreshold = 2.0f / 255.0f;

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

TColor32 MixColors(TColor32 a, TColor32 b, float t) {
  const auto mix = [t](int x, int y) { return int(std::lround(Lerp(float(x), float(y), t))); };
  return MakeColor(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)),
                   mix(AlphaOf(a), AlphaOf(b)));
}

// Straight colour at (u, v) of a quad, faded by `fade`, premultiplied for the device.
TColor32 ColorAt(const TCornerColors& c, float u, float v, float fade) {
  const TColor32 top = MixColors(c[0], c[1], u);
  const TColor32 bottom = MixColors(c[3], c[2], u);
  return PremultipliedColor(WithOpacity(MixColors(top, bottom, v), fade));
}

// The parameters along one side of a quad at which vertices go: a flagged low or high
// end gets two, half a pixel out and half a pixel in.
std::vector<float> EdgeStops(bool low, bool high, float screen_length) {
  const float half = std::min(0.5f / std::max(screen_length, 1e-3f), 0.5f);
  std::vector<float> stops;
  if (low) stops.insert(stops.end(), {-half, half});
  else stops.push_back(0);
  if (high) stops.insert(stops.end(), {1 - half, 1 + half});
  else stops.push_back(1);
  return stops;
}

float ScreenLength(const TPoint3F& axis) { return std::hypot(axis.X, axis.Y); }

TQuadFrame SubFrame(const TQuadFrame& f, float u0, float v0, float u1, float v1) {
  return TQuadFrame{f.At(u0, v0), f.XAxis * (u1 - u0), f.YAxis * (v1 - v0)};
}

TCornerColors BoxColors(const TBoxDrawParams& p) {
  const TColor32 c1 = p.Color1;
  const TColor32 c2 = p.Color2;
  const TColor32 mid = MixColors(c1, c2, 0.5f);
  switch (p.FillCode) {
    case kFillHGradient:
      return {c1, c2, c2, c1};
    case kFillVGradient:
      return {c1, c1, c2, c2};
    case kFillTLBRGradient:
      return {c1, mid, c2, mid};
    case kFillTRBLGradient:
      return {mid, c1, mid, c2};
    default:
      return {c1, c1, c1, c1};
  }
}

bool IsOpaqueSolid(const TCornerColors& colors) {
  return AlphaOf(colors[0]) == 255 &&
         std::all_of(colors.begin(), colors.end(), [&](TColor32 c) { return c == colors[0]; });
}

// Whether an upright frame in the plane z = 0 spans the camera's whole view of a target
// of the given size.
bool CoversView(const TQuadFrame& frame, const TRect& target) {
  const bool flat = frame.Origin.Z == 0 && frame.XAxis.Z == 0 && frame.YAxis.Z == 0;
  const bool upright = frame.XAxis.Y == 0 && frame.YAxis.X == 0;
  if (!flat || !upright) return false;
  const float x0 = frame.Origin.X, x1 = frame.Origin.X + frame.XAxis.X;
  const float y0 = frame.Origin.Y, y1 = frame.Origin.Y + frame.YAxis.Y;
  return std::min(x0, x1) <= 0 && std::min(y0, y1) <= 0 && std::max(x0, x1) >= float(target.Width()) &&
         std::max(y0, y1) >= float(target.Height());
}

// The frame on screen is opaque, whatever alpha the drawing left behind. Whole pixels are
// written (alpha is their high byte in memory order blue, green, red, alpha), which the
// compiler turns into vector instructions.
void MakeOpaque(TBitmap& pixels) {
  static_assert(std::endian::native == std::endian::little);
  for (int y = 0; y < pixels.Height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(pixels.Row(y));
    for (int x = 0; x < pixels.Width(); ++x) row[x] |= 0xFF000000u;
  }
}

TRectF ScaledRect(const TRectF& r, float sx, float sy) {
  return TRectF{r.Left * sx, r.Top * sy, r.Right * sx, r.Bottom * sy};
}

}  // namespace

void AddQuad(TVertexBuffer& out, const TQuadFrame& frame, const TRectF& tex, unsigned edges,
             const TCornerColors& colors) {
  const std::vector<float> us = EdgeStops(edges & kEdgeLeft, edges & kEdgeRight, ScreenLength(frame.XAxis));
  const std::vector<float> vs = EdgeStops(edges & kEdgeTop, edges & kEdgeBottom, ScreenLength(frame.YAxis));
  const auto vertex = [&](float u, float v) {
    const float cu = Clamp01(u);
    const float cv = Clamp01(v);
    const float fade = (u == cu && v == cv) ? 1.0f : 0.0f;
    const TPoint3F p = frame.At(u, v);
    T3DVertex result;
    result.X = p.X;
    result.Y = p.Y;
    result.Z = p.Z;
    result.Color = ColorAt(colors, cu, cv, fade);
    result.U = result.U2 = Lerp(tex.Left, tex.Right, cu);
    result.V = result.V2 = Lerp(tex.Top, tex.Bottom, cv);
    return result;
  };
  for (std::size_t j = 0; j + 1 < vs.size(); ++j)
    for (std::size_t i = 0; i + 1 < us.size(); ++i)
      out.AddQuad(vertex(us[i], vs[j]), vertex(us[i + 1], vs[j]), vertex(us[i + 1], vs[j + 1]),
                  vertex(us[i], vs[j + 1]));
}

// ---- T3DDrawer ----

T3DDrawer::T3DDrawer(Ref<T3DEngine> engine)
    : FEngine(engine), FScreen(MakeRef<T3DScreen>(std::move(engine))), FIdentityCube(TGradingTable::IdentityCube()) {
  FFullPool = MakeRef<TRenderTargetManager>(*FScreen, true);
  FHalfPool = MakeRef<TRenderTargetManager>(*FScreen, true);
  FTiles = MakeRef<TTextureManager6>(*FScreen);
}

void T3DDrawer::Dispose() {
  FTiles->Shutdown();
  Close();
  TDeviceDrawer::Dispose();
}

void T3DDrawer::Attach(Ref<TDrawDevice> device) {
  TDrawingLock lock(FScreen.Get());
  FScreen->Attach(std::move(device));
}

void T3DDrawer::Close() {
  Log().Write("T3DDrawer.Close");
  TDrawingLock lock(FScreen.Get());
  FBlurTarget.Reset();
  FEffecter.Reset();
  FFullPool->Clear();
  FHalfPool->Clear();
  FScreen->Close();
}

bool T3DDrawer::IsUsable() { return FScreen->IsUsable(); }

int T3DDrawer::ShaderLevel() { return FEngine->ShaderLevel(); }

void T3DDrawer::Clear(TColor32 color) {
  if (FScreen->HasRenderer()) FScreen->Renderer().Clear(color);
}

void T3DDrawer::SetViewport(const TRect& area) {
  if (FScreen->HasRenderer()) FScreen->Renderer().SetViewport(area);
}

float T3DDrawer::FrameScale() const {
  if (FDesignWidth <= 0) return 1;
  const int width = FFrameRect.IsEmpty() ? FScreen->Rect().Width() : FFrameRect.Width();
  return float(width) / FDesignWidth;
}

TRectF T3DDrawer::ScreenArea() const {
  const TRect r = FScreen->Rect();
  return TRectF{float(r.Left), float(r.Top), float(r.Right), float(r.Bottom)};
}

TRect T3DDrawer::FrameArea() const {
  const TRect screen = FScreen->Rect();
  return FFrameRect.IsEmpty() ? screen : IntersectRect(FFrameRect, screen);
}

TRectF T3DDrawer::PoolCoords(const TRenderTargetManager& pool, const TRectF& area) const {
  return ScaledRect(area, 1.0f / float(pool.Width()), 1.0f / float(pool.Height()));
}

// ---- frames ----

bool T3DDrawer::BeginFrame() {
  if (!FScreen->BeginScene()) return false;
  const TRect r = FScreen->Rect();
  FFullPool->SetSize(r.Width(), r.Height());
  FHalfPool->SetSize((r.Width() + 1) / 2, (r.Height() + 1) / 2);
  return true;
}

void T3DDrawer::EndFrame() { FScreen->Renderer().SetRenderTarget(nullptr); }

void T3DDrawer::Present() { FScreen->Present(); }

bool T3DDrawer::DrawRoot(TDrawItem& root) {
  TDrawingLock lock(FScreen.Get(), TContextHold::Keep);
  if (!BeginFrame()) return false;
  DrawFrameContent(root);
  EndFrame();
  Present();
  root.Notify(TDrawItem::kFrameDone);
  return true;
}

Ref<TImage> T3DDrawer::CaptureImage(TDrawItem& root, TCaptureArea captured) {
  TDrawingLock lock(FScreen.Get(), TContextHold::Keep);
  if (!BeginFrame()) return nullptr;
  TPooledTarget target(*FFullPool);
  T3DSurface* surface = target.Surface();
  if (!surface) {
    EndFrame();
    return nullptr;
  }
  RenderInto(*surface, root, 0xFF000000u);
  const TRect area = captured == TCaptureArea::SlideFrame ? FrameArea() : FScreen->Rect();
  Ref<TImage> image;
  if (!area.IsEmpty()) {
    Ref<TBitmap> pixels = FreeCaptureBitmap(area.Width(), area.Height());
    FScreen->Renderer().ReadPixels(surface, area, *pixels);
    MakeOpaque(*pixels);
    image = MakeRef<TImage>(MakeRef<TWrapperBitmapStore>(u"Captured frame", std::move(pixels)));
  }
  EndFrame();
  root.Notify(TDrawItem::kFrameDone);
  return image;
}

// Captured frames travel to an encoder and come back unused: their pixels are written
// again once nobody else holds them, rather than fresh pages being mapped for every frame.
Ref<TBitmap> T3DDrawer::FreeCaptureBitmap(int width, int height) {
  std::erase_if(FCaptures, [&](const Ref<TBitmap>& b) { return b->Width() != width || b->Height() != height; });
  for (const Ref<TBitmap>& bitmap : FCaptures) {
    if (bitmap->RefCount() != 1) continue;
    // Pairs with the release of the last other holder: its reading is over.
    std::atomic_thread_fence(std::memory_order_acquire);
    return bitmap;
  }
  Ref<TBitmap> fresh = TBitmap::Create(width, height, pf::A8R8G8B8);
  if (FCaptures.size() < kKeptCaptures) FCaptures.push_back(fresh);
  return fresh;
}

void T3DDrawer::RenderInto(T3DSurface& target, TDrawItem& item, TColor32 clear) {
  TRenderTargetWrapper into(*FScreen, &target, FScreen->Rect());
  FScreen->Renderer().Clear(clear);
  DrawFrameContent(item);
}

void T3DDrawer::DrawFrameContent(TDrawItem& root) {
  const float u = FUnsharpAmount;
  if (std::abs(u) < 1e-5f || ShaderLevel() < 2) {
    root.Draw(*this);
  } else if (u > 0) {
    Sharpen(root, u / 1000 * FrameScale());
  } else if (BeginBlur(-u / 100 * FrameScale())) {
    root.Draw(*this);
    EndBlur();
  } else {
    root.Draw(*this);
  }
}

void T3DDrawer::Sharpen(TDrawItem& root, float amount) {
  TPooledTarget frame(*FFullPool);
  T3DSurface* surface = frame.Surface();
  if (!surface) {
    root.Draw(*this);
    return;
  }
  {
    TRenderTargetWrapper into(*FScreen, surface, FScreen->Rect());
    FScreen->Renderer().Clear(0);
    root.Draw(*this);
  }
  const TRectF area = ScreenArea();
  TShaderDraw draw;
  draw.Shader = "unsharp";
  draw.Textures[kStageImage] = &surface->Texture();
  draw.Blend = TBlendMode::Replace;
  draw.Set("texelSize", 1.0f / float(FFullPool->Width()), 1.0f / float(FFullPool->Height()))
      .Set("threshold", kUnsharpThreshold)
      .Set("amount", amount);
  SetTexelClamp(draw, *FFullPool, area);
  DrawScreenQuad(area, PoolCoords(*FFullPool, area), {}, 0xFFFFFFFFu, draw);
}

std::array<float, 7> T3DDrawer::GaussWeights(float sigma, float spacing) {
  std::array<float, 7> w{};
  float sum = 0;
  for (int i = 0; i < 7; ++i) {
    const float x = float(i - 3) * spacing;
    w[i] = std::exp(-x * x / (2 * sigma * sigma));
    sum += w[i];
  }
  for (float& v : w) v /= sum;
  return w;
}

bool T3DDrawer::BeginBlur(float radius) {
  ORV_ASSERT(!FBlurTarget, "T3DDrawer.BeginBlur twice");
  if (ShaderLevel() < 2 || radius <= 0) return false;
  Ref<TRenderTargetTexture> target = FFullPool->AcquireTarget();
  T3DSurface* surface = target->Surface();
  if (!surface) {
    FFullPool->ReleaseTarget(std::move(target));
    return false;
  }
  FBlurTarget = std::move(target);
  FBlurRadius = radius;
  FScreen->PushTarget(surface, FScreen->Rect());
  FScreen->Renderer().Clear(0);
  return true;
}

void T3DDrawer::EndBlur() {
  ORV_ASSERT(FBlurTarget, "T3DDrawer.EndBlur without BeginBlur");
  FScreen->PopTarget();
  Ref<TRenderTargetTexture> sharp = std::move(FBlurTarget);
  T3DTexture& frame = sharp->Surface()->Texture();
  if (!BlurAndMix(frame)) {
    // No room to blur: the frame goes out as it was drawn.
    TShaderDraw copy;
    copy.Shader = "texture_premul";
    copy.Textures[kStageImage] = &frame;
    copy.Blend = TBlendMode::Replace;
    const TRectF area = ScreenArea();
    DrawScreenQuad(area, PoolCoords(*FFullPool, area), {}, 0xFFFFFFFFu, copy);
  }
  FFullPool->ReleaseTarget(std::move(sharp));
}

bool T3DDrawer::BlurAndMix(T3DTexture& frame) {
  TPooledTarget across(*FHalfPool);
  TPooledTarget blurred(*FHalfPool);
  T3DSurface* across_surface = across.Surface();
  T3DSurface* blurred_surface = blurred.Surface();
  if (!across_surface || !blurred_surface) return false;
  const TRectF area = ScreenArea();
  const TRectF half{0, 0, std::ceil(area.Width() / 2), std::ceil(area.Height() / 2)};
  // Blurred at half resolution: the radius in half-size texels, the taps spread out for
  // wide radii so that seven of them still span the curve.
  const float sigma = std::max(FBlurRadius / 2, 0.01f);
  const float spacing = std::max(1.0f, sigma * 0.8f);
  const std::array<float, 7> weights = GaussWeights(sigma, spacing);
  BlurPass(*across_surface, frame, *FFullPool, area, "gauss_blur_h7", {2 * spacing / float(FFullPool->Width()), 0},
           half, weights);
  BlurPass(*blurred_surface, across_surface->Texture(), *FHalfPool, half, "gauss_blur_v7",
           {0, spacing / float(FHalfPool->Height())}, half, weights);
  TShaderDraw mix;
  mix.Shader = "gauss_mix";
  mix.Textures[kStageImage] = &frame;
  mix.Textures[kStageSecond] = &blurred_surface->Texture();
  mix.Blend = TBlendMode::Replace;
  mix.Set("alpha", std::min(FBlurRadius, 1.0f));
  SetTexelClamp(mix, *FHalfPool, half);
  DrawScreenQuad(area, PoolCoords(*FFullPool, area), PoolCoords(*FHalfPool, half), 0xFFFFFFFFu, mix);
  return true;
}

void T3DDrawer::BlurPass(T3DSurface& target, T3DTexture& source, const TRenderTargetManager& source_pool,
                         const TRectF& source_area, const char* shader, TPointF step, const TRectF& half,
                         const std::array<float, 7>& w) {
  TRenderTargetWrapper into(*FScreen, &target, RectOfSize(int(half.Right), int(half.Bottom)));
  TShaderDraw draw;
  draw.Shader = shader;
  draw.Textures[kStageImage] = &source;
  draw.Blend = TBlendMode::Replace;
  draw.Set("texelStep", step.X, step.Y).Set("weightsLow", w[0], w[1], w[2], w[3]).Set("weightsHigh", w[4], w[5], w[6]);
  SetTexelClamp(draw, source_pool, source_area);
  DrawScreenQuad(half, PoolCoords(source_pool, source_area), {}, 0xFFFFFFFFu, draw);
}

// The centres of the outermost texels of `area` in a pooled target: reads of neighbours
// stop there.
void T3DDrawer::SetTexelClamp(TShaderDraw& draw, const TRenderTargetManager& pool, const TRectF& area) const {
  const TRectF tex = PoolCoords(pool, area);
  const float du = 0.5f / float(pool.Width());
  const float dv = 0.5f / float(pool.Height());
  draw.Set("texClamp", tex.Left + du, tex.Top + dv, tex.Right - du, tex.Bottom - dv);
}

void T3DDrawer::DrawTransition(TDrawItem* a, TDrawItem* b, TFilterParams* filter) {
  if (filter) {
    filter->DrawTransition(*this, a, b);
  } else if (b) {
    b->Draw(*this);
  } else if (a) {
    a->Draw(*this);
  }
}

// ---- primitives ----

bool T3DDrawer::DrawTriangles(const T3DVertex* vertices, int count, const TShaderDraw& draw) {
  ORV_ASSERT(TDrawingLock::IsHeld(), "T3DDrawer.DrawTriangles outside a frame");
  if (!FScreen->HasRenderer()) return false;
  T3DShader* shader = FScreen->Shader(draw.Shader);
  if (!shader) return false;
  T3DRenderer& renderer = FScreen->Renderer();
  for (const auto& [name, v] : draw.Params) shader->SetVector(name, v[0], v[1], v[2], v[3]);
  for (int stage = 0; stage < int(draw.Textures.size()); ++stage)
    if (draw.Textures[stage]) renderer.SetTexture(stage, draw.Textures[stage], draw.Sampler);
  renderer.SetShader(shader);
  renderer.SetBlend(draw.Blend);
  renderer.DrawTriangles(vertices, count);
  return true;
}

void T3DDrawer::Submit(TVertexBuffer& buffer, const TShaderDraw& draw) {
  DrawTriangles(buffer.Data(), buffer.Count(), draw);
  buffer.Clear();
}

void T3DDrawer::DrawScreenQuad(const TRectF& area, const TRectF& tex, const TRectF& tex2, TColor32 color,
                               const TShaderDraw& draw) {
  const auto vertex = [&](float u, float v) {
    T3DVertex p;
    p.X = Lerp(area.Left, area.Right, u);
    p.Y = Lerp(area.Top, area.Bottom, v);
    p.Color = PremultipliedColor(color);
    p.U = Lerp(tex.Left, tex.Right, u);
    p.V = Lerp(tex.Top, tex.Bottom, v);
    p.U2 = Lerp(tex2.Left, tex2.Right, u);
    p.V2 = Lerp(tex2.Top, tex2.Bottom, v);
    return p;
  };
  const T3DVertex quad[6] = {vertex(0, 0), vertex(1, 0), vertex(1, 1), vertex(0, 0), vertex(1, 1), vertex(0, 1)};
  DrawTriangles(quad, 6, draw);
}

Ref<TMultiTexture6> T3DDrawer::ObtainTexture(TImage& picture, int level, int columns, int rows,
                                             bool count_user) {
  if (picture.Width() <= 0 || picture.Height() <= 0) {
    Log().Write("Picture not drawn: it has no pixels");
    return nullptr;
  }
  const Ref<TTextureWrapper> wrapper =
      TextureStoreOf(picture).Obtain(FTiles.Get(), level, columns, rows, count_user, [&] {
        Ref<TMultiTexture6> texture = MakeRef<TMultiTexture6>(FTiles);
        const TRect whole = RectOfSize(LevelSize(picture.Width(), level), LevelSize(picture.Height(), level));
        try {
          texture->SetSource(picture, level, columns, rows, whole);
        } catch (const Exception& e) {
          // Kept without a source, so the picture is not decoded again every frame.
          Log().Write(std::string("Picture not drawn: ") + e.what());
        }
        return texture;
      });
  return wrapper ? wrapper->Texture : nullptr;
}

int T3DDrawer::ImageLevel(const TImage& picture, const TQuadFrame& frame, const TRectF& window,
                          const TImageDrawParams& params) const {
  if (params.Columns > 1 || params.Rows > 1) return 0;
  const int max_level = MaxLevel(picture.Width(), picture.Height());
  if (params.Level >= 0) return std::min(params.Level, max_level);
  // The smallest level that still has a texel for every pixel on screen.
  float ratio = std::min(window.Width() / std::max(ScreenLength(frame.XAxis), 1e-3f),
                         window.Height() / std::max(ScreenLength(frame.YAxis), 1e-3f));
  int level = 0;
  while (ratio >= 2 && level < max_level) {
    ratio /= 2;
    ++level;
  }
  return level;
}

void T3DDrawer::PrepareImage(TImage& picture, const TImageDrawParams& params) {
  const bool sprite = params.Columns > 1 || params.Rows > 1;
  const int level = sprite ? 0 : std::clamp(params.Level, 0, MaxLevel(picture.Width(), picture.Height()));
  ObtainTexture(picture, level, std::max(params.Columns, 1), std::max(params.Rows, 1), true);
}

void T3DDrawer::ReleaseImage(TImage& picture) { TextureStoreOf(picture).ReleaseUser(FTiles.Get()); }

bool T3DDrawer::SetGrading(TShaderDraw& draw, const TColorGrading& grading, bool video) {
  TGradingTable* a = grading.A ? grading.A.Get() : FIdentityCube.Get();
  TGradingTable* b = grading.B ? grading.B.Get() : a;
  TBaseTexture* ta = (video ? a->ForVideo() : *a).DeviceTexture(*FScreen);
  TBaseTexture* tb = (video ? b->ForVideo() : *b).DeviceTexture(*FScreen);
  if (!ta || !tb) return false;
  draw.Textures[kStageTableA] = ta;
  draw.Textures[kStageTableB] = tb;
  draw.Set("t", grading.T);
  return true;
}

void T3DDrawer::SetPictureSource(const TImage& picture, T3DTexture* texture, const TRectF& coords) {
  std::erase_if(FPictureSources, [&](const TPictureSource& s) { return s.Picture == &picture; });
  FPictureSources.push_back({&picture, texture, coords});
}

const T3DDrawer::TPictureSource* T3DDrawer::PictureSourceOf(const TImage& picture) const {
  for (const TPictureSource& source : FPictureSources)
    if (source.Picture == &picture) return &source;
  return nullptr;
}

void T3DDrawer::DrawFromSource(const TPictureSource& source, TImage& picture, const TQuadFrame& frame,
                               const TRectF& window, const TImageDrawParams& params) {
  if (!source.Texture) return;
  const float sx = source.Coords.Width() / float(std::max(picture.Width(), 1));
  const float sy = source.Coords.Height() / float(std::max(picture.Height(), 1));
  const TRectF tex{source.Coords.Left + window.Left * sx, source.Coords.Top + window.Top * sy,
                   source.Coords.Left + window.Right * sx, source.Coords.Top + window.Bottom * sy};
  const TColor32 color = WithOpacity(0xFFFFFFFFu, Clamp01(params.Opacity / 100));
  TShaderDraw draw;
  draw.Shader = "texture_premul";
  draw.Textures[kStageImage] = source.Texture;
  draw.Sampler = TSamplerState{TImageFiltering::Bilinear, 0};
  TVertexBuffer buffer;
  AddQuad(buffer, frame, tex, params.Antialias ? unsigned(kEdgeLeft | kEdgeTop | kEdgeRight | kEdgeBottom) : 0u, {color, color, color, color});
  Submit(buffer, draw);
}

void T3DDrawer::DrawImage(TImage& picture, const TQuadFrame& frame, const TRectF& window,
                          const TImageDrawParams& params) {
  if (params.Opacity <= 0 || window.IsEmpty() || !FScreen->HasRenderer()) return;
  if (const TPictureSource* source = PictureSourceOf(picture)) {
    DrawFromSource(*source, picture, frame, window, params);
    return;
  }
  const bool sprite = params.Columns > 1 || params.Rows > 1;
  const int level = ImageLevel(picture, frame, window, params);
  const Ref<TMultiTexture6> texture =
      ObtainTexture(picture, level, std::max(params.Columns, 1), std::max(params.Rows, 1), false);
  if (!texture) return;
  const TRectF source = sprite ? window
                               : ScaledRect(window, float(LevelSize(picture.Width(), level)) / float(picture.Width()),
                                            float(LevelSize(picture.Height(), level)) / float(picture.Height()));
  const float opacity = Clamp01(params.Opacity / 100);
  texture->Opacity = int(std::lround(opacity * 255));
  texture->Tint = params.TintColor;
  texture->TintUsed = params.TintColor != 0xFFFFFFFFu;
  texture->Antialias = params.Antialias && !sprite;

  TShaderDraw draw;
  draw.Sampler = TSamplerState{params.Filtering, params.MipLodBias};
  if (params.Grading.IsSet() && ShaderLevel() >= 2 && SetGrading(draw, params.Grading, false))
    draw.Shader = params.Grading.A->Kind() == TGradingTable::TKind::Cube ? "color_grading" : "color_grade_linear";
  const TColor32 color = WithOpacity(params.TintColor, opacity);
  const TCornerColors colors{color, color, color, color};
  TVertexBuffer buffer;
  texture->Draw(frame, source, [&](const TMultiTexture6::TTilePart& part) {
    draw.Textures[kStageImage] = part.Texture;
    AddQuad(buffer, part.Frame, part.TexCoords, part.EdgeFlags, colors);
    Submit(buffer, draw);
  });
}

void T3DDrawer::DrawBox(const TQuadFrame& frame, const TBoxDrawParams& params) {
  if (params.Opacity <= 0 || !FScreen->HasRenderer()) return;
  TCornerColors colors = BoxColors(params);
  for (TColor32& c : colors) c = WithOpacity(c, Clamp01(params.Opacity / 100));
  // One opaque colour over the whole target hides everything beneath it: clearing gives
  // the same pixels without shading each of them (a slide's plain background).
  if (IsOpaqueSolid(colors) && CoversView(frame, FScreen->TargetArea())) {
    FScreen->Renderer().Clear(colors[0]);
    return;
  }
  unsigned edges = 0;
  const unsigned flags[4] = {kEdgeLeft, kEdgeTop, kEdgeRight, kEdgeBottom};
  for (int i = 0; i < 4; ++i)
    if (params.Antialias[i]) edges |= flags[i];
  TVertexBuffer buffer;
  AddQuad(buffer, frame, {}, edges, colors);
  TShaderDraw draw;
  draw.Shader = "color";
  Submit(buffer, draw);
}

void T3DDrawer::DrawBorder(const TQuadFrame& frame, float width_u, float width_v, TColor32 color, float opacity,
                           bool antialias) {
  if (width_u <= 0 && width_v <= 0) return;
  const float wu = std::clamp(width_u, 0.0f, 0.5f);
  const float wv = std::clamp(width_v, 0.0f, 0.5f);
  TBoxDrawParams band;
  band.Color1 = band.Color2 = color;
  band.Opacity = opacity;
  // The top and bottom bands span the whole width; the side bands fill between them.
  band.Antialias = {antialias, antialias, antialias, false};
  DrawBox(SubFrame(frame, 0, 0, 1, wv), band);
  band.Antialias = {antialias, false, antialias, antialias};
  DrawBox(SubFrame(frame, 0, 1 - wv, 1, 1), band);
  band.Antialias = {antialias, false, false, false};
  DrawBox(SubFrame(frame, 0, wv, wu, 1 - wv), band);
  band.Antialias = {false, false, antialias, false};
  DrawBox(SubFrame(frame, 1 - wu, wv, 1, 1 - wv), band);
}

std::string T3DDrawer::VideoShader(const TVideoDrawParams& params, bool graded) const {
  if (params.AsMask) return "videomask";
  if (!graded && !params.ChromaKey) return params.Deinterlace ? "yuv_deinter" : "yuv";
  if (params.ChromaKey) return params.Deinterlace ? "color_grade_chroma_deinter" : "color_grade_chromakey";
  return params.Deinterlace ? "color_grade_deinter" : "color_grade_video";
}

bool T3DDrawer::SetVideoShader(TShaderDraw& draw, const T3DYUV& surface, const TVideoDrawParams& params) {
  if (surface.Form() != TYUVImage::TForm::Planar) {
    // One RGBA or grey texture: drawn like a picture.
    if (params.Grading.IsSet() && SetGrading(draw, params.Grading, false))
      draw.Shader = params.Grading.A->Kind() == TGradingTable::TKind::Cube ? "color_grading" : "color_grade_linear";
    return true;
  }
  const bool graded = params.Grading.IsSet() && SetGrading(draw, params.Grading, true);
  // The chroma key comes only with grading: without it the tables just convert YUV to RGB.
  if (params.ChromaKey && !graded && !SetGrading(draw, {}, true)) return false;
  draw.Shader = VideoShader(params, graded);
  const TYuvConstants k;
  draw.Set("sourceHeight", float(surface.Height()))
      .Set("lineOffset", float(params.FieldOffset))
      .Set("keyUV", params.KeyU, params.KeyV)
      .Set("tolerance", params.ToleranceX, params.ToleranceY)
      .Set("invert", params.InvertMask ? 1.0f : 0.0f)
      .Set("crv", k.Crv)
      .Set("cgu", k.Cgu)
      .Set("cgv", k.Cgv)
      .Set("cbu", k.Cbu)
      .Set("scy", k.Scy);
  return true;
}

void T3DDrawer::DrawVideo(T3DYUV& surface, const TQuadFrame& frame, const TVideoDrawParams& params) {
  if (params.Opacity <= 0 || !FScreen->HasRenderer()) return;
  const std::vector<T3DTexture*> textures = surface.DeviceTextures();
  if (textures.empty()) return;
  TShaderDraw draw;
  draw.Sampler = TSamplerState{params.Filtering, 0};
  for (std::size_t i = 0; i < textures.size(); ++i) draw.Textures[i] = textures[i];
  if (!SetVideoShader(draw, surface, params)) return;
  const TRectF window = params.Window.IsEmpty() ? TRectF{0, 0, float(surface.Width()), float(surface.Height())}
                                                : params.Window;
  const TRectF tex = ScaledRect(window, 1.0f / float(surface.Width()), 1.0f / float(surface.Height()));
  const TColor32 color = WithOpacity(0xFFFFFFFFu, Clamp01(params.Opacity / 100));
  TVertexBuffer buffer;
  AddQuad(buffer, frame, tex, 0, {color, color, color, color});
  Submit(buffer, draw);
}

void T3DDrawer::ComposeMask(TDrawItem& stencil, TDrawItem& content, float opacity) {
  if (opacity <= 0 || !FScreen->HasRenderer()) return;
  if (ShaderLevel() < 2) {
    content.Draw(*this);
    return;
  }
  TPooledTarget content_target(*FFullPool);
  TPooledTarget mask_target(*FFullPool);
  T3DSurface* content_surface = content_target.Surface();
  T3DSurface* mask_surface = mask_target.Surface();
  if (!content_surface || !mask_surface) {
    Log().Write("Mask not drawn: no render target");
    return;
  }
  {
    TRenderTargetWrapper into(*FScreen, content_surface, FScreen->Rect());
    FScreen->Renderer().Clear(0);
    content.Draw(*this);
  }
  {
    TRenderTargetWrapper into(*FScreen, mask_surface, FScreen->Rect());
    FScreen->Renderer().Clear(0);
    stencil.Draw(*this);
  }
  TShaderDraw draw;
  draw.Shader = "premul";
  draw.Textures[kStageImage] = &content_surface->Texture();
  draw.Textures[kStageSecond] = &mask_surface->Texture();
  const TRectF area = ScreenArea();
  const TRectF coords = PoolCoords(*FFullPool, area);
  DrawScreenQuad(area, coords, coords, WithOpacity(0xFFFFFFFFu, Clamp01(opacity / 100)), draw);
}

Ref<T3DYUV> T3DDrawer::CreateVideoSurface(int width, int height, bool alpha) {
  const int max_size = int(FEngine->Capability("maxtexwidth"));
  if (width <= 0 || height <= 0 || width > max_size || height > max_size) {
    Log().Write("No video surface of " + std::to_string(width) + " x " + std::to_string(height));
    return nullptr;
  }
  const TYUVImage::TForm form =
      alpha ? TYUVImage::TForm::RGBA : ShaderLevel() >= 1 ? TYUVImage::TForm::Planar : TYUVImage::TForm::Grey;
  return MakeRef<T3DYUV>(*FScreen, width, height, form);
}

}  // namespace orv
