// libFuzzer target: ButtonImage::load on arbitrary file bytes, then the
// picture it holds drawn with its label, inside and across the window's edges.
#include <cstdint>
#include <cstring>
#include <string>

#include "display/graphics.h"
#include "fuzz_files.h"
#include "platform/cairo/surface_cairo.h"
#include "stops/button_image.h"
#include "support/fixtures.h"

namespace {

std::string imagePath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    createFonts();
    createBrushesAndPens();
    drawingContext = platform::cairo::beginSurfacePaint(palette[15]);
    imagePath = temporaryFuzzFile(".bmp");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fixtures::writeFile(imagePath, {data, data + size});

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
