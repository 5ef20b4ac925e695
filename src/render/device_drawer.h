// What slide objects, the engine and the transitions ask of the draw manager: the items it
// draws, the parameters of its drawing primitives, and the abstract drawer itself.
#pragma once

#include <array>
#include <cstdint>

#include "base/rect.h"
#include "base/ref_object.h"
#include "render/grading_table.h"
#include "image/image.h"
#include "render/render_types.h"

namespace orv {

class TDeviceDrawer;
class T3DYUV;

// Anything the draw manager can draw.
class TDrawItem : public TRefObject {
public:
  // Passed down by the draw manager once a frame has been drawn.
  static constexpr int kFrameDone = 1;

  // A static setting changed: pictures may have to be rebuilt.
  bool ParamsChanged = false;
  // Placement, opacity, timing or hover state changed: the frame must be redrawn.
  bool StateChanged = false;

  virtual bool IsChanged() const { return ParamsChanged || StateChanged; }
  virtual float GetBlur() const { return 0; }
  virtual void Notify(int /*message*/) {}
  virtual void Draw(TDeviceDrawer& drawer) = 0;
};

// The transition between two slides, as the draw manager drives it.
class TFilterParams : public TRefObject {
public:
  // Draws the frame of the transition from `a` to `b` (either may be missing).
  virtual void DrawTransition(TDeviceDrawer& drawer, TDrawItem* a, TDrawItem* b) = 0;
  virtual void Notify(int /*message*/) {}
};

// Two grading tables and the blend between them: colour = (1 − T) × A + T × B.
struct TColorGrading {
  Ref<TGradingTable> A;
  Ref<TGradingTable> B;  // A again when missing
  float T = 0;

  bool IsSet() const { return bool(A); }
};

struct TImageDrawParams {
  bool Antialias = false;
  float Opacity = 100;  // percent
  TImageFiltering Filtering = TImageFiltering::Default;
  // The resolution level to draw from; -1 lets the drawer choose it from the size on screen.
  int Level = 0;
  float MipLodBias = 0;
  int Columns = 1;  // sprite sheet grid
  int Rows = 1;
  TColor32 TintColor = 0xFFFFFFFFu;
  TColorGrading Grading;
  bool Picture = true;
};

// Fill codes of boxes.
enum TFillCode : int {
  kFillTLBRGradient = 0,
  kFillTRBLGradient = 1,
  kFillVGradient = 5,
  kFillHGradient = 6,
  kFillSolid = 8,
};

struct TBoxDrawParams {
  // Antialiased sides: left, top, right, bottom.
  std::array<bool, 4> Antialias{};
  int FillCode = kFillSolid;
  TColor32 Color1 = 0xFFFFFFFFu;  // with its alpha
  TColor32 Color2 = 0xFFFFFFFFu;
  float Opacity = 100;  // percent
};

struct TVideoDrawParams {
  float Opacity = 100;  // percent
  TImageFiltering Filtering = TImageFiltering::Default;
  // The part of the frame shown, in pixels; empty for all of it.
  TRectF Window;
  TColorGrading Grading;
  // Show one field of an interlaced frame: FieldOffset 0 the even lines (the top field),
  // 1 the odd ones; the lines between are interpolated within the field.
  bool Deinterlace = false;
  int FieldOffset = 0;
  // Transparent where the chroma is near the key colour (U, V in 0..1).
  bool ChromaKey = false;
  float KeyU = 0.5f;
  float KeyV = 0.5f;
  float ToleranceX = 0;
  float ToleranceY = 0;
  // Drawn as a mask: the luma becomes grey with that alpha ("videomask").
  bool AsMask = false;
  bool InvertMask = false;
};

// What a captured frame holds: the slide frame alone, or the whole screen with the border.
enum class TCaptureArea { SlideFrame, WholeScreen };

class TDeviceDrawer : public TRefObject {
public:
  virtual bool IsUsable() = 0;
  // The slide frame of the next frame, in screen pixels.
  virtual void SetFrameRect(const TRect& rect) = 0;
  virtual TRect GetScreenRect() = 0;
  virtual int ShaderLevel() = 0;

  // Builds the device textures of a picture ahead of drawing (any thread; the upload
  // happens when first drawn) and drops them again.
  virtual void PrepareImage(TImage& picture, const TImageDrawParams& params) = 0;
  virtual void ReleaseImage(TImage& picture) = 0;

  virtual void Clear(TColor32 color) = 0;
  virtual void SetViewport(const TRect& area) = 0;

  // A whole frame: false when nothing could be drawn (the device is not usable).
  virtual bool DrawRoot(TDrawItem& root) = 0;
  virtual void DrawTransition(TDrawItem* a, TDrawItem* b, TFilterParams* filter) = 0;
  // The frame drawn into a picture of the slide frame's size, or of the whole screen with
  // the border around the frame; null when it fails.
  virtual Ref<TImage> CaptureImage(TDrawItem& root, TCaptureArea area) = 0;

  // `window` (in picture pixels of level 0; for sprite sheets in the padded view) filling
  // `frame`.
  virtual void DrawImage(TImage& picture, const TQuadFrame& frame, const TRectF& window,
                         const TImageDrawParams& params) = 0;
  virtual void DrawBox(const TQuadFrame& frame, const TBoxDrawParams& params) = 0;
  // A border band inside `frame`, `width_u` and `width_v` wide as fractions of its sides.
  virtual void DrawBorder(const TQuadFrame& frame, float width_u, float width_v, TColor32 color, float opacity,
                          bool antialias) = 0;
  virtual void DrawVideo(T3DYUV& surface, const TQuadFrame& frame, const TVideoDrawParams& params) = 0;
  // `content` seen through `stencil` at `opacity` percent.
  virtual void ComposeMask(TDrawItem& stencil, TDrawItem& content, float opacity) = 0;
  // A video frame surface; null when it cannot be made.
  virtual Ref<T3DYUV> CreateVideoSurface(int width, int height, bool alpha) = 0;
};

}  // namespace orv
