// Cairo's surfaces and contexts owned like any other object here.
#pragma once

#include <cairo.h>

#include <memory>

namespace orv {

struct TCairoDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
  void operator()(cairo_t* context) const { cairo_destroy(context); }
};
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, TCairoDeleter>;
using CairoContextPtr = std::unique_ptr<cairo_t, TCairoDeleter>;

}  // namespace orv
