// The supported BMP form (see bmp_header.h).
#include "stops/bmp_header.h"

#include "platform/surface.h"

namespace {

std::uint32_t read16(const std::uint8_t* bytes) { return bytes[0] | (bytes[1] << 8); }

std::uint32_t read32(const std::uint8_t* bytes)
{
    return read16(bytes) | (static_cast<std::uint32_t>(read16(bytes + 2)) << 16);
}

}  // namespace

BmpLayout bmpLayout(const std::uint8_t* info)
{
    return {static_cast<std::int32_t>(read32(info + 4)), static_cast<std::int32_t>(read32(info + 8)),
            static_cast<std::int32_t>(read16(info + 14)), read32(info + 20)};
}

bool isSupportedBmp(const std::uint8_t* fileHeader, const std::uint8_t* info, std::uint64_t bytesAfterHeaders)
{
    const BmpLayout layout = bmpLayout(info);
    const std::uint32_t infoSize = read32(info);
    const std::uint32_t compression = read32(info + 16);
    const std::uint32_t coloursUsed = read32(info + 32);
    const std::uint32_t pixelOffset = read32(fileHeader + 10);
    if (infoSize != 40 || compression != 0 || coloursUsed != 0 || pixelOffset != bmpPixelOffset) return false;
    if (layout.width <= 0 || layout.height <= 0) return false;
    if (layout.bitsPerPixel != 16 && layout.bitsPerPixel != 24 && layout.bitsPerPixel != 32) return false;
    const std::uint64_t rowBytes = platform::DeviceBitmap::rowBytes(layout.width, layout.bitsPerPixel);
    const std::uint64_t needed = rowBytes * static_cast<std::uint64_t>(layout.height);
    return layout.imageSize != 0 && layout.imageSize == needed && layout.imageSize <= bytesAfterHeaders;
}
