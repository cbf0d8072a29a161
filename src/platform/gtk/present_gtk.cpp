// Showing the window picture on the drawing area (see present_gtk.h).
#include "platform/gtk/present_gtk.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/cairo/surface_cairo.h"

namespace platform::gtk {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto frameTime = std::chrono::milliseconds(15);

// Rows that changed, close enough together to be redrawn as one rectangle.
constexpr int bandGap = 8;

struct Band {
    int left = 0;
    int right = -1;
    int top = 0;
    int bottom = -1;

    bool empty() const { return bottom < top; }
    void add(int rowLeft, int rowRight, int y)
    {
        if (empty()) {
            *this = {rowLeft, rowRight, y, y};
            return;
        }
        left = std::min(left, rowLeft);
        right = std::max(right, rowRight);
        bottom = y;
    }
    void queue(GtkWidget* area, int scale) const
    {
        gtk_widget_queue_draw_area(area, left / scale, top / scale, (right - left) / scale + 2,
                                   (bottom - top) / scale + 2);
    }
};

struct Shown {
    std::vector<std::uint32_t> pixels;  // the picture as last shown, row by row
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

std::chrono::milliseconds presentChanges(GtkWidget* area)
{
    const Clock::time_point now = Clock::now();
    if (now - shown.lastLook < frameTime)
        return std::chrono::ceil<std::chrono::milliseconds>(shown.lastLook + frameTime - now);
    shown.lastLook = now;
    cairo_surface_t* surface = cairo::windowSurface();
    cairo_surface_flush(surface);
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
    const int width = cairo_image_surface_get_stride(surface) / 4;
    const int height = cairo_image_surface_get_height(surface);
    shown.pixels.resize(static_cast<std::size_t>(width) * height);
    const int scale = gtk_widget_get_scale_factor(area);
    Band band;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(y) * width;
        std::uint32_t* shownRow = shown.pixels.data() + static_cast<std::size_t>(y) * width;
        if (std::memcmp(row, shownRow, width * sizeof(std::uint32_t)) == 0) continue;
        int left = 0;
        int right = width - 1;
        while (row[left] == shownRow[left]) ++left;
        while (row[right] == shownRow[right]) --right;
        std::memcpy(shownRow + left, row + left, (right - left + 1) * sizeof(std::uint32_t));
        if (!band.empty() && y > band.bottom + bandGap) {
            band.queue(area, scale);
            band = Band();
        }
        band.add(left, right, y);
    }
    if (!band.empty()) band.queue(area, scale);
    return std::chrono::milliseconds::max();
}

}  // namespace platform::gtk
