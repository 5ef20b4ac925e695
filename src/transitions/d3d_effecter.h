// The transition machinery on the draw manager: slides rendered into pooled targets, the
// tile grid over the slide frame, and the renderers' mask pieces and placed slides turned
// into textured triangles.
#pragma once

#include <array>
#include <memory>

#include "render/draw_manager.h"
#include "transitions/draw_filter.h"
#include "transitions/effect_tiles.h"

namespace orv {

class TCustomD3DEffecter;

// A tile that draws its geometry with the slide texture the effecter has chosen.
class TD3DTriTile : public TEffTile {
public:
  explicit TD3DTriTile(TCustomD3DEffecter& effecter) : FEffecter(effecter) {}
  void Begin() override;
  void AddMaskTriangles(std::span<const TMaskVertex> fan) override;
  void AddPlacedTriangles(std::span<const TPlacedVertex> fan) override;
  void End() override;

private:
  TCustomD3DEffecter& FEffecter;
  TVertexBuffer* FBuffer = nullptr;  // between Begin and End
};

class TD3DTriController : public TEffController {
public:
  explicit TD3DTriController(TCustomD3DEffecter& effecter) : FEffecter(effecter) {}

protected:
  Ref<TEffTile> CreateTile(const TRect& rect) override;

private:
  TCustomD3DEffecter& FEffecter;
};

// One per draw manager, kept in its effecter slot; the canvas renderers compose with.
class TCustomD3DEffecter : public TEffecterSlot, public TTransitionCanvas {
public:
  // The draw manager's effecter, made on first use.
  static TCustomD3DEffecter& Of(T3DDrawer& drawer);

  explicit TCustomD3DEffecter(T3DDrawer& drawer);

  // The slide frame of the current transition frame, in screen pixels.
  const TRect& Frame() const { return FFrame; }
  TRenderTargetManager& Pool() { return *FPool; }
  TD3DTriController& Grid() { return *FGrid; }
  T3DDrawer& Drawer() { return FDrawer; }

  // ---- one transition frame (see TEffecterFrame)
  // Follows the screen and the slide frame.
  void BeginTransitionFrame();
  // Gives the slots back to the pool.
  void EndTransitionFrame();

  // ---- TTransitionCanvas
  void DrawPlain(TDrawItem& slide) override;
  void DrawWithin(TDrawItem& slide, const TRect& area) override;
  void DrawMoved(TDrawItem& slide, TPoint offset) override;
  T3DSurface* Prepare(TDrawItem& slide, const TRectF* part = nullptr) override;
  void DrawMasked(T3DSurface& slide, TDrawFilter& renderer) override;
  void DrawPlaced(T3DSurface& slide, TDrawFilter& renderer) override;
  void FillFrame(TColor32 colour) override;
  void ShowSlideAs(const TImage& picture, T3DSurface* slide) override;
  void ClearSlidePictures() override;

  // The texture coordinates of a point of the screen in a prepared slide.
  TPointF TextureCoords(TPointF screen) const;

  // ---- for the tiles
  // The vertex buffer for a tile's triangles (assertion when a tile has it already).
  TVertexBuffer& TakeBuffer();
  // Draws the taken buffer with the chosen slide (assertion when none is taken).
  void SubmitBuffer();
  // The vertex of a mask point: white faded by its alpha, the slide at the same place.
  T3DVertex MaskVertex(const TMaskVertex& point) const;
  // The vertex of a placed point, premultiplied.
  T3DVertex PlacedVertex(const TPlacedVertex& point) const;

private:
  void PadEdges(T3DSurface& surface);
  // The pixels of the frame a prepared slide is rendered in: `part` grown by the pixel
  // bilinear sampling reads beyond it, or the whole frame.
  TRect PreparedArea(const TRectF* part) const;
  // Renders the tile's geometry with `slide` as the texture.
  void DrawGeometry(T3DSurface& slide, TDrawFilter& renderer, TEffTile& canvas);

  T3DDrawer& FDrawer;
  Ref<TRenderTargetManager> FPool;
  Ref<TD3DTriController> FGrid;
  // The mask canvas over the grid, kept from frame to frame with the lists it cuts into;
  // made again when the grid changes.
  std::unique_ptr<TMultiTile> FCanvas;
  TRect FCanvasFrame;
  std::array<Ref<TRenderTargetTexture>, 2> FSlots;
  int FNextSlot = 0;
  T3DSurface* FTexture = nullptr;  // of the geometry being drawn
  bool FPlacing = false;           // the geometry places the slide rather than masking it
  TVertexBuffer FBuffer;
  bool FBufferTaken = false;
  TRect FFrame;
};

// The span of one transition frame: the slots go back to the pool at its end.
class TEffecterFrame {
public:
  explicit TEffecterFrame(TCustomD3DEffecter& effecter) : FEffecter(effecter) { FEffecter.BeginTransitionFrame(); }
  ~TEffecterFrame() { FEffecter.EndTransitionFrame(); }
  TEffecterFrame(const TEffecterFrame&) = delete;
  TEffecterFrame& operator=(const TEffecterFrame&) = delete;

private:
  TCustomD3DEffecter& FEffecter;
};

}  // namespace orv
