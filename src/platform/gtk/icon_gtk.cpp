// The program icon: a row of organ pipes, drawn with cairo at any size.
#include "platform/gtk/icon_gtk.h"

namespace platform::gtk {

namespace {

void drawPipes(cairo_t* cr, double size)
{
    cairo_set_source_rgb(cr, 0.12, 0.16, 0.35);
    cairo_paint(cr);
    const double heights[] = {0.45, 0.62, 0.80, 0.62, 0.45};
    const double pipeWidth = size / 8.0;
    for (int i = 0; i < 5; ++i) {
        const double x = size * (i + 1) / 6.0;  // the pipe's centre
        const double top = size * (0.9 - heights[i]);
        cairo_rectangle(cr, x - pipeWidth / 2, top, pipeWidth, size * heights[i]);
        cairo_set_source_rgb(cr, 0.86, 0.72, 0.32);
        cairo_fill(cr);
        // The pipe's mouth, a dark slot a third of the way up.
        cairo_rectangle(cr, x - pipeWidth * 0.3, size * 0.9 - size * heights[i] / 3, pipeWidth * 0.6, size * 0.04);
        cairo_set_source_rgb(cr, 0.25, 0.18, 0.05);
        cairo_fill(cr);
    }
}

}  // namespace

GdkPixbuf* programIcon(int size)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size, size);
    cairo_t* cr = cairo_create(surface);
    drawPipes(cr, size);
    cairo_destroy(cr);
    GdkPixbuf* icon = gdk_pixbuf_get_from_surface(surface, 0, 0, size, size);
    cairo_surface_destroy(surface);
    return icon;
}

}  // namespace platform::gtk
