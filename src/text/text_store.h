// "Text: " pictures: the text of the name laid out (lines break only where the text breaks
// them), from the package's pre-vectorised outlines when it has them, else from the
// installed fonts, and filled as white glyphs on a transparent background to be tinted
// when drawn.
#pragma once

#include "base/rect.h"
#include "image/bitmap_store.h"
#include "package/file_accessor.h"
#include "text/rasterizer.h"
#include "text/text_params.h"
#include "text/vector_text.h"

namespace orv {

// Where the lines go at a scale, in output pixels.
struct TTextLayout {
  double Scale = 1;
  std::vector<double> LineWidths;  // ⌈s × advance⌉
  std::vector<double> LineTops;    // origin y of each line
  double MaxWidth = 0;             // W
  double TotalHeight = 0;          // T
  double LeftOverhang = 0;         // L
  double RightOverhang = 0;        // R
  double TopExtent = 0;            // TA
  double BottomExtent = 0;         // BD
  double FontHeight = 0;           // s × (font ascent + descent)
  double FontAscent = 0;           // s × font ascent
};

TTextLayout LayoutText(const TCachedVectorText& text, double scale, int line_spacing);

// The rectangles of a text picture's lines, in its pixels: a click between lines misses.
class TRectListWrapper : public TRefObject {
public:
  explicit TRectListWrapper(std::vector<TRect> rects) : FRects(std::move(rects)) {}
  const std::vector<TRect>& Rects() const noexcept { return FRects; }
  // Inside one of the rectangles (left and top edges included, right and bottom not).
  bool Contains(double x, double y) const;

private:
  std::vector<TRect> FRects;
};

// Level 0 reports each line drawn as progress; an exception from the progress handler ends
// the picture there, with the lines drawn so far, so that a long text can be abandoned.
class TTextBitmapStore : public TSysBitmapStore {
public:
  // The store for a "Text: " name: the package's "VectTxt2: " entry (and the
  // "VectTextCache: " entries of its fonts) when the accessor has it, else the installed
  // fonts. None when the text has no size to draw at.
  static Ref<TTextBitmapStore> Create(const WideString& name, TFileAccessor* accessor);

  const TCachedVectorText& Text() const noexcept { return *FText; }
  const TTextParams& Params() const noexcept { return FParams; }
  const std::vector<WideString>& Lines() const noexcept { return FLines; }
  const TTextLayout& Layout() const noexcept { return FLayout; }
  // The text box at the store's scale (each side at least 1).
  double MeasuredWidth() const;
  double MeasuredHeight() const;
  // (font ascent + descent) × scale.
  double LineHeight() const;
  // Where the measured box's left and top edges lie in the picture, pixels: the picture has
  // room for overhangs around it and a one-pixel frame.
  double BoxOriginX() const;
  double BoxOriginY() const;
  // The line rectangles, attached when level 0 is made; none before.
  Ref<TRectListWrapper> LineRects() const { return Attachments().Find<TRectListWrapper>(); }

protected:
  Ref<TBitmap> LoadLevel(int level) override;

private:
  TTextBitmapStore(WideString name, std::vector<WideString> lines, const TTextParams& params,
                   Ref<TCachedVectorText> text, const TTextLayout& layout, int width, int height);
  // Draws the lines one after the other; stops, keeping what is drawn, when AbortAfterLine says so.
  Ref<TBitmap> Produce();
  // Reports the share of lines drawn to the progress handler, which asks to stop by throwing.
  bool AbortAfterLine(size_t done);
  // Where line i starts: its pen origin in the picture, alignment included.
  TPointD LineOrigin(size_t i) const;
  std::vector<TRect> LineRectangles() const;

  std::vector<WideString> FLines;
  TTextParams FParams;
  Ref<TCachedVectorText> FText;
  TTextLayout FLayout;
};

}  // namespace orv
