#pragma once
// Owners of the cairo, pango and GLib objects of a rendered page.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>

namespace brenvik {

struct TCairoFree {
  void operator()(cairo_t* p) const { cairo_destroy(p); }
  void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
  void operator()(cairo_font_options_t* p) const { cairo_font_options_destroy(p); }
  void operator()(PangoFontDescription* p) const { pango_font_description_free(p); }
  void operator()(PangoLayoutIter* p) const { pango_layout_iter_free(p); }
  void operator()(GObject* p) const { g_object_unref(p); }
  void operator()(PangoContext* p) const { g_object_unref(p); }
  void operator()(PangoLayout* p) const { g_object_unref(p); }
  void operator()(char* p) const { g_free(p); }
};

template <class T>
using TCairoOwner = std::unique_ptr<T, TCairoFree>;

}  // namespace brenvik
