// The program's icon, a front of five organ pipes, drawn once as pixels for
// every output: the Windows icon files, the Linux theme's PNGs and the GTK
// window's icon.
#pragma once

#include <cstdint>
#include <vector>

struct IconPixel {
    std::uint8_t red, green, blue, alpha;  // alpha 0 (transparent) or 255
};

// size x size pixels, rows top to bottom.
std::vector<IconPixel> drawProgramIcon(int size);
