// ButtonImage: one BMP picture with the logical rectangle where it is drawn
// and a label drawn centred over it; onImage and offImage draw every stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "display/logical_rect.h"

constexpr int bitmapInfoSize = 40;
constexpr int buttonLabelCapacity = 32;

class ButtonImage {
public:
    std::unique_ptr<std::uint8_t[]> info;    // the 40-byte information header
    std::unique_ptr<std::uint8_t[]> pixels;  // null until a picture loads
    std::int32_t width = 0;                  // logical
    std::int32_t height = 0;                 // logical
    char label[buttonLabelCapacity] = {};
    LogicalRect rect = {};
    std::int32_t fontSlot = 14;
    std::size_t pixelBytes = 0;  // bytes actually held in pixels

    ButtonImage();

    // 1 when a picture was loaded, 0 when the file is not a BMP of the
    // supported form (the image keeps what it had). A file that cannot be
    // opened ends the process with exitButtonImageMissing after a message box.
    int load(const char* path);
    // Draws the picture unscaled with its top-left at the logical point;
    // nothing without a picture.
    void blit(int x, int y);
    // Blits at rect's left-top and draws the label centred on the picture,
    // 20 logical units below its centre.
    void draw();
};

// The logical width a button drawn with the BMP file (open for reading from
// its start) has; 0 when it cannot be read or is not a BMP of the supported
// form.
std::int32_t drawnWidthOfBmp(std::FILE* file);

// The two images every stop is drawn with, held for the life of the process:
// no exit destroys them.
extern ButtonImage& onImage;
extern ButtonImage& offImage;
