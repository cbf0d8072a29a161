// The organ-pipe icon drawn pixel by pixel at any size (see program_icon.h).
#include "platform/program_icon.h"

#include <algorithm>

namespace {

constexpr IconPixel transparent = {0, 0, 0, 0};
constexpr IconPixel outline = {0x40, 0x30, 0x20, 0xFF};
constexpr IconPixel mouth = {0x10, 0x10, 0x10, 0xFF};
constexpr IconPixel lightTin = {0xF0, 0xE8, 0xE8, 0xFF};
constexpr IconPixel shadedTin = {0xA8, 0x98, 0x90, 0xFF};

struct Pipe {
    double centre, top;  // fractions of the icon's size
};

constexpr Pipe pipes[] = {{0.14, 0.40}, {0.32, 0.22}, {0.50, 0.06}, {0.68, 0.22}, {0.86, 0.40}};
constexpr double pipeHalfWidth = 0.085;
constexpr double mouthTop = 0.64, mouthBottom = 0.70;
constexpr double footTop = 0.78, footBottom = 0.97;
// The outline is one pixel wide up to 32 pixels and grows with larger icons.
constexpr double thinnestOutline = 1.0 / 32;

// The colour at (u, v), fractions of the size with v growing downwards; the
// pipe's foot narrows to its toe, its left half is lit.
IconPixel pipeColour(const Pipe& pipe, double u, double v, double line)
{
    if (v < pipe.top || v > footBottom) return transparent;
    double halfWidth = pipeHalfWidth;
    if (v > footTop) halfWidth *= 1.0 - 0.75 * (v - footTop) / (footBottom - footTop);
    const double offset = u - pipe.centre;
    if (offset < -halfWidth || offset > halfWidth) return transparent;
    if (offset < line - halfWidth || offset > halfWidth - line || v < pipe.top + line) return outline;
    if (v > mouthTop && v < mouthBottom && offset > -halfWidth / 2 && offset < halfWidth / 2) return mouth;
    return offset < 0 ? lightTin : shadedTin;
}

}  // namespace

std::vector<IconPixel> drawProgramIcon(int size)
{
    std::vector<IconPixel> image(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), transparent);
    const double pixel = 1.0 / size;
    const double line = std::max(pixel, thinnestOutline);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            for (const Pipe& pipe : pipes) {
                const IconPixel colour = pipeColour(pipe, (x + 0.5) * pixel, (y + 0.5) * pixel, line);
                if (colour.alpha != 0) image[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + x] = colour;
            }
    return image;
}
