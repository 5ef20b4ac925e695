#include "app/print/pdf_page.h"

#include <cairo-pdf.h>

#include "app/print/cairo_handles.h"
#include "base/exceptions.h"
#include "image/pixel_format.h"

namespace orv {
namespace {

constexpr double kPointsPerInch = 72;

cairo_status_t AppendTo(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

void Check(cairo_status_t status, const char* what) {
  if (status != CAIRO_STATUS_SUCCESS) throw Exception(std::string(what) + ": " + cairo_status_to_string(status));
}

// Cairo's RGB24 is our A8R8G8B8 with the alpha byte ignored: the rows are handed over as
// they are.
CairoSurfacePtr SurfaceOf(const TBitmap& pixels) {
  CairoSurfacePtr surface(cairo_image_surface_create_for_data(const_cast<uint8_t*>(pixels.Row(0)), CAIRO_FORMAT_RGB24,
                                                         pixels.Width(), pixels.Height(), int(pixels.Stride())));
  Check(cairo_surface_status(surface.get()), "picture for printing");
  return surface;
}

}  // namespace

std::string PdfPageOfPicture(const TBitmap& picture, int page_width, int page_height, int dots_per_inch,
                             const TRect& place) {
  if (picture.Width() <= 0 || picture.Height() <= 0 || place.IsEmpty() || dots_per_inch <= 0)
    throw Exception("nothing to print");
  Ref<TBitmap> converted;
  const TBitmap* pixels = &picture;
  if (&picture.Format() != &pf::A8R8G8B8) {
    converted = picture.ConvertTo(pf::A8R8G8B8);
    pixels = converted.Get();
  }
  const double scale = kPointsPerInch / dots_per_inch;
  std::string document;
  {
    CairoSurfacePtr page(cairo_pdf_surface_create_for_stream(AppendTo, &document, page_width * scale, page_height * scale));
    Check(cairo_surface_status(page.get()), "PDF page");
    CairoSurfacePtr source = SurfaceOf(*pixels);
    CairoContextPtr context(cairo_create(page.get()));
    cairo_scale(context.get(), scale, scale);
    cairo_translate(context.get(), place.Left, place.Top);
    cairo_scale(context.get(), double(place.Width()) / pixels->Width(), double(place.Height()) / pixels->Height());
    cairo_set_source_surface(context.get(), source.get(), 0, 0);
    cairo_set_operator(context.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(context.get());
    Check(cairo_status(context.get()), "drawing the picture");
    cairo_surface_finish(page.get());
    Check(cairo_surface_status(page.get()), "PDF page");
  }
  return document;
}

}  // namespace orv
