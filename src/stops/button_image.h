// ButtonImage: one BMP picture with the logical rectangle where it is drawn
// and a label drawn centred over it; onImage and offImage draw every stop.
#pragma once

#include <cstddef>
#include <cstdint>
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
    std::size_t pixelBytes = 0;              // bytes actually held in pixels

    ButtonImage();

    // 1 when a picture was loaded, 0 when the file is refused; a file that
    // cannot be opened ends the process with 988 after a message box.
    int load(const char* path);
    void blit(int x, int y);
    void draw();
};

extern ButtonImage onImage;
extern ButtonImage offImage;
