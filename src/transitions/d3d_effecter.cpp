#include "transitions/d3d_effecter.h"

#include <algorithm>
#include <cmath>

#include "base/assertions.h"
#include "transitions/draw_filter.h"

namespace orv {

// ---- TD3DTriTile ----

namespace {

// The triangles (0, i, i + 1) of a fan, each vertex made a device vertex by `convert`.
template <class TVertex, class TConvert>
void AddFan(TVertexBuffer& buffer, std::span<const TVertex> fan, TConvert convert) {
  for (std::size_t i = 1; i + 1 < fan.size(); ++i) {
    buffer.Add(convert(fan[0]));
    buffer.Add(convert(fan[i]));
    buffer.Add(convert(fan[i + 1]));
  }
}

}  // namespace

void TD3DTriTile::Begin() { FBuffer = &FEffecter.TakeBuffer(); }

void TD3DTriTile::AddMaskTriangles(std::span<const TMaskVertex> fan) {
  ORV_ASSERT(FBuffer, "TD3DTriTile.AddMaskTriangles without Begin");
  AddFan(*FBuffer, fan, [this](const TMaskVertex& v) { return FEffecter.MaskVertex(v); });
}

void TD3DTriTile::AddPlacedTriangles(std::span<const TPlacedVertex> fan) {
  ORV_ASSERT(FBuffer, "TD3DTriTile.AddPlacedTriangles without Begin");
  AddFan(*FBuffer, fan, [this](const TPlacedVertex& v) { return FEffecter.PlacedVertex(v); });
}

void TD3DTriTile::End() {
  FBuffer = nullptr;
  FEffecter.SubmitBuffer();
}

Ref<TEffTile> TD3DTriController::CreateTile(const TRect& /*rect*/) { return MakeRef<TD3DTriTile>(FEffecter); }

// ---- TCustomD3DEffecter ----

TCustomD3DEffecter& TCustomD3DEffecter::Of(T3DDrawer& drawer) {
  Ref<TEffecterSlot>& slot = drawer.Effecter();
  if (auto* effecter = dynamic_cast<TCustomD3DEffecter*>(slot.Get())) return *effecter;
  Ref<TCustomD3DEffecter> effecter = MakeRef<TCustomD3DEffecter>(drawer);
  TCustomD3DEffecter& result = *effecter;
  slot = std::move(effecter);
  return result;
}

TCustomD3DEffecter::TCustomD3DEffecter(T3DDrawer& drawer)
    : FDrawer(drawer),
      FPool(MakeRef<TRenderTargetManager>(drawer.Screen(), true)),
      FGrid(MakeRef<TD3DTriController>(*this)) {}

void TCustomD3DEffecter::BeginTransitionFrame() {
  ORV_ASSERT(!FSlots[0] && !FSlots[1], "TCustomD3DEffecter: a transition frame is open already");
  const TRect screen = FDrawer.Screen().Rect();
  FPool->SetSize(screen.Width(), screen.Height());
  FFrame = FDrawer.FrameArea();
  if (!FFrame.IsEmpty()) FGrid->SetSingleTile(FFrame);
}

void TCustomD3DEffecter::DrawPlain(TDrawItem& slide) { slide.Draw(FDrawer); }

void TCustomD3DEffecter::DrawWithin(TDrawItem& slide, const TRect& area) {
  TMovedView within(FDrawer.Screen(), {0, 0}, IntersectRect(area, FFrame));
  slide.Draw(FDrawer);
}

void TCustomD3DEffecter::DrawMoved(TDrawItem& slide, TPoint offset) {
  TMovedView moved(FDrawer.Screen(), offset, FFrame);
  slide.Draw(FDrawer);
}

TRect TCustomD3DEffecter::PreparedArea(const TRectF* part) const {
  if (!part) return FFrame;
  const TRect grown{int(std::floor(part->Left)) - 2, int(std::floor(part->Top)) - 2, int(std::ceil(part->Right)) + 2,
                    int(std::ceil(part->Bottom)) + 2};
  return IntersectRect(grown, FFrame);
}

T3DSurface* TCustomD3DEffecter::Prepare(TDrawItem& slide, const TRectF* part) {
  ORV_ASSERT(!FFrame.IsEmpty(), "TCustomD3DEffecter.Prepare without a slide frame");
  Ref<TRenderTargetTexture>& slot = FSlots[FNextSlot];
  ORV_ASSERT(!slot, "TCustomD3DEffecter: more than two slides prepared in one frame");
  slot = FPool->AcquireTarget();
  T3DSurface* surface = slot->Surface();
  if (!surface) {
    FPool->ReleaseTarget(std::move(slot));
    return nullptr;
  }
  T3DScreen& screen = FDrawer.Screen();
  {
    TRenderTargetWrapper into(screen, surface, screen.Rect(), PreparedArea(part));
    // Transparent black: what the slide leaves uncovered adds nothing when blended.
    screen.Renderer().Clear(0);
    slide.Draw(FDrawer);
  }
  PadEdges(*surface);
  FNextSlot = 1 - FNextSlot;
  return surface;
}

// Bilinear sampling right at the frame's right and bottom edges reads one pixel beyond
// them: that pixel repeats the edge instead of showing what was cleared.
void TCustomD3DEffecter::PadEdges(T3DSurface& surface) {
  T3DRenderer& renderer = FDrawer.Screen().Renderer();
  const TRect& f = FFrame;
  if (f.Right < surface.Width())
    renderer.CopyRect(&surface, TRect{f.Right - 1, f.Top, f.Right, f.Bottom}, &surface, f.Right, f.Top);
  if (f.Bottom < surface.Height()) {
    const int right = std::min(f.Right + 1, surface.Width());
    renderer.CopyRect(&surface, TRect{f.Left, f.Bottom - 1, right, f.Bottom}, &surface, f.Left, f.Bottom);
  }
}

void TCustomD3DEffecter::DrawGeometry(T3DSurface& slide, TDrawFilter& renderer, TEffTile& canvas) {
  renderer.Output = TRectF{float(FFrame.Left), float(FFrame.Top), float(FFrame.Right), float(FFrame.Bottom)};
  FTexture = &slide;
  canvas.Begin();
  renderer.Render(canvas);
  canvas.End();
  FTexture = nullptr;
}

void TCustomD3DEffecter::DrawMasked(T3DSurface& slide, TDrawFilter& renderer) {
  if (!FCanvas || FCanvasFrame != FFrame) {
    FCanvas = std::make_unique<TMultiTile>(*FGrid);
    FCanvasFrame = FFrame;
  }
  FPlacing = false;
  DrawGeometry(slide, renderer, *FCanvas);
}

// Placed slides may reach beyond the frame (a flip turning towards the viewer): the frame
// holds them.
void TCustomD3DEffecter::DrawPlaced(T3DSurface& slide, TDrawFilter& renderer) {
  TMovedView clipped(FDrawer.Screen(), {0, 0}, FFrame);
  FPlacing = true;
  DrawGeometry(slide, renderer, FGrid->Tile(0, 0));
}

void TCustomD3DEffecter::FillFrame(TColor32 colour) {
  TMovedView clipped(FDrawer.Screen(), {0, 0}, FFrame);
  FDrawer.Screen().Renderer().Clear(colour | 0xFF000000u);
}

void TCustomD3DEffecter::ShowSlideAs(const TImage& picture, T3DSurface* slide) {
  const TPointF low = TextureCoords({float(FFrame.Left), float(FFrame.Top)});
  const TPointF high = TextureCoords({float(FFrame.Right), float(FFrame.Bottom)});
  FDrawer.SetPictureSource(picture, slide ? &slide->Texture() : nullptr, TRectF{low.X, low.Y, high.X, high.Y});
}

void TCustomD3DEffecter::ClearSlidePictures() { FDrawer.ClearPictureSources(); }

void TCustomD3DEffecter::EndTransitionFrame() {
  ClearSlidePictures();
  for (Ref<TRenderTargetTexture>& slot : FSlots)
    if (slot) FPool->ReleaseTarget(std::move(slot));
  FNextSlot = 0;
}

TVertexBuffer& TCustomD3DEffecter::TakeBuffer() {
  ORV_ASSERT(!FBufferTaken, "TCustomD3DEffecter: the vertex buffer is taken already");
  FBufferTaken = true;
  FBuffer.Clear();
  return FBuffer;
}

void TCustomD3DEffecter::SubmitBuffer() {
  ORV_ASSERT(FBufferTaken, "TCustomD3DEffecter: no vertex buffer taken");
  FBufferTaken = false;
  if (!FTexture || FBuffer.Count() == 0) return;
  TShaderDraw draw;
  draw.Shader = "texture_premul";
  draw.Textures[kStageImage] = &FTexture->Texture();
  // Mask pieces show the slide where it was rendered, texel on pixel: the nearest texel is
  // exact and cheaper to fetch. Placed slides are resampled.
  draw.Sampler.Filter = FPlacing ? TImageFiltering::Bilinear : TImageFiltering::Nearest;
  FDrawer.DrawTriangles(FBuffer.Data(), FBuffer.Count(), draw);
  FBuffer.Clear();
}

TPointF TCustomD3DEffecter::TextureCoords(TPointF screen) const {
  return {screen.X / float(FPool->Width()), screen.Y / float(FPool->Height())};
}

T3DVertex TCustomD3DEffecter::MaskVertex(const TMaskVertex& point) const {
  const int alpha = int(std::lround(std::clamp(point.Alpha, 0.0f, 255.0f)));
  T3DVertex v;
  v.X = point.X;
  v.Y = point.Y;
  v.Color = MakeColor(alpha, alpha, alpha, alpha);  // white, premultiplied
  const TPointF tex = TextureCoords({point.X, point.Y});
  v.U = v.U2 = tex.X;
  v.V = v.V2 = tex.Y;
  return v;
}

T3DVertex TCustomD3DEffecter::PlacedVertex(const TPlacedVertex& point) const {
  T3DVertex v;
  v.X = point.Position.X;
  v.Y = point.Position.Y;
  v.Z = point.Position.Z;
  v.Color = PremultipliedColor(point.Color);
  const TPointF tex = TextureCoords(point.Source);
  v.U = v.U2 = tex.X;
  v.V = v.V2 = tex.Y;
  return v;
}

}  // namespace orv
