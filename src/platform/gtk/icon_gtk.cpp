// The program icon as a GdkPixbuf, from the one drawing every output shares.
#include "platform/gtk/icon_gtk.h"

#include <cstring>

#include "platform/program_icon.h"

namespace platform::gtk {

GdkPixbuf* programIcon(int size)
{
    GdkPixbuf* icon = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, size, size);
    guchar* rows = gdk_pixbuf_get_pixels(icon);
    const int stride = gdk_pixbuf_get_rowstride(icon);
    const std::vector<IconPixel> image = drawProgramIcon(size);
    static_assert(sizeof(IconPixel) == 4, "an IconPixel is one RGBA pixel of the pixbuf");
    for (int y = 0; y < size; ++y)
        std::memcpy(rows + static_cast<std::ptrdiff_t>(y) * stride, &image[static_cast<std::size_t>(y) * size],
                    static_cast<std::size_t>(size) * sizeof(IconPixel));
    return icon;
}

}  // namespace platform::gtk
