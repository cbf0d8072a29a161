// Showing the window picture on the drawing area (see present_gtk.h).
#include "platform/gtk/present_gtk.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/cairo/cairo_window_surface.h"

namespace platform::gtk {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto frameTime = std::chrono::milliseconds(15);

struct Shown {
    std::vector<unsigned char> pixels;  // the picture as last shown, row by row
    Clock::time_point lastLook{};
};

Shown shown;

}  // namespace

gboolean drawWindowPicture(GtkWidget* area, cairo_t* cr, gpointer)
{
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_paint(cr);
    // One picture pixel per device pixel, also on a scaled (HiDPI) screen.
    const double scale = gtk_widget_get_scale_factor(area);
    cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    cairo_set_source_surface(cr, cairo::windowSurface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    return TRUE;
}

void presentChanges(GtkWidget* area)
{
    const Clock::time_point now = Clock::now();
    if (now - shown.lastLook < frameTime) return;
    shown.lastLook = now;
    cairo_surface_t* surface = cairo::windowSurface();
    cairo_surface_flush(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
    const int height = cairo_image_surface_get_height(surface);
    shown.pixels.resize(stride * height);
    int first = height;
    int last = -1;
    for (int y = 0; y < height; ++y) {
        unsigned char* row = shown.pixels.data() + y * stride;
        if (std::memcmp(row, pixels + y * stride, stride) == 0) continue;
        std::memcpy(row, pixels + y * stride, stride);
        if (first == height) first = y;
        last = y;
    }
    if (last < 0) return;
    const int scale = gtk_widget_get_scale_factor(area);
    const int width = cairo_image_surface_get_width(surface);
    gtk_widget_queue_draw_area(area, 0, first / scale, width / scale + 1, (last - first) / scale + 2);
}

}  // namespace platform::gtk
