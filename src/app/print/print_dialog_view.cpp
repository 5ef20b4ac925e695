#include "app/print/print_dialog_view.h"

#include <algorithm>

#include "app/print/cairo_handles.h"
#include "image/pixel_format.h"

namespace orv {
namespace {

using TControl = TOrvPrintDialog::TControl;
using TControlKind = TOrvPrintDialog::TControlKind;

struct TColour {
  uint32_t Rgb;  // 0xRRGGBB
  double Channel(int shift) const { return ((Rgb >> shift) & 0xFF) / 255.0; }
};

constexpr TColour kFace{0xF0F0F0};
constexpr TColour kCaptionBar{0x285499};
constexpr TColour kWhite{0xFFFFFF};
constexpr TColour kInk{0x191919};
constexpr TColour kBorder{0x8C8C8C};
constexpr TColour kFocus{0x2873D9};
constexpr TColour kSelected{0xCCE0FA};
constexpr TColour kMessageInk{0x991A0D};
constexpr double kFontSize = 12;

class TPainter {
public:
  TPainter(TBitmap& target, double scale)
      : FSurface(cairo_image_surface_create_for_data(target.Row(0), CAIRO_FORMAT_ARGB32, target.Width(),
                                                     target.Height(), int(target.Stride()))),
        FContext(cairo_create(FSurface.get())),
        FScale(scale) {
    cairo_select_font_face(FContext.get(), "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(FContext.get(), kFontSize * scale);
  }
  ~TPainter() { cairo_surface_flush(FSurface.get()); }

  void Fill(const TRect& r, TColour colour) {
    SetColour(colour);
    cairo_rectangle(Cr(), r.Left, r.Top, r.Width(), r.Height());
    cairo_fill(Cr());
  }
  void Frame(const TRect& r, TColour colour, double width) {
    SetColour(colour);
    cairo_set_line_width(Cr(), width);
    cairo_rectangle(Cr(), r.Left + width / 2, r.Top + width / 2, r.Width() - width, r.Height() - width);
    cairo_stroke(Cr());
  }
  // Text at `left`, centred vertically in `r` and cut off at its right edge; the x of
  // the character boundary `cursor` when asked for.
  double Text(const TRect& r, double left, const std::string& utf8, TColour colour, size_t cursor_bytes = 0) {
    cairo_save(Cr());
    cairo_rectangle(Cr(), r.Left, r.Top, r.Width(), r.Height());
    cairo_clip(Cr());
    cairo_font_extents_t font;
    cairo_font_extents(Cr(), &font);
    const double baseline = r.Top + (r.Height() + font.ascent - font.descent) / 2;
    SetColour(colour);
    cairo_move_to(Cr(), left, baseline);
    cairo_show_text(Cr(), utf8.c_str());
    cairo_text_extents_t before;
    cairo_text_extents(Cr(), utf8.substr(0, cursor_bytes).c_str(), &before);
    cairo_restore(Cr());
    return left + before.x_advance;
  }
  double TextWidth(const std::string& utf8) {
    cairo_text_extents_t extents;
    cairo_text_extents(Cr(), utf8.c_str(), &extents);
    return extents.x_advance;
  }
  double Scale() const noexcept { return FScale; }

private:
  cairo_t* Cr() const { return FContext.get(); }
  void SetColour(TColour c) { cairo_set_source_rgb(Cr(), c.Channel(16), c.Channel(8), c.Channel(0)); }

  CairoSurfacePtr FSurface;
  CairoContextPtr FContext;
  double FScale;
};

TRect Inset(const TRect& r, int by) { return TRect{r.Left + by, r.Top + by, r.Right - by, r.Bottom - by}; }

void DrawButton(TPainter& painter, const TControl& control, bool focused) {
  painter.Fill(control.Rect, kWhite);
  painter.Frame(control.Rect, focused ? kFocus : kBorder, focused ? 2 * painter.Scale() : painter.Scale());
  const std::string label = Utf16ToUtf8(control.Label);
  const double left = control.Rect.Left + (control.Rect.Width() - painter.TextWidth(label)) / 2;
  painter.Text(control.Rect, std::max(left, double(control.Rect.Left)), label, kInk);
}

void DrawCheckBox(TPainter& painter, const TControl& control, bool focused, bool checked) {
  const int side = control.Rect.Height() * 3 / 5;
  const int top = control.Rect.Top + (control.Rect.Height() - side) / 2;
  const TRect box{control.Rect.Left, top, control.Rect.Left + side, top + side};
  painter.Fill(box, kWhite);
  painter.Frame(box, focused ? kFocus : kBorder, focused ? 2 * painter.Scale() : painter.Scale());
  if (checked) painter.Fill(Inset(box, std::max(3, side / 4)), kInk);
  painter.Text(control.Rect, box.Right + 6 * painter.Scale(), Utf16ToUtf8(control.Label), kInk);
}

void DrawField(TPainter& painter, const TControl& control, const TOrvPrintDialog& dialog, bool focused) {
  painter.Fill(control.Rect, kWhite);
  painter.Frame(control.Rect, focused ? kFocus : kBorder, focused ? 2 * painter.Scale() : painter.Scale());
  const std::string text = Utf16ToUtf8(dialog.FileName());
  const size_t cursor_bytes = Utf16ToUtf8(WideView(dialog.FileName()).substr(0, dialog.Cursor())).size();
  const TRect inner = Inset(control.Rect, int(3 * painter.Scale()));
  const double caret = painter.Text(inner, inner.Left + 2, text, kInk, cursor_bytes);
  if (focused) painter.Fill(TRect{int(caret), inner.Top + 2, int(caret) + 1, inner.Bottom - 2}, kInk);
}

void DrawListItem(TPainter& painter, const TControl& control, bool selected, bool focused) {
  painter.Fill(control.Rect, selected ? kSelected : kWhite);
  if (selected && focused) painter.Frame(control.Rect, kFocus, painter.Scale());
  painter.Text(control.Rect, control.Rect.Left + 6 * painter.Scale(), Utf16ToUtf8(control.Label), kInk);
}

// The message line sits just above the OK button.
void DrawMessage(TPainter& painter, const TOrvPrintDialog& dialog) {
  if (dialog.Message().empty()) return;
  const auto ok = std::ranges::find(dialog.Controls(), TOrvPrintDialog::kOk, &TControl::Id);
  if (ok == dialog.Controls().end()) return;
  const int bottom = ok->Rect.Top - int(4 * painter.Scale());
  const int lines = dialog.Page() == TOrvPrintDialog::TPage::Message ? 2 : 1;
  const TRect area{ok->Rect.Left, bottom - int(20 * lines * painter.Scale()), dialog.Width() - ok->Rect.Left, bottom};
  painter.Text(area, area.Left, dialog.Message(), kMessageInk);
}

}  // namespace

Ref<TBitmap> RenderPrintDialog(const TOrvPrintDialog& dialog) {
  Ref<TBitmap> picture = TBitmap::Create(dialog.Width(), dialog.Height(), pf::A8R8G8B8);
  const double scale = double(dialog.Width()) / TOrvPrintDialog::kWidth;
  {
    TPainter painter(*picture, scale);
    const TRect whole{0, 0, dialog.Width(), dialog.Height()};
    painter.Fill(whole, kFace);
    const TRect caption{0, 0, dialog.Width(), int(TOrvPrintDialog::kCaptionHeight * scale)};
    painter.Fill(caption, kCaptionBar);
    painter.Text(caption, 8 * scale, Utf16ToUtf8(dialog.Caption()), kWhite);
    painter.Frame(whole, kCaptionBar, scale);
    for (const TControl& control : dialog.Controls()) {
      const bool focused = control.Id == dialog.FocusId();
      switch (control.Kind) {
        case TControlKind::Button:
          DrawButton(painter, control, focused);
          break;
        case TControlKind::CheckBox:
          DrawCheckBox(painter, control, focused, dialog.OnlyMainImage());
          break;
        case TControlKind::Field:
          DrawField(painter, control, dialog, focused);
          break;
        case TControlKind::ListItem:
          DrawListItem(painter, control, control.Id - TOrvPrintDialog::kFirstPrinter == dialog.SelectedPrinter(),
                       focused);
          break;
      }
    }
    DrawMessage(painter, dialog);
  }
  return picture;
}

}  // namespace orv
