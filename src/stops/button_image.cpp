// ButtonImage (see button_image.h): a BMP of the supported form loaded whole,
// blitted unscaled, and labelled at its centre.
#include "stops/button_image.h"

#include <cstdio>
#include <new>

#include "display/graphics.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/window.h"
#include "stops/bmp_header.h"

ButtonImage& onImage = *new ButtonImage;
ButtonImage& offImage = *new ButtonImage;

namespace {

constexpr int labelDrop = 20;  // the label's baseline below the picture's centre
constexpr int centreBaselineAlign = 1;

struct LoadedBmp {
    std::unique_ptr<std::uint8_t[]> info;
    std::unique_ptr<std::uint8_t[]> pixels;
    std::size_t pixelBytes = 0;
};

std::uint64_t bytesLeft(std::FILE* file)
{
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long end = std::ftell(file);
    if (end < here || std::fseek(file, here, SEEK_SET) != 0) return 0;
    return static_cast<std::uint64_t>(end - here);
}

// Reads the two headers of a BMP into info; false unless they describe the
// supported form with its pixels in the file.
bool readBmpHeaders(std::FILE* file, std::uint8_t* info)
{
    std::uint8_t fileHeader[bmpFileHeaderSize];
    if (std::fread(fileHeader, 1, sizeof fileHeader, file) != sizeof fileHeader) return false;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return false;
    if (std::fread(info, 1, bitmapInfoSize, file) != bitmapInfoSize) return false;
    return isSupportedBmp(fileHeader, info, bytesLeft(file));
}

std::int32_t logicalWidthOf(std::int32_t pixels)
{
    return static_cast<std::int32_t>(static_cast<std::int64_t>(pixels) * logicalWidth / screenWidth);
}

// Reads a whole BMP of the supported form; false for any other file.
bool readBmp(std::FILE* file, LoadedBmp& bmp)
{
    bmp.info.reset(new (std::nothrow) std::uint8_t[bitmapInfoSize]);
    if (bmp.info == nullptr || !readBmpHeaders(file, bmp.info.get())) return false;
    bmp.pixelBytes = bmpLayout(bmp.info.get()).imageSize;
    bmp.pixels.reset(new (std::nothrow) std::uint8_t[bmp.pixelBytes]);
    if (bmp.pixels == nullptr) return false;
    return std::fread(bmp.pixels.get(), 1, bmp.pixelBytes, file) == bmp.pixelBytes;
}

}  // namespace

std::int32_t drawnWidthOfBmp(std::FILE* file)
{
    std::uint8_t info[bitmapInfoSize];
    return readBmpHeaders(file, info) ? logicalWidthOf(bmpLayout(info).width) : 0;
}

ButtonImage::ButtonImage() : info(new std::uint8_t[bitmapInfoSize]()) {}

int ButtonImage::load(const char* path)
{
    std::FILE* file = std::fopen(platform::hostPath(path).c_str(), "rb");
    if (file == nullptr) {
        platform::messageBox("Erreur R\xE9pertoire boutons\nClicker sur OK pour terminer", " Boutons introuvables");
        platform::exitNormally(platform::exitButtonImageMissing);
    }
    LoadedBmp bmp;
    const bool loaded = readBmp(file, bmp);
    std::fclose(file);
    if (!loaded) return 0;

    info = std::move(bmp.info);
    pixels = std::move(bmp.pixels);
    pixelBytes = bmp.pixelBytes;
    const BmpLayout layout = bmpLayout(info.get());
    width = logicalWidthOf(layout.width);
    height = static_cast<std::int32_t>(static_cast<std::int64_t>(layout.height) * logicalHeight / screenHeight);
    rect = {0, width, 0, height};
    return 1;
}

void ButtonImage::blit(int x, int y)
{
    if (pixels == nullptr) return;
    const BmpLayout layout = bmpLayout(info.get());
    const platform::DeviceBitmap bitmap = {layout.width, layout.height, layout.bitsPerPixel, pixels.get(), pixelBytes};
    platform::blitBitmap(drawingContext, toDeviceX(x), toDeviceY(y), bitmap);
}

void ButtonImage::draw()
{
    blit(rect.left, rect.top);
    const int centreX = rect.left + width / 2;
    const int centreY = rect.top + height / 2;
    selectFont(fontSlot);
    setTextAlign(centreBaselineAlign);
    textOut(centreX, centreY + labelDrop, label);
}
