// Pixel checks on the painted window shared by the display and stop suites:
// a fresh paint on the headless surface and where a colour lies on it.
#pragma once

#include <climits>
#include <ostream>

#include "display/graphics.h"
#include "platform/cairo/surface_cairo.h"

namespace window_pixels {

// Device pixels, right and bottom excluded.
struct Box {
    int left;
    int top;
    int right;
    int bottom;
    bool empty() const { return right <= left || bottom <= top; }
    bool operator==(const Box&) const = default;
};

inline void PrintTo(const Box& box, std::ostream* out)
{
    *out << "(" << box.left << "," << box.top << ")-(" << box.right << "," << box.bottom << ")";
}

constexpr Box wholeWindow = {0, 0, screenWidth, screenHeight};

// Creates the fonts, brushes and pens once, then starts a paint erased to
// the palette colour and makes its context drawingContext.
inline void freshPaint(int eraseColor)
{
    static const bool created = [] {
        createFonts();
        createBrushesAndPens();
        return true;
    }();
    (void)created;
    drawingContext = platform::cairo::beginSurfacePaint(palette[eraseColor]);
}

inline platform::Color pixel(int x, int y) { return platform::cairo::windowPixel(x, y); }

inline bool isColor(int x, int y, int paletteIndex) { return pixel(x, y) == palette[paletteIndex]; }

// The smallest box holding every pixel of the palette colour within the area.
inline Box boxOf(int paletteIndex, Box area = wholeWindow)
{
    Box box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (isColor(x, y, paletteIndex)) {
                box.left = x < box.left ? x : box.left;
                box.top = y < box.top ? y : box.top;
                box.right = x + 1 > box.right ? x + 1 : box.right;
                box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
            }
    return box;
}

inline Box unite(Box a, Box b)
{
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
            a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

inline int countOf(int paletteIndex, Box area = wholeWindow)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) count += isColor(x, y, paletteIndex) ? 1 : 0;
    return count;
}

}  // namespace window_pixels
