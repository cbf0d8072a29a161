// make_theme_icons OUTDIR SIZE...: the program's icon as PNG files for the
// freedesktop icon theme, OUTDIR/SIZExSIZE/apps/velmara.png for each size.
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/program_icon.h"

namespace {

// Every pixel is either opaque or fully transparent, so the straight colours
// are already cairo's premultiplied ones.
bool writePng(const std::string& path, int size)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const std::vector<IconPixel> image = drawProgramIcon(size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const IconPixel p = image[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + x];
            reinterpret_cast<std::uint32_t*>(data + y * stride)[x] = static_cast<std::uint32_t>(p.alpha) << 24 |
                                                                     static_cast<std::uint32_t>(p.red) << 16 |
                                                                     static_cast<std::uint32_t>(p.green) << 8 | p.blue;
        }
    cairo_surface_mark_dirty(surface);
    const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_theme_icons OUTDIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / name / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (size < 1 || size > 1024 || error || !writePng((folder / "velmara.png").string(), size)) {
            std::fprintf(stderr, "make_theme_icons: cannot write the %s icon into %s\n", argv[i], argv[1]);
            return 1;
        }
    }
    return 0;
}
