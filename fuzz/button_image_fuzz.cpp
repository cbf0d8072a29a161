// libFuzzer target: ButtonImage::load on arbitrary file bytes, then the
// picture it holds drawn with its label, inside and across the window's edges.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "display/graphics.h"
#include "platform/cairo/surface_cairo.h"
#include "stops/button_image.h"

namespace {

std::string imagePath;

void writeBytes(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    createFonts();
    createBrushesAndPens();
    drawingContext = platform::cairo::beginSurfacePaint(palette[15]);
    imagePath =
        (std::filesystem::temp_directory_path() / ("velmara-fuzz-" + std::to_string(::getpid()) + ".bmp")).string();
    std::atexit([] { std::remove(imagePath.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    writeBytes(imagePath, data, size);

    ButtonImage image;
    image.load(imagePath.c_str());
    std::strcpy(image.label, "Montre 8");
    image.draw();
    for (const LogicalPoint at : {LogicalPoint{10, 30}, LogicalPoint{600, 450}, LogicalPoint{-30, -20}}) {
        moveRect(image.rect, at.x, at.y);
        image.draw();
    }
    return 0;
}
