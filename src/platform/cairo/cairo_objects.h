// What the cairo drawing surface's handles and context hold, shared by the
// files of this backend only.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "platform/surface.h"

namespace platform {

struct Brush {
    Color color;
};

struct Pen {
    Color color;
};

// A scaled face whose cell (ascent + descent) has the height asked for and
// whose average character is as wide as asked, turned by the escapement.
struct Font {
    cairo_scaled_font_t* scaled;
    double angle;  // radians, counter-clockwise on the screen
    int ascent;
    int descent;
};

struct DrawingContext {
    cairo_t* cr;
    Brush* brush;
    Pen* pen;
    Font* font;
    Color textColor;
    Color background;
    TextAlign align;
};

namespace cairo {

void setSourceColor(cairo_t* cr, Color color);

// The default face of a fresh context, created on first use.
Font* defaultFont();

}  // namespace cairo

}  // namespace platform
