// The BMP form a button image must have: a 14-byte file header, a 40-byte
// information header, no colour table, then bottom-up, uncompressed 16-, 24-
// or 32-bit rows, each padded to four bytes.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int bmpFileHeaderSize = 14;
constexpr int bmpPixelOffset = bmpFileHeaderSize + 40;

struct BmpLayout {
    std::int32_t width;         // pixels
    std::int32_t height;        // pixels, rows stored bottom-up
    std::int32_t bitsPerPixel;
    std::uint32_t imageSize;    // bytes of the pixel array
};

// The fields of a 40-byte information header, as stored.
BmpLayout bmpLayout(const std::uint8_t* info);

// True when the headers describe the supported form and the pixel array,
// exactly as long as its rows need, lies within the bytes that follow them.
bool isSupportedBmp(const std::uint8_t* fileHeader, const std::uint8_t* info, std::uint64_t bytesAfterHeaders);
