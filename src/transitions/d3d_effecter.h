// The transition machinery on the draw manager: slides rendered into pooled targets, the
// tile grid over the slide frame, and mask pieces turned into textured triangles.
#pragma once

#include <array>

#include "render/draw_manager.h"
#include "transitions/effect_tiles.h"

namespace orv {

class TCustomD3DEffecter;
class TDrawFilter;

// A tile that draws its mask pieces with the slide last rendered by the effecter.
class TD3DTriTile : public TEffTile {
public:
  explicit TD3DTriTile(TCustomD3DEffecter& effecter) : FEffecter(effecter) {}
  void Begin() override;
  void AddMaskTriangles(std::span<const TMaskVertex> fan) override;
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

// One per draw manager, kept in its effecter slot.
class TCustomD3DEffecter : public TEffecterSlot {
public:
  // The draw manager's effecter, made on first use.
  static TCustomD3DEffecter& Of(T3DDrawer& drawer);

  explicit TCustomD3DEffecter(T3DDrawer& drawer);

  // The slide frame of the current transition frame, in screen pixels.
  const TRect& Frame() const { return FFrame; }
  TRenderTargetManager& Pool() { return *FPool; }
  TD3DTriController& Grid() { return *FGrid; }

  // ---- one transition frame (see TEffecterFrame)
  // Follows the screen and the slide frame.
  void BeginTransitionFrame();
  // Renders `slide` into the next slot, which then textures the mask pieces; false when
  // no render target can be had (nothing is drawn then).
  bool PrepareSlide(TDrawItem& slide);
  // Draws the prepared slide through the renderer's mask.
  void DrawMask(TDrawFilter& renderer);
  // Gives the slots back to the pool.
  void EndTransitionFrame();

  // ---- for the tiles
  // The vertex buffer for a tile's triangles (assertion when a tile has it already).
  TVertexBuffer& TakeBuffer();
  // Draws the taken buffer with the prepared slide (assertion when none is taken).
  void SubmitBuffer();
  // The vertex of a mask point: white faded by its alpha, the slide at the same place.
  T3DVertex MaskVertex(const TMaskVertex& point) const;

private:
  void PadEdges(T3DSurface& surface);

  T3DDrawer& FDrawer;
  Ref<TRenderTargetManager> FPool;
  Ref<TD3DTriController> FGrid;
  std::array<Ref<TRenderTargetTexture>, 2> FSlots;
  int FNextSlot = 0;
  T3DSurface* FPrepared = nullptr;  // the slide textures of the mask pieces
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
